// The Playlist Check page: the list of check entries with its buttons, the panel in which
// one entry is edited, and the session's playlist check, stepped by a timer.
#pragma once

#include "ui/EntryListPage.h"

class QTimer;
class TPlaylistCheckPanel;

class TPlaylistCheckPage : public TEntryListPage {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TPlaylistCheckPage(TPageContext& context, QWidget* page);

    // Start-up, after the settings are loaded: column widths, the panel, the row count.
    void Loaded();
    void Refresh(bool idle);
    // The settings are about to go: a check still under way is dropped.
    void Unloading();
    TPlaylistCheckPanel& Panel() { return *panel_; }

    void btnPCAddClick();
    void btnPCRemoveClick();
    void btnPCUpdateClick();
    void btnPCClearListClick();
    void btnPCClearParamsClick();
    void lvPlaylistFolderClick();
    void btnPCCheckClick();

private:
    bool& PanelChanged() override;
    void ShowEditedEntry() override;
    void ClearPanel() override { btnPCClearParamsClick(); }
    std::string UpdatePrompt(size_t row, bool selecting) const override;
    void RowSelected(bool) override { lvPlaylistFolderClick(); }
    void RemoveSelectedEntry() override { btnPCRemoveClick(); }
    void RunStep();
    void RunEnded();

    TPlaylistCheckPanel* panel_ = nullptr;
    // Steps the check; each entry waits for it once, each slice of an entry runs from it.
    QTimer* runTimer_ = nullptr;
};
