// The Watch Folder page: the list of watch folders with its buttons, the conversion settings
// panel of the folder being edited, and the arming of the session's watch run, stepped by a
// timer.
#pragma once

#include "ui/EntryListPage.h"

class QTimer;
class TConversionSettingsPanel;

class TWatchFolderPage : public TEntryListPage {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TWatchFolderPage(TPageContext& context, QWidget* page);

    void btnWFAddClick();
    void btnWFRemoveClick();
    void btnWFUpdateClick();
    void btnWFClearListClick();
    void btnWFClearParamsClick();
    void btnWFArmClick();
    void lvWatchFolderClick();
    void lvWatchFolderKeyUp();

    // Start-up, after the settings are loaded: the panel, column widths and the row count.
    void Loaded();
    // The list and the editing settings are about to go: the run ends, every started folder
    // is stopped and the panel lets go of the settings.
    void Unloading();
    // Enabling of the page's own controls and of its settings panel.
    void Refresh(bool idle);
    TConversionSettingsPanel& Panel() { return *panel_; }

private:
    bool& PanelChanged() override;
    void ShowEditedEntry() override;
    void ClearPanel() override { btnWFClearParamsClick(); }
    std::string UpdatePrompt(size_t row, bool selecting) const override;
    void RowSelected(bool key) override;
    void RemoveSelectedEntry() override { btnWFRemoveClick(); }
    void ArmStep();
    // The run ended without Disarm (a close): the folders stop, no log line is written.
    void EndRunSilently();

    TConversionSettingsPanel* panel_ = nullptr;
    // One pass of the armed run per timeout, restarted after each pass.
    QTimer* armTimer_ = nullptr;
};
