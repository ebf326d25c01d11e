#include "ui/BatchPage.h"

#include <filesystem>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "session/CaplinSession.h"
#include "ui/ListTableModel.h"
#include "ui/PageContext.h"
#include "ui/QtText.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

int TBatchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int TBatchListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TBatchListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const TBatchItem& item = list_[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case colNumber:
        return QString::number(index.row() + 1);
    case colFileName:
        return Q(item.FileName);
    case colStatus:
        return QString(BatchItemStatusText(item.Status));
    default:
        return {};
    }
}

QVariant TBatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const char* const captions[ColumnCount] = {"#", "File Name", "Status"};
    return section >= 0 && section < ColumnCount ? QString(captions[section]) : QString();
}

void TBatchListModel::Reload() {
    beginResetModel();
    endResetModel();
}

void TBatchListModel::RowChanged(int row) {
    Q_EMIT dataChanged(index(row, colNumber), index(row, colStatus));
}

TBatchPage::TBatchPage(TPageContext& context, QWidget* parent)
    : QWidget(parent), context_(context), run_(context.Session.Batch) {
    setObjectName("pnBatch");
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;

    model_ = new TBatchListModel(run_.BatchList, this);
    lvBatch_ = new QTableView(this);
    lvBatch_->setObjectName("lvBatch");
    lvBatch_->setAccessibleName("Batch list");
    lvBatch_->setModel(model_);
    lvBatch_->setShowGrid(true);
    lvBatch_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvBatch_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvBatch_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvBatch_->verticalHeader()->hide();
    lvBatch_->horizontalHeader()->setStretchLastSection(true);
    left->addWidget(lvBatch_);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    btnBAddFile_ = button("Add File", "btnBAddFile");
    btnBRemove_ = button("Remove", "btnBRemove");
    btnBClearBatchList_ = button("Clear List", "btnBClearBatchList");
    buttons->addStretch();
    btnBatchConvert_ = button("Convert", "btnBatchConvert");
    left->addLayout(buttons);
    layout->addLayout(left, 1);

    panel_ = new TConversionSettingsPanel("B", context.Dialogs, context.Session.MainSettings,
                                          context.Updating, context.GeneralRefresh, this);
    // The panel scrolls rather than squeezing its controls when the window is small.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("sbBSettingsPanel");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(panel_);
    // The panel keeps its full width; the list takes what is left and scrolls sideways.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel_->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    layout->addWidget(scroll);

    runTimer_ = new QTimer(this);
    runTimer_->setObjectName("tmrBatchRun");
    runTimer_->setSingleShot(true);
    runTimer_->setInterval(kRunPause);
    connect(runTimer_, &QTimer::timeout, this, [this] { RunStep(); });
    run_.EntryChanged = [this](size_t index) { ShowEntry(index); };

    connect(btnBAddFile_, &QPushButton::clicked, this, [this] { btnBAddFileClick(); });
    connect(btnBRemove_, &QPushButton::clicked, this, [this] { btnBRemoveClick(); });
    connect(btnBClearBatchList_, &QPushButton::clicked, this,
            [this] { btnBClearBatchListClick(); });
    connect(btnBatchConvert_, &QPushButton::clicked, this, [this] { btnBatchConvertClick(); });
}

void TBatchPage::StoreColumnWidths() {
    ReadColumnWidths(lvBatch_, context_.Session.Layout.ColumnWidths[lvBatch]);
}

void TBatchPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateBatchForm", [&] {
        panel_->SetSettings(context_.Session.BatchSettings.get());
        panel_->UpdateForm();
        ApplyColumnWidths(lvBatch_, context_.Session.Layout.ColumnWidths[lvBatch]);
    });
}

void TBatchPage::Unloading() {
    runTimer_->stop();
    run_.EntryChanged = nullptr;
    run_.ClearBatchList();
    model_->Reload();
    panel_->SetSettings(nullptr);
}

void TBatchPage::btnBAddFileClick() {
    GuardedVoid("TCaplinForm.btnBAddFileClick", [&] {
        const std::optional<std::string> file =
            context_.Dialogs.ChooseFile("Add File", "STL Files (*.stl);;All Files (*)");
        if (!file)
            return;
        std::error_code error;
        if (!std::filesystem::is_regular_file(*file, error))
            return;
        if (run_.IsFileInBatchList(*file))
            return context_.Dialogs.ShowMessage("File aready exists in the batch list.");
        run_.BatchList.push_back(TBatchItem{*file});
        model_->Reload();
    });
}

void TBatchPage::btnBRemoveClick() {
    GuardedVoid("TCaplinForm.btnBRemoveClick", [&] {
        const QModelIndexList rows = lvBatch_->selectionModel()->selectedRows();
        if (rows.isEmpty() || rows.first().row() >= static_cast<int>(run_.BatchList.size()))
            return context_.Dialogs.ShowMessage("No item selected.");
        run_.BatchList.erase(run_.BatchList.begin() + rows.first().row());
        model_->Reload();
    });
}

void TBatchPage::btnBClearBatchListClick() {
    GuardedVoid("TCaplinForm.btnBClearBatchListClick", [&] {
        run_.ClearBatchList();
        model_->Reload();
    });
}

void TBatchPage::Refresh() {
    const bool busy = context_.Session.ConversionInProgress();
    for (QWidget* w :
         std::initializer_list<QWidget*>{lvBatch_, btnBAddFile_, btnBRemove_, btnBClearBatchList_})
        w->setEnabled(!busy);
    // The Convert button stays enabled: during a run it is the Cancel button.
    panel_->RefreshEnabling(busy);
}

void TBatchPage::btnBatchConvertClick() {
    GuardedVoid("TCaplinForm.btnBatchConvertClick", [&] {
        if (run_.Running()) {
            runTimer_->stop();
            run_.Cancel();
            btnBatchConvert_->setText("Convert");
            context_.GeneralRefresh();
            return;
        }
        const TRunStart start = run_.Start();
        if (!start.Started)
            return context_.Dialogs.ShowMessage(start.Refusal);
        btnBatchConvert_->setText("Cancel");
        context_.GeneralRefresh();
        model_->Reload();
        // Each step runs from the event loop, so a Cancel click or a close is handled between
        // two files without a nested loop.
        runTimer_->start();
    });
}

void TBatchPage::ShowEntry(size_t index) {
    model_->RowChanged(static_cast<int>(index));
    // The conversion that follows holds the event loop, so "Processing" is drawn now or never.
    if (run_.BatchList[index].Status == TBatchItemStatus::Processing)
        lvBatch_->viewport()->repaint();
}

void TBatchPage::RunStep() {
    GuardedVoid("TCaplinForm.btnBatchConvertClick", [&] {
        const bool wasRunning = run_.Running();
        if (run_.Step() == TRunNext::AfterPause)
            return runTimer_->start();
        // Ended by its last entry or by a close; a failure leaves it running, and the
        // button then cancels it.
        if (wasRunning && !run_.Running()) {
            btnBatchConvert_->setText("Convert");
            context_.GeneralRefresh();
        }
    });
}
