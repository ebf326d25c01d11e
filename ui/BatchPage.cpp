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

#include "convert/STLConvertUtils.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "ui/CaplinForm.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

namespace {

constexpr int kRunStepMS = 100;
const char* const kStatusTexts[] = {"", "Processing", "Processed"};

} // namespace

int TBatchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int TBatchListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant TBatchListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const TBatchItem& item = list_[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::number(index.row() + 1);
    case 1:
        return QString::fromStdString(item.FileName);
    default:
        return (item.Status >= 0 && item.Status <= 2) ? QString(kStatusTexts[item.Status])
                                                      : QString();
    }
}

QVariant TBatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    const char* const captions[] = {"#", "File Name", "Status"};
    return section >= 0 && section < 3 ? QString(captions[section]) : QString();
}

void TBatchListModel::Reload() {
    beginResetModel();
    endResetModel();
}

void TBatchListModel::RowChanged(int row) {
    Q_EMIT dataChanged(index(row, 0), index(row, 2));
}

TBatchPage::TBatchPage(TCaplinForm& form, QWidget* parent) : QWidget(parent), form_(form) {
    setObjectName("pnBatch");
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;

    Model = new TBatchListModel(BatchList, this);
    lvBatch = new QTableView(this);
    lvBatch->setObjectName("lvBatch");
    lvBatch->setAccessibleName("Batch list");
    lvBatch->setModel(Model);
    lvBatch->setShowGrid(true);
    lvBatch->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvBatch->setSelectionMode(QAbstractItemView::SingleSelection);
    lvBatch->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvBatch->verticalHeader()->hide();
    lvBatch->horizontalHeader()->setStretchLastSection(true);
    left->addWidget(lvBatch);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* caption, const char* name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    btnBAddFile = button("Add File", "btnBAddFile");
    btnBRemove = button("Remove", "btnBRemove");
    btnBClearBatchList = button("Clear List", "btnBClearBatchList");
    buttons->addStretch();
    btnBatchConvert = button("Convert", "btnBatchConvert");
    left->addLayout(buttons);
    layout->addLayout(left, 1);

    Panel = new TConversionSettingsPanel(
        "B", form_.Dialogs(), form_.MainSettings, form_.Updating,
        [this] { form_.GeneralRefresh(); }, this);
    // The panel scrolls rather than squeezing its controls when the window is small.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName("sbBSettingsPanel");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(Panel);
    // The panel keeps its full width; the list takes what is left and scrolls sideways.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(Panel->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    layout->addWidget(scroll);

    RunTimer = new QTimer(this);
    RunTimer->setObjectName("tmrBatchRun");
    RunTimer->setSingleShot(true);
    RunTimer->setInterval(kRunStepMS);
    connect(RunTimer, &QTimer::timeout, this, [this] { RunStep(); });

    connect(btnBAddFile, &QPushButton::clicked, this, [this] { btnBAddFileClick(); });
    connect(btnBRemove, &QPushButton::clicked, this, [this] { btnBRemoveClick(); });
    connect(btnBClearBatchList, &QPushButton::clicked, this, [this] { btnBClearBatchListClick(); });
    connect(btnBatchConvert, &QPushButton::clicked, this, [this] { btnBatchConvertClick(); });
}

void TBatchPage::ApplyColumnWidths(const std::vector<int32_t>& widths) {
    for (size_t column = 0; column < widths.size() && column < 3; ++column)
        lvBatch->setColumnWidth(static_cast<int>(column), widths[column]);
}

void TBatchPage::ReadColumnWidths(std::vector<int32_t>& widths) const {
    for (size_t column = 0; column < widths.size() && column < 3; ++column)
        widths[column] = lvBatch->columnWidth(static_cast<int>(column));
}

void TBatchPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateBatchForm", [&] {
        Panel->SetSettings(form_.BatchSettings.get());
        Panel->UpdateForm();
        ApplyColumnWidths(form_.ColumnWidths[TListView::lvBatch]);
    });
}

void TBatchPage::Unloading() {
    RunTimer->stop();
    ClearBatchList();
    Model->Reload();
    Panel->SetSettings(nullptr);
}

bool TBatchPage::IsFileInBatchList(const std::string& fileName) const {
    const std::string wanted = UpperCaseText(TrimText(fileName));
    for (const TBatchItem& item : BatchList)
        if (UpperCaseText(TrimText(item.FileName)) == wanted)
            return true;
    return false;
}

void TBatchPage::btnBAddFileClick() {
    GuardedVoid("TCaplinForm.btnBAddFileClick", [&] {
        const std::optional<std::string> file =
            form_.Dialogs().ChooseFile("Add File", "STL Files (*.stl);;All Files (*)");
        if (!file)
            return;
        std::error_code error;
        if (!std::filesystem::is_regular_file(*file, error))
            return;
        if (IsFileInBatchList(*file)) {
            form_.Dialogs().ShowMessage("File aready exists in the batch list.");
            return;
        }
        BatchList.push_back(TBatchItem{*file, 0});
        Model->Reload();
    });
}

void TBatchPage::btnBRemoveClick() {
    GuardedVoid("TCaplinForm.btnBRemoveClick", [&] {
        const QModelIndexList rows = lvBatch->selectionModel()->selectedRows();
        if (rows.isEmpty() || rows.first().row() >= static_cast<int>(BatchList.size())) {
            form_.Dialogs().ShowMessage("No item selected.");
            return;
        }
        BatchList.erase(BatchList.begin() + rows.first().row());
        Model->Reload();
    });
}

void TBatchPage::btnBClearBatchListClick() {
    GuardedVoid("TCaplinForm.btnBClearBatchListClick", [&] {
        ClearBatchList();
        Model->Reload();
    });
}

bool TBatchPage::ClearBatchList() {
    return Guarded("TCaplinForm.ClearBatchList", false, [&] {
        BatchList.clear();
        return true;
    });
}

bool TBatchPage::ResetBatchListStatus() {
    return Guarded("TCaplinForm.ResetBatchListStatus", false, [&] {
        for (TBatchItem& item : BatchList)
            item.Status = 0;
        return true;
    });
}

void TBatchPage::Refresh() {
    const bool busy = form_.ConversionInProgress;
    for (QWidget* w :
         std::initializer_list<QWidget*>{lvBatch, btnBAddFile, btnBRemove, btnBClearBatchList})
        w->setEnabled(!busy);
    // The Convert button stays enabled: during a run it is the Cancel button.
    Panel->RefreshEnabling(busy);
}

void TBatchPage::btnBatchConvertClick() {
    GuardedVoid("TCaplinForm.btnBatchConvertClick", [&] {
        if (btnBatchConvert->text() != "Convert") {
            form_.Logs.LogFunction("Batch conversion canceled.");
            btnBatchConvert->setText("Convert");
            form_.ConversionInProgress = false;
            form_.GeneralRefresh();
            return;
        }
        StartRun();
    });
}

void TBatchPage::StartRun() {
    if (BatchList.empty()) {
        form_.Dialogs().ShowMessage("No files to convert.");
        return;
    }
    if (!form_.BatchSettings || form_.BatchSettings->DestinationFolder.empty()) {
        form_.Dialogs().ShowMessage("No destination folder specified.");
        return;
    }
    form_.Logs.LogFunction("Batch conversion started.");
    btnBatchConvert->setText("Cancel");
    form_.ConversionInProgress = true;
    form_.GeneralRefresh();
    ResetBatchListStatus();
    Model->Reload();
    runIndex_ = 0;
    // Each step runs from the event loop, so a Cancel click or a close is handled between
    // two files without a nested loop.
    RunTimer->start();
}

void TBatchPage::RunStep() {
    GuardedVoid("TCaplinForm.btnBatchConvertClick", [&] {
        // Cleared by Cancel (which logs) or by a close (which does not).
        if (!form_.ConversionInProgress || runIndex_ >= BatchList.size())
            return;
        const int row = static_cast<int>(runIndex_);
        TBatchItem& item = BatchList[runIndex_];
        item.Status = 1;
        Model->RowChanged(row);
        // The conversion holds the event loop, so "Processing" is drawn now or never.
        lvBatch->viewport()->repaint();
        form_.Logs.LogFunction(("Converting STL file : " + item.FileName).c_str());
        if (!ConvertSTLFile(item.FileName, *form_.BatchSettings, "", form_.Logs.ReportSink()))
            form_.Logs.ReportFunction(3, ("Error converting STL file " + item.FileName).c_str());
        BatchList[runIndex_].Status = 2;
        Model->RowChanged(row);
        ++runIndex_;
        if (runIndex_ < BatchList.size()) {
            RunTimer->start();
            return;
        }
        form_.ConversionInProgress = false;
        btnBatchConvert->setText("Convert");
        form_.GeneralRefresh();
        form_.Logs.LogFunction("Batch conversion done.");
    });
}
