#include "ui/BatchPage.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "session/CaplinSession.h"
#include "session/ListViews.h"
#include "ui/ListTableModel.h"
#include "ui/PageContext.h"
#include "ui/QtText.h"
#include "ui/RunCaptions.h"
#include "ui/SettingsPanel.h"
#include "ui/SubtitleViewer.h"
#include "ui/UserDialogs.h"

int TBatchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int TBatchListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(BatchListCaptions().size());
}

QVariant TBatchListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    const size_t row = static_cast<size_t>(index.row());
    return Q(BatchListRow(list_[row], row)[static_cast<size_t>(index.column())]);
}

QVariant TBatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section >= 0 && section < columnCount() ? Q(BatchListCaptions()[size_t(section)])
                                                   : QString();
}

void TBatchListModel::Reload() {
    beginResetModel();
    endResetModel();
}

void TBatchListModel::RowChanged(int row) {
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

TBatchPage::TBatchPage(TPageContext& context, QWidget* parent)
    : QWidget(parent), context_(context), run_(context.Session.Batch()) {
    setObjectName("pnBatch");
    // The list above the settings panel: a larger window gives the list its extra room.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* left = new QVBoxLayout;

    model_ = new TBatchListModel(run_.BatchList(), this);
    lvBatch_ = new QTableView(this);
    lvBatch_->setObjectName("lvBatch");
    lvBatch_->setAccessibleName("Batch list");
    lvBatch_->setModel(model_);
    lvBatch_->setShowGrid(true);
    lvBatch_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvBatch_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvBatch_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    UseReportRows(lvBatch_);
    lvBatch_->setMinimumHeight(kListViewMinimumHeight);
    left->addWidget(lvBatch_);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    btnBAddFile_ = button("&Add File", "btnBAddFile");
    btnBRemove_ = button("Remo&ve", "btnBRemove");
    btnBClearBatchList_ = button("Clear Li&st", "btnBClearBatchList");
    buttons->addStretch();
    lblBProgress_ = new QLabel(this);
    buttons->addWidget(lblBProgress_);
    btnBatchConvert_ = button(kConvertCaption, "btnBatchConvert");
    left->addLayout(buttons);
    layout->addLayout(left, 1);

    panel_ = new TConversionSettingsPanel("B", context.Dialogs, context.Session.MainSettings(),
                                          context.Updating, context.GeneralRefresh, this);
    layout->addWidget(NewPanelArea(panel_, "sbBSettingsPanel", this));

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
    connect(lvBatch_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { lvBatchDblClick(index.row()); });
    NameProgressAndWatchList();
}

void TBatchPage::NameProgressAndWatchList() {
    // No accessible name of its own: a screen reader reads the figures.
    lblBProgress_->setObjectName("lblBProgress");
    lvBatch_->setAcceptDrops(true);
    lvBatch_->viewport()->setAcceptDrops(true);
    lvBatch_->installEventFilter(this);
    lvBatch_->viewport()->installEventFilter(this);
}

bool TBatchPage::AcceptsDrop(const QMimeData* mime) const {
    return mime && mime->hasUrls() && !context_.Session.ConversionInProgress();
}

bool TBatchPage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == lvBatch_ && type == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        lvBatch_->selectionModel()->hasSelection()) {
        btnBRemoveClick();
        return true;
    }
    if (watched != lvBatch_->viewport() ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QWidget::eventFilter(watched, event);
    // A drag enter event is a drag move event too.
    auto* drop = static_cast<QDropEvent*>(event);
    // Taken only as a copy: a file manager deletes what it sees moved.
    if (!AcceptsDrop(drop->mimeData()) || !(drop->possibleActions() & Qt::CopyAction)) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // Added after the drop has returned: the file manager is not held while the files are
    // added, nor while a message box waits.
    if (type == QEvent::Drop)
        QMetaObject::invokeMethod(
            this, [this, urls = drop->mimeData()->urls()] { lvBatchDragDrop(urls); },
            Qt::QueuedConnection);
    return true;
}

void TBatchPage::StoreColumnWidths() {
    ReadColumnWidths(lvBatch_, context_.Session.Layout().ColumnWidths[lvBatch]);
}

void TBatchPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateBatchForm", [&] {
        panel_->SetSettings(context_.Session.BatchSettings());
        panel_->UpdateForm();
        const TWindowLayout& layout = context_.Session.Layout();
        FitColumns(lvBatch_,
                   {{TColumnFit::Text, "99999"},
                    {TColumnFit::Path, {}},
                    {TColumnFit::Text, BatchItemStatusText(TBatchItemStatus::Processing)}},
                   layout.ColumnWidths[lvBatch], layout.StoredWidths[lvBatch]);
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
        const std::vector<std::string> files =
            context_.Dialogs.ChooseFiles("Add File", "STL Files (*.stl);;All Files (*)");
        // Each file as if chosen alone: a name that is no file is passed over silently, a
        // duplicate is refused with the files before it already in the list.
        for (const std::string& file : files)
            if (const TListChange change = run_.AddChosenFile(file); !change.Refusal().empty()) {
                model_->Reload();
                context_.Dialogs.ShowMessage(change.Refusal());
            }
        model_->Reload();
    });
}

void TBatchPage::lvBatchDragDrop(const QList<QUrl>& urls) {
    GuardedVoid("TCaplinForm.lvBatchDragDrop", [&] {
        if (context_.Session.ConversionInProgress())
            return;
        std::vector<TDroppedItem> items;
        for (const QUrl& url : urls)
            items.push_back(url.isLocalFile() ? TDroppedItem{S(url.toLocalFile()), true}
                                              : TDroppedItem{S(url.toDisplayString()), false});
        const std::vector<TSkippedItem> skipped = run_.AddDroppedToBatchList(items);
        model_->Reload();
        if (!skipped.empty())
            context_.Dialogs.ShowMessage(DropSkippedMessage(skipped));
    });
}

void TBatchPage::btnBRemoveClick() {
    GuardedVoid("TCaplinForm.btnBRemoveClick", [&] {
        const QModelIndexList rows = lvBatch_->selectionModel()->selectedRows();
        const TListChange change = run_.RemoveEntry(rows.isEmpty() ? -1 : rows.first().row());
        if (!change.IsMade())
            return context_.Dialogs.ShowMessage(change.Refusal());
        model_->Reload();
    });
}

void TBatchPage::lvBatchDblClick(int row) {
    if (row >= 0 && size_t(row) < run_.BatchList().size())
        ViewSTLFile(context_.Dialogs, this, run_.BatchList()[size_t(row)].FileName);
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
            btnBatchConvert_->setText(kConvertCaption);
            ShowProgress();
            context_.GeneralRefresh();
            return;
        }
        const TRunStart start = run_.Start();
        if (!start.Started)
            return context_.Dialogs.ShowMessage(start.Refusal);
        btnBatchConvert_->setText(kCancelCaption);
        ShowProgress();
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
    if (run_.BatchList()[index].Status == TBatchItemStatus::Processing) {
        ShowProgress();
        lblBProgress_->repaint();
        lvBatch_->viewport()->repaint();
    }
}

void TBatchPage::ShowProgress() {
    lblBProgress_->setText(Q(run_.ProgressText()));
}

void TBatchPage::RunStep() {
    GuardedVoid("TCaplinForm.btnBatchConvertClick", [&] {
        const bool wasRunning = run_.Running();
        if (run_.Step() == TRunNext::AfterPause)
            return runTimer_->start();
        // Ended by its last entry or by a close; a failure leaves it running, and the
        // button then cancels it.
        if (wasRunning && !run_.Running()) {
            btnBatchConvert_->setText(kConvertCaption);
            ShowProgress();
            context_.GeneralRefresh();
        }
    });
}
