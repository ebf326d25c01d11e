#include "ui/PlaylistCheckPage.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "session/CaplinSession.h"
#include "session/EntryLists.h"
#include "ui/PageContext.h"
#include "ui/PlaylistCheckPanel.h"
#include "ui/RunCaptions.h"
#include "ui/UserDialogs.h"

TPlaylistCheckPage::TPlaylistCheckPage(TPageContext& context, QWidget* page)
    : TEntryListPage(context, page, PlaylistEntries(), "PC", kCheckCaption, "lvPlaylistFolder",
                     "Playlist check entries") {
    panel_ = new TPlaylistCheckPanel(context, page);
    auto* row = new QHBoxLayout;
    row->addWidget(host_, 1);
    row->addWidget(panel_, 1);
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);

    runTimer_ = new QTimer(this);
    runTimer_->setObjectName("tmrPCCheck");
    runTimer_->setSingleShot(true);
    connect(runTimer_, &QTimer::timeout, this, [this] { RunStep(); });

    const std::initializer_list<std::pair<QPushButton*, void (TPlaylistCheckPage::*)()>> clicks = {
        {btnRun_, &TPlaylistCheckPage::btnPCCheckClick},
        {btnClearList_, &TPlaylistCheckPage::btnPCClearListClick},
        {btnAdd_, &TPlaylistCheckPage::btnPCAddClick},
        {btnRemove_, &TPlaylistCheckPage::btnPCRemoveClick},
        {btnUpdate_, &TPlaylistCheckPage::btnPCUpdateClick},
        {btnClearParams_, &TPlaylistCheckPage::btnPCClearParamsClick}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
}

bool& TPlaylistCheckPage::PanelChanged() {
    return panel_->PCSettingsChanged;
}

void TPlaylistCheckPage::ShowEditedEntry() {
    panel_->UpdatePCForm();
}

std::string TPlaylistCheckPage::UpdatePrompt(size_t row, bool selecting) const {
    return (selecting ? "Do you want to update Playlist check item #"
                      : "Do you want to update Playlist Check Item #") +
           std::to_string(row + 1) + " ?";
}

void TPlaylistCheckPage::Loaded() {
    GuardedVoid("TCaplinForm.UpdatePCForm", [&] {
        ApplyColumnWidths(context_.Session.Layout().ColumnWidths[lvPlaylistsCheck],
                          context_.Session.Layout().StoredWidths[lvPlaylistsCheck]);
    });
    panel_->SetSettings(context_.Session.PCSettings());
    panel_->UpdatePCForm();
    RefreshRowCount();
    selectedIndex_ = -1;
    panel_->PCSettingsChanged = false;
}

void TPlaylistCheckPage::Refresh(bool idle) {
    // "Check" stays usable so that a running check can be stopped.
    EnableListControls(idle);
    panel_->RefreshEnabling(idle);
}

void TPlaylistCheckPage::Unloading() {
    runTimer_->stop();
    context_.Session.PlaylistCheck().Abandon();
    btnRun_->setText(kCheckCaption);
    panel_->SetSettings(nullptr);
}

void TPlaylistCheckPage::btnPCAddClick() {
    GuardedVoid("TCaplinForm.btnPCAddClick", [&] { AddEntry(); });
}

void TPlaylistCheckPage::btnPCRemoveClick() {
    GuardedVoid("TCaplinForm.btnPCRemoveClick", [&] { RemoveSelected(); });
}

void TPlaylistCheckPage::btnPCUpdateClick() {
    GuardedVoid("TCaplinForm.btnPCUpdateClick", [&] { UpdateEntry(); });
}

void TPlaylistCheckPage::lvPlaylistFolderClick() {
    GuardedVoid("TCaplinForm.lvPlaylistFolderClick", [&] { SelectEntry(); });
}

void TPlaylistCheckPage::btnPCClearListClick() {
    GuardedVoid("TCaplinForm.btnPCClearListClick", [&] {
        context_.Session.PlaylistCheckList()->ClearPlaylistCheckList();
        RefreshRowCount();
        // No entry is left for the index to name; later entries must not inherit it.
        selectedIndex_ = -1;
    });
}

void TPlaylistCheckPage::btnPCClearParamsClick() {
    GuardedVoid("TCaplinForm.btnPCClearParamsClick", [&] {
        panel_->ClearControls();
        panel_->UpdatePCSettings();
        context_.GeneralRefresh();
    });
}

void TPlaylistCheckPage::btnPCCheckClick() {
    GuardedVoid("TCaplinForm.btnPCCheckClick", [&] {
        TPlaylistCheckRun& run = context_.Session.PlaylistCheck();
        if (!run.Running()) {
            const TRunStart start = run.Start();
            if (!start.Refusal.empty())
                context_.Dialogs.ShowMessage(start.Refusal);
            if (!start.Started)
                return;
            btnRun_->setText(kStopCaption);
            context_.GeneralRefresh();
            // Every step returns to the event loop, so Stop and a close request are handled
            // between two slices without a nested loop.
            runTimer_->start(kRunPause);
            return;
        }
        runTimer_->stop();
        run.Stop();
        RunEnded();
    });
}

void TPlaylistCheckPage::RunStep() {
    GuardedVoid("TCaplinForm.btnPCCheckClick", [&] {
        switch (context_.Session.PlaylistCheck().Step()) {
        case TRunNext::Now:
            return runTimer_->start(0);
        case TRunNext::AfterPause:
            return runTimer_->start(kRunPause);
        case TRunNext::Finished:
            return RunEnded();
        }
    });
}

void TPlaylistCheckPage::RunEnded() {
    btnRun_->setText(kCheckCaption);
    context_.GeneralRefresh();
}
