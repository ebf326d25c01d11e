#include "ui/WatchFolderPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "platform/Trace.h"
#include "ui/CaplinForm.h"
#include "ui/ListTableModel.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

namespace {

constexpr int kArmPassMS = 100;
constexpr const char* kArm = "Arm";

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

std::string UpdatePrompt(int row) {
    return "Do you want to update Watch Folder #" + std::to_string(row + 1) + " ?";
}

} // namespace

TWatchFolderPage::TWatchFolderPage(TCaplinForm& form, QWidget* page) : QObject(page), form_(form) {
    Model = new TListTableModel(
        {"#", "Watch Folder", "Destination Folder", "Comment"},
        [this](int row, int column) -> std::string {
            if (WFRemoving || !form_.WatchFolderList ||
                row >= static_cast<int>(form_.WatchFolderList->Items.size()))
                return {};
            const auto& settings = form_.WatchFolderList->Items[row]->Settings;
            switch (column) {
            case 0:
                return std::to_string(row + 1);
            case 1:
                return settings.WatchFolder;
            case 2:
                return settings.DestinationFolder;
            case 3:
                return settings.Comment;
            default:
                return {};
            }
        },
        this);

    auto* left = new QWidget(page);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    lvWatchFolder = NewReportView("lvWatchFolder", Model, left);
    lvWatchFolder->setAccessibleName("Watch folders");
    lvWatchFolder->setWordWrap(false); // rows keep one height, as a report list's do
    ApplyColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
    leftLayout->addWidget(lvWatchFolder, 1);

    auto* buttons = new QHBoxLayout;
    btnWFArm = NewButton(kArm, "btnWFArm", left);
    btnWFClearList = NewButton("Clear List", "btnWFClearList", left);
    btnWFAdd = NewButton("Add", "btnWFAdd", left);
    btnWFRemove = NewButton("Remove", "btnWFRemove", left);
    btnWFUpdate = NewButton("Update", "btnWFUpdate", left);
    btnWFClearParams = NewButton("Clear Params", "btnWFClearParams", left);
    for (QPushButton* button :
         {btnWFArm, btnWFClearList, btnWFAdd, btnWFRemove, btnWFUpdate, btnWFClearParams})
        buttons->addWidget(button);
    buttons->addStretch();
    leftLayout->addLayout(buttons);

    WFSettingsPanelHost = new QWidget(page);
    WFSettingsPanelHost->setObjectName("WFSettingsPanelHost");
    auto* hostLayout = new QVBoxLayout(WFSettingsPanelHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    Panel = new TConversionSettingsPanel(
        "WF", form_.Dialogs(), form_.MainSettings, form_.Updating,
        [this] { form_.GeneralRefresh(); }, WFSettingsPanelHost);
    // The panel scrolls rather than squeezing its controls when the window is small.
    auto* scroll = new QScrollArea(WFSettingsPanelHost);
    scroll->setObjectName("sbWFSettingsPanel");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(Panel);
    hostLayout->addWidget(scroll);

    auto* row = new QHBoxLayout;
    row->addWidget(left, 1);
    row->addWidget(WFSettingsPanelHost, 1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);

    ArmTimer = new QTimer(this);
    ArmTimer->setObjectName("tmrWFArm");
    ArmTimer->setSingleShot(true);
    ArmTimer->setInterval(kArmPassMS);
    connect(ArmTimer, &QTimer::timeout, this, [this] { ArmStep(); });

    connect(btnWFAdd, &QPushButton::clicked, this, [this] { btnWFAddClick(); });
    connect(btnWFRemove, &QPushButton::clicked, this, [this] { btnWFRemoveClick(); });
    connect(btnWFUpdate, &QPushButton::clicked, this, [this] { btnWFUpdateClick(); });
    connect(btnWFClearList, &QPushButton::clicked, this, [this] { btnWFClearListClick(); });
    connect(btnWFClearParams, &QPushButton::clicked, this, [this] { btnWFClearParamsClick(); });
    connect(btnWFArm, &QPushButton::clicked, this, [this] { btnWFArmClick(); });
    lvWatchFolder->installEventFilter(this);
    lvWatchFolder->viewport()->installEventFilter(this);
}

bool& TWatchFolderPage::WFSettingsChanged() {
    return Panel->SettingsChanged;
}

bool TWatchFolderPage::eventFilter(QObject* watched, QEvent* event) {
    // The view has moved its selection by the time a button or key is released. The
    // handler runs after the view's own handling, as it may ask a question.
    if (watched == lvWatchFolder->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        QMetaObject::invokeMethod(
            this, [this] { lvWatchFolderClick(); }, Qt::QueuedConnection);
    else if (watched == lvWatchFolder && event->type() == QEvent::KeyRelease &&
             !static_cast<QKeyEvent*>(event)->isAutoRepeat())
        QMetaObject::invokeMethod(
            this, [this] { lvWatchFolderKeyUp(); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void TWatchFolderPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateWFForm", [&] {
        Panel->SetSettings(form_.WFSettings.get());
        Panel->UpdateForm();
        ApplyColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
        RefreshRowCount();
    });
}

void TWatchFolderPage::Unloading() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        ArmTimer->stop();
        EndRunSilently();
        Panel->SetSettings(nullptr);
    });
}

void TWatchFolderPage::RefreshRowCount() {
    Model->SetRowCount(form_.WatchFolderList ? static_cast<int>(form_.WatchFolderList->Items.size())
                                             : 0);
}

void TWatchFolderPage::RepaintList() {
    // Rows are asked of the list on every paint, so a repaint shows the new data.
    lvWatchFolder->viewport()->update();
}

void TWatchFolderPage::Refresh(bool idle) {
    // "Arm" stays usable so that an armed run can be disarmed.
    for (QWidget* control : std::initializer_list<QWidget*>{
             lvWatchFolder, btnWFAdd, btnWFRemove, btnWFUpdate, btnWFClearList, btnWFClearParams})
        control->setEnabled(idle);
    Panel->RefreshEnabling(!idle);
}

void TWatchFolderPage::StoreColumnWidths() {
    ReadColumnWidths(lvWatchFolder, form_.ColumnWidths[TListView::lvWatchFolder]);
}

int TWatchFolderPage::SelectedRow() const {
    const QModelIndexList rows = lvWatchFolder->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TWatchFolderPage::btnWFAddClick() {
    GuardedVoid("TCaplinForm.btnWFAddClick", [&] {
        const TWatchFolderSTLConvertSettings& settings = *form_.WFSettings;
        IUserDialogs& dialogs = form_.Dialogs();
        if (settings.WatchFolder.empty()) {
            dialogs.ShowMessage("No watch folder specified.");
            return;
        }
        if (settings.DestinationFolder.empty()) {
            dialogs.ShowMessage("No destination folder specified.");
            return;
        }
        // Case counts here: on this file system In and in are two folders.
        if (settings.WatchFolder == settings.DestinationFolder) {
            dialogs.ShowMessage("Watch and Destination folders must not be the same.");
            return;
        }
        TWatchFolderList& list = *form_.WatchFolderList;
        if (list.IsWatchFolderInList(settings.WatchFolder, settings.DestinationFolder)) {
            dialogs.ShowMessage("These Watch and Destination folders exist in the current list.");
            return;
        }
        std::unique_ptr<TWatchFolderItem> item = list.NewItem(settings);
        if (!item)
            return;
        item->CheckIntervalMS = form_.WatchFolderCheckIntervalMS;
        list.Items.push_back(std::move(item));
        RefreshRowCount();
        // Resizing the view drops its selection; the selected entry is still where it was.
        if (form_.WFSelectedIndex >= 0 &&
            form_.WFSelectedIndex < static_cast<int>(list.Items.size()))
            lvWatchFolder->selectRow(form_.WFSelectedIndex);
        btnWFClearParamsClick();
        WFSettingsChanged() = false;
    });
}

void TWatchFolderPage::btnWFRemoveClick() {
    GuardedVoid("TCaplinForm.btnWFRemoveClick", [&] {
        auto& items = form_.WatchFolderList->Items;
        const int row = SelectedRow();
        if (row < 0 || row >= static_cast<int>(items.size())) {
            form_.Dialogs().ShowMessage("No item selected.");
            return;
        }
        WFRemoving = true;
        struct TClear {
            bool& flag;
            ~TClear() { flag = false; }
        } clear{WFRemoving};
        items.erase(items.begin() + row);
        // The rows after it moved up: a later prompt must not store into the entry that
        // now holds this index.
        form_.WFSelectedIndex = -1;
        RefreshRowCount();
    });
}

void TWatchFolderPage::btnWFUpdateClick() {
    GuardedVoid("TCaplinForm.btnWFUpdateClick", [&] {
        auto& items = form_.WatchFolderList->Items;
        const int row = SelectedRow();
        if (row < 0 || row >= static_cast<int>(items.size())) {
            form_.Dialogs().ShowMessage("No item selected.");
            return;
        }
        if (!form_.Dialogs().AskYesNo(UpdatePrompt(row)))
            return;
        items[row]->Settings.Assign(*form_.WFSettings);
        RepaintList();
        WFSettingsChanged() = false;
    });
}

void TWatchFolderPage::lvWatchFolderClick() {
    GuardedVoid("TCaplinForm.lvWatchFolderClick", [&] { SelectRow(); });
}

void TWatchFolderPage::lvWatchFolderKeyUp() {
    GuardedVoid("TCaplinForm.lvWatchFolderKeyUp", [&] { SelectRow(); });
}

void TWatchFolderPage::SelectRow() {
    if (!form_.WatchFolderList || !form_.WFSettings)
        return;
    auto& items = form_.WatchFolderList->Items;
    const int count = static_cast<int>(items.size());
    const int row = SelectedRow();
    if (row >= 0 && row < count) {
        const int previous = form_.WFSelectedIndex;
        if (previous >= 0 && previous < count && WFSettingsChanged() &&
            form_.Dialogs().AskYesNo(UpdatePrompt(previous))) {
            items[previous]->Settings.Assign(*form_.WFSettings);
            RepaintList();
        }
        form_.WFSettings->Assign(items[row]->Settings);
        Panel->UpdateForm();
    }
    form_.WFSelectedIndex = row;
    WFSettingsChanged() = false;
}

void TWatchFolderPage::btnWFClearListClick() {
    GuardedVoid("TCaplinForm.btnWFClearListClick", [&] {
        form_.WatchFolderList->ClearWatchFolderList();
        form_.WFSelectedIndex = -1;
        RefreshRowCount();
    });
}

void TWatchFolderPage::btnWFClearParamsClick() {
    GuardedVoid("TCaplinForm.btnWFClearParamsClick", [&] {
        TConversionSettingsPanel& p = *Panel;
        for (QLineEdit* edit : {p.edWatchFolder, p.edDestFolder, p.edTapeID, p.edZeroPageKeyWord,
                                p.edComment, p.edMoveProcessedFiles})
            edit->clear();
        for (QComboBox* combo :
             {p.cbTapeID, p.cbLanguageSource, p.cbLanguagePredefined, p.cbTimeCodeStartOfProgramme,
              p.cbMoveProcessedFiles, p.cbCodePageNumber, p.cbCharacterCodeTableNumber,
              p.cbDisplayStandardCode})
            combo->setCurrentIndex(0);
        for (QCheckBox* box :
             {p.cbPerformLanguageCheck, p.cbRemoveZeroPage, p.cbOverwriteDestination})
            box->setChecked(false);
        for (QSpinBox* spin : {p.seHour, p.seMin, p.seSec, p.seFrame})
            spin->setValue(0);
        p.seCodePageNumber->setValue(850);
        FreeSubtitleFileTypeList(&form_.WFSettings->SubtitleFileTypes);
        FreeHexFindAndReplaceList(&form_.WFSettings->HexFindAndReplaceItems);
        p.UpdateSettings();
        form_.GeneralRefresh();
    });
}

void TWatchFolderPage::btnWFArmClick() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        TWatchFolderList& list = *form_.WatchFolderList;
        if (btnWFArm->text() == kArm) {
            if (list.Items.empty()) {
                form_.Dialogs().ShowMessage("There are no watch folder specified.");
                return;
            }
            form_.ConversionInProgress = true;
            form_.GeneralRefresh();
            if (!list.StartWatchFolderObjects()) {
                TraceError("TCaplinForm.btnWFArmClick", "cannot start watch folder objects");
                // The list stopped the folders it had started; nothing stays half armed.
                form_.ConversionInProgress = false;
                form_.GeneralRefresh();
                return;
            }
            btnWFArm->setText("Disarm");
            form_.Logs.LogFunction("Watch folder conversion armed.");
            // Each pass runs from the event loop, so Disarm and a close are handled between
            // two passes without a nested loop.
            ArmTimer->start();
            return;
        }
        ArmTimer->stop();
        if (!list.StopWatchFolderObjects())
            TraceError("TCaplinForm.btnWFArmClick", "cannot stop watch folder objects");
        form_.Logs.LogFunction("Watch folder conversion disarmed.");
        btnWFArm->setText(kArm);
        form_.ConversionInProgress = false;
        form_.GeneralRefresh();
    });
}

void TWatchFolderPage::ArmStep() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        // Cleared by a close (Disarm stops the timer itself).
        if (!form_.ConversionInProgress || !form_.WatchFolderList) {
            EndRunSilently();
            return;
        }
        form_.WatchFolderList->ProcessPass();
        ArmTimer->start();
    });
}

void TWatchFolderPage::EndRunSilently() {
    btnWFArm->setText(kArm);
    if (!form_.WatchFolderList)
        return;
    for (const auto& item : form_.WatchFolderList->Items)
        if (item->IsStarted())
            item->Stop();
}
