#include "ui/WatchFolderPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "platform/Trace.h"
#include "session/CaplinSession.h"
#include "ui/AccessKeys.h"
#include "ui/PageContext.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

namespace {

std::string UpdatePrompt(int row) {
    return "Do you want to update Watch Folder #" + std::to_string(row + 1) + " ?";
}

} // namespace

TWatchFolderPage::TWatchFolderPage(TPageContext& context, QWidget* page)
    : TEntryListPage(context, page, {"#", "Watch Folder", "Destination Folder", "Comment"},
                     "lvWatchFolder", "Watch folders") {
    btnWFArm_ = AddButton("Arm", "btnWFArm");
    btnWFClearList_ = AddButton("Clear List", "btnWFClearList");
    btnWFAdd_ = AddButton("Add", "btnWFAdd");
    btnWFRemove_ = AddButton("Remove", "btnWFRemove");
    btnWFUpdate_ = AddButton("Update", "btnWFUpdate");
    btnWFClearParams_ = AddButton("Clear Params", "btnWFClearParams");
    buttons_->addStretch();

    panel_ = new TConversionSettingsPanel("WF", context.Dialogs, context.Session.MainSettings,
                                          context.Updating, context.GeneralRefresh, page);
    // The list above the settings panel: a larger window gives the list its extra room.
    auto* column = static_cast<QVBoxLayout*>(page->layout());
    column->addWidget(host_, 1);
    column->addWidget(NewPanelArea(panel_, "sbWFSettingsPanel", page));

    armTimer_ = new QTimer(this);
    armTimer_->setObjectName("tmrWFArm");
    armTimer_->setSingleShot(true);
    armTimer_->setInterval(kRunPause);
    connect(armTimer_, &QTimer::timeout, this, [this] { ArmStep(); });

    connect(btnWFAdd_, &QPushButton::clicked, this, [this] { btnWFAddClick(); });
    connect(btnWFRemove_, &QPushButton::clicked, this, [this] { btnWFRemoveClick(); });
    connect(btnWFUpdate_, &QPushButton::clicked, this, [this] { btnWFUpdateClick(); });
    connect(btnWFClearList_, &QPushButton::clicked, this, [this] { btnWFClearListClick(); });
    connect(btnWFClearParams_, &QPushButton::clicked, this, [this] { btnWFClearParamsClick(); });
    connect(btnWFArm_, &QPushButton::clicked, this, [this] { btnWFArmClick(); });
}

size_t TWatchFolderPage::EntryCount() const {
    const TWatchFolderList* list = context_.Session.WatchFolderList.get();
    return list ? list->Items.size() : 0;
}

std::string TWatchFolderPage::Cell(size_t row, int column) const {
    const auto& settings = context_.Session.WatchFolderList->Items[row]->Settings;
    switch (column) {
    case colNumber:
        return std::to_string(row + 1);
    case colWatchFolder:
        return settings.WatchFolder;
    case colDestinationFolder:
        return settings.DestinationFolder;
    case colComment:
        return settings.Comment;
    default:
        return {};
    }
}

bool& TWatchFolderPage::WFSettingsChanged() {
    return panel_->SettingsChanged;
}

void TWatchFolderPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateWFForm", [&] {
        panel_->SetSettings(context_.Session.WFSettings.get());
        panel_->UpdateForm();
        ApplyColumnWidths(context_.Session.Layout.ColumnWidths[lvWatchFolder],
                          context_.Session.Layout.StoredWidths[lvWatchFolder]);
        RefreshRowCount();
        selectedIndex_ = -1;
    });
}

void TWatchFolderPage::Unloading() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        armTimer_->stop();
        EndRunSilently();
        panel_->SetSettings(nullptr);
    });
}

void TWatchFolderPage::Refresh(bool idle) {
    // "Arm" stays usable so that an armed run can be disarmed.
    for (QWidget* control : std::initializer_list<QWidget*>{
             view_, btnWFAdd_, btnWFRemove_, btnWFUpdate_, btnWFClearList_, btnWFClearParams_})
        control->setEnabled(idle);
    panel_->RefreshEnabling(!idle);
}

void TWatchFolderPage::btnWFAddClick() {
    GuardedVoid("TCaplinForm.btnWFAddClick", [&] {
        const TWatchFolderSTLConvertSettings& settings = *context_.Session.WFSettings;
        IUserDialogs& dialogs = context_.Dialogs;
        TWatchFolderList& list = *context_.Session.WatchFolderList;
        std::string refusal;
        if (!list.MayAdd(settings.WatchFolder, settings.DestinationFolder, refusal)) {
            if (!refusal.empty())
                dialogs.ShowMessage(refusal);
            return;
        }
        std::unique_ptr<TWatchFolderItem> item = list.NewItem(settings);
        if (!item)
            return;
        list.Items.push_back(std::move(item));
        RefreshRowCount();
        KeepSelection();
        btnWFClearParamsClick();
        WFSettingsChanged() = false;
    });
}

void TWatchFolderPage::btnWFRemoveClick() {
    GuardedVoid("TCaplinForm.btnWFRemoveClick", [&] {
        auto& items = context_.Session.WatchFolderList->Items;
        RemoveSelected([&](size_t row) { items.erase(items.begin() + std::ptrdiff_t(row)); });
    });
}

void TWatchFolderPage::btnWFUpdateClick() {
    GuardedVoid("TCaplinForm.btnWFUpdateClick", [&] {
        auto& items = context_.Session.WatchFolderList->Items;
        const int row = SelectedRow();
        if (!RowExists(row))
            return context_.Dialogs.ShowMessage("No item selected.");
        if (!context_.Dialogs.AskYesNo(UpdatePrompt(row)))
            return;
        items[size_t(row)]->Settings.Assign(*context_.Session.WFSettings);
        RepaintList();
        WFSettingsChanged() = false;
    });
}

void TWatchFolderPage::RowSelected(bool key) {
    if (key)
        lvWatchFolderKeyUp();
    else
        lvWatchFolderClick();
}

void TWatchFolderPage::lvWatchFolderClick() {
    GuardedVoid("TCaplinForm.lvWatchFolderClick", [&] { SelectRow(); });
}

void TWatchFolderPage::lvWatchFolderKeyUp() {
    GuardedVoid("TCaplinForm.lvWatchFolderKeyUp", [&] { SelectRow(); });
}

void TWatchFolderPage::SelectRow() {
    TCaplinSession& session = context_.Session;
    if (!session.WatchFolderList || !session.WFSettings)
        return;
    auto& items = session.WatchFolderList->Items;
    const int row = SelectedRow();
    if (RowExists(row)) {
        const int previous = selectedIndex_;
        if (RowExists(previous) && WFSettingsChanged() &&
            context_.Dialogs.AskYesNo(UpdatePrompt(previous))) {
            items[size_t(previous)]->Settings.Assign(*session.WFSettings);
            RepaintList();
        }
        session.WFSettings->Assign(items[size_t(row)]->Settings);
        panel_->UpdateForm();
    }
    selectedIndex_ = row;
    WFSettingsChanged() = false;
}

void TWatchFolderPage::btnWFClearListClick() {
    GuardedVoid("TCaplinForm.btnWFClearListClick", [&] {
        context_.Session.WatchFolderList->ClearWatchFolderList();
        selectedIndex_ = -1;
        RefreshRowCount();
    });
}

void TWatchFolderPage::btnWFClearParamsClick() {
    GuardedVoid("TCaplinForm.btnWFClearParamsClick", [&] {
        panel_->ClearControls();
        FreeSubtitleFileTypeList(&context_.Session.WFSettings->SubtitleFileTypes);
        FreeHexFindAndReplaceList(&context_.Session.WFSettings->HexFindAndReplaceItems);
        panel_->UpdateSettings();
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::btnWFArmClick() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        TWatchRun& run = context_.Session.Watch;
        if (!run.Armed()) {
            const TRunStart start = run.Arm();
            if (!start.Refusal.empty())
                context_.Dialogs.ShowMessage(start.Refusal);
            if (start.Started) {
                btnWFArm_->setText(kDisarmCaption);
                // Each pass runs from the event loop, so Disarm and a close are handled
                // between two passes without a nested loop.
                armTimer_->start();
            }
        } else {
            armTimer_->stop();
            run.Disarm();
            btnWFArm_->setText(kArmCaption);
        }
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::ArmStep() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        if (context_.Session.Watch.Step() != TRunNext::Finished)
            return armTimer_->start();
        EndRunSilently();
        // The window's title and controls show the run has ended.
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::EndRunSilently() {
    btnWFArm_->setText(kArmCaption);
    context_.Session.Watch.Abandon();
}
