// The Watch Folder page: the list of watch folders with its buttons, and on the right the
// host of the conversion settings panel.
#pragma once

#include <QObject>

class QPushButton;
class QTableView;
class QWidget;
class TCaplinForm;
class TListTableModel;

class TWatchFolderPage : public QObject {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TWatchFolderPage(TCaplinForm& form, QWidget* page);

    // Start-up, after the settings are loaded: column widths and the row count.
    void Loaded();
    // Sizes the list view to the list and repaints it.
    void RefreshRowCount();
    void Refresh(bool idle);
    // The present column widths into the form's stored widths.
    void StoreColumnWidths();

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

private:
    TCaplinForm& form_;
};
