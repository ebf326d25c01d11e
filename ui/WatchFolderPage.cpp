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
#include "session/EntryLists.h"
#include "ui/PageContext.h"
#include "ui/RunCaptions.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"

TWatchFolderPage::TWatchFolderPage(TPageContext& context, QWidget* page)
    : TEntryListPage(context, page, WatchFolderEntries(), "WF", kArmCaption, "lvWatchFolder",
                     "Watch folders") {
    panel_ = new TConversionSettingsPanel("WF", context.Dialogs, context.Session.MainSettings(),
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

    connect(btnAdd_, &QPushButton::clicked, this, [this] { btnWFAddClick(); });
    connect(btnRemove_, &QPushButton::clicked, this, [this] { btnWFRemoveClick(); });
    connect(btnUpdate_, &QPushButton::clicked, this, [this] { btnWFUpdateClick(); });
    connect(btnClearList_, &QPushButton::clicked, this, [this] { btnWFClearListClick(); });
    connect(btnClearParams_, &QPushButton::clicked, this, [this] { btnWFClearParamsClick(); });
    connect(btnRun_, &QPushButton::clicked, this, [this] { btnWFArmClick(); });
}

bool& TWatchFolderPage::PanelChanged() {
    return panel_->SettingsChanged;
}

void TWatchFolderPage::ShowEditedEntry() {
    panel_->UpdateForm();
}

std::string TWatchFolderPage::UpdatePrompt(size_t row, bool) const {
    return "Do you want to update Watch Folder #" + std::to_string(row + 1) + " ?";
}

void TWatchFolderPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdateWFForm", [&] {
        panel_->SetSettings(context_.Session.WFSettings());
        panel_->UpdateForm();
        ApplyColumnWidths(context_.Session.Layout().ColumnWidths[lvWatchFolder],
                          context_.Session.Layout().StoredWidths[lvWatchFolder]);
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
    EnableListControls(idle);
    panel_->RefreshEnabling(!idle);
}

void TWatchFolderPage::btnWFAddClick() {
    GuardedVoid("TCaplinForm.btnWFAddClick", [&] { AddEntry(); });
}

void TWatchFolderPage::btnWFRemoveClick() {
    GuardedVoid("TCaplinForm.btnWFRemoveClick", [&] { RemoveSelected(); });
}

void TWatchFolderPage::btnWFUpdateClick() {
    GuardedVoid("TCaplinForm.btnWFUpdateClick", [&] { UpdateEntry(); });
}

void TWatchFolderPage::RowSelected(bool key) {
    if (key)
        lvWatchFolderKeyUp();
    else
        lvWatchFolderClick();
}

void TWatchFolderPage::lvWatchFolderClick() {
    GuardedVoid("TCaplinForm.lvWatchFolderClick", [&] { SelectEntry(); });
}

void TWatchFolderPage::lvWatchFolderKeyUp() {
    GuardedVoid("TCaplinForm.lvWatchFolderKeyUp", [&] { SelectEntry(); });
}

void TWatchFolderPage::btnWFClearListClick() {
    GuardedVoid("TCaplinForm.btnWFClearListClick", [&] {
        context_.Session.WatchFolderList()->ClearWatchFolderList();
        selectedIndex_ = -1;
        RefreshRowCount();
    });
}

void TWatchFolderPage::btnWFClearParamsClick() {
    GuardedVoid("TCaplinForm.btnWFClearParamsClick", [&] {
        panel_->ClearControls();
        FreeSubtitleFileTypeList(&context_.Session.WFSettings()->SubtitleFileTypes);
        FreeHexFindAndReplaceList(&context_.Session.WFSettings()->HexFindAndReplaceItems);
        panel_->UpdateSettings();
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::btnWFArmClick() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        TWatchRun& run = context_.Session.Watch();
        if (!run.Armed()) {
            const TRunStart start = run.Arm();
            if (!start.Refusal.empty())
                context_.Dialogs.ShowMessage(start.Refusal);
            if (start.Started) {
                btnRun_->setText(kDisarmCaption);
                // Each pass runs from the event loop, so Disarm and a close are handled
                // between two passes without a nested loop.
                armTimer_->start(kRunPause);
            }
        } else {
            armTimer_->stop();
            run.Disarm();
            btnRun_->setText(kArmCaption);
        }
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::ArmStep() {
    GuardedVoid("TCaplinForm.btnWFArmClick", [&] {
        // After a pass that converted a file the next follows once pending events are
        // handled; after an idle one, the pause.
        switch (context_.Session.Watch().Step()) {
        case TRunNext::Now:
            return armTimer_->start(0);
        case TRunNext::AfterPause:
            return armTimer_->start(kRunPause);
        case TRunNext::Finished:
            break;
        }
        EndRunSilently();
        // The window's title and controls show the run has ended.
        context_.GeneralRefresh();
    });
}

void TWatchFolderPage::EndRunSilently() {
    btnRun_->setText(kArmCaption);
    context_.Session.Watch().Abandon();
}
