// The Watch Folder page: the list of watch folders with its buttons, the conversion settings
// panel of the folder being edited, and the armed run that converts what the folders receive.
#pragma once

#include <QObject>

class QEvent;
class QPushButton;
class QTableView;
class QTimer;
class QWidget;
class TCaplinForm;
class TConversionSettingsPanel;
class TListTableModel;

class TWatchFolderPage : public QObject {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TWatchFolderPage(TCaplinForm& form, QWidget* page);

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
    // Sizes the list view to the list and repaints it.
    void RefreshRowCount();
    // Enabling of the page's own controls and of its settings panel.
    void Refresh(bool idle);
    // The present column widths into the form's stored widths.
    void StoreColumnWidths();
    // Row of the list view's selection, -1 when none.
    int SelectedRow() const;

    // The operator changed the panel since it was last loaded from or stored into a row. The
    // panel's change handlers keep it, so it lives there alone.
    bool& WFSettingsChanged();
    // Set while a row is being removed; the list view draws no row data meanwhile.
    bool WFRemoving = false;

    QTableView* lvWatchFolder = nullptr;
    TListTableModel* Model = nullptr;
    QPushButton* btnWFAdd = nullptr;
    QPushButton* btnWFRemove = nullptr;
    QPushButton* btnWFUpdate = nullptr;
    QPushButton* btnWFClearList = nullptr;
    QPushButton* btnWFClearParams = nullptr;
    QPushButton* btnWFArm = nullptr;
    // The settings panel is placed into this widget's layout.
    QWidget* WFSettingsPanelHost = nullptr;
    TConversionSettingsPanel* Panel = nullptr;
    // One pass of the armed run per timeout, restarted after each pass.
    QTimer* ArmTimer = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectRow();
    void ArmStep();
    // The run ended without Disarm (a close): the folders stop, no log line is written.
    void EndRunSilently();
    void RepaintList();

    TCaplinForm& form_;
};
