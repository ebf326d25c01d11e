// The Playlist Check page: the list of check entries with its buttons, and the panel in
// which one entry is edited.
#pragma once

#include <cstdint>
#include <vector>

#include <QObject>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableView;
class QWidget;
class TCaplinForm;
class TListTableModel;

class TPlaylistCheckPage : public QObject {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TPlaylistCheckPage(TCaplinForm& form, QWidget* page);

    // Start-up, after the settings are loaded: column widths, the panel, the row count.
    void Loaded();
    void RefreshRowCount();
    void Refresh(bool idle);
    void StoreColumnWidths();

    void UpdatePCSettings();
    void UpdatePCForm();
    void edPCCommentChange();
    void sePCClipDurationThresholdChange();
    void cbPCEnableClipDurationThresholdClick();

    // Set by an operator's change of the panel since it was last loaded or stored.
    bool PCSettingsChanged = false;

    QTableView* lvPlaylistFolder = nullptr;
    TListTableModel* Model = nullptr;
    QPushButton* btnPCCheck = nullptr;
    QPushButton* btnPCClearList = nullptr;
    QPushButton* btnPCAdd = nullptr;
    QPushButton* btnPCRemove = nullptr;
    QPushButton* btnPCUpdate = nullptr;
    QPushButton* btnPCClearParams = nullptr;
    QLineEdit* edPCPlaylistsFolder = nullptr;
    QPushButton* btnPCPlaylistsFolderBrowse = nullptr;
    QLineEdit* edPCSubtitlesFolder = nullptr;
    QPushButton* btnPCSubtitlesFolderBrowse = nullptr;
    QListWidget* lbPCLanguageCheckList = nullptr;
    QLabel* lblPCLanguage = nullptr;
    QComboBox* cbPCLanguage = nullptr;
    QPushButton* btnPCAddLanguage = nullptr;
    QPushButton* btnPCRemoveLanguage = nullptr;
    QLineEdit* edPCComment = nullptr;
    QLineEdit* edPCMissingsLogFolder = nullptr;
    QPushButton* btnPCMissingsLogFolderBrowse = nullptr;
    QCheckBox* cbPCEnableClipDurationThreshold = nullptr;
    QLabel* lblPCClipDurationThreshold = nullptr;
    QSpinBox* sePCClipDurationThreshold = nullptr;
    QLabel* lblPCSeconds = nullptr;

private:
    QWidget* BuildPanel(QWidget* parent);

    TCaplinForm& form_;
};

// Empties the list box, then adds the long name of each code's language row in list order;
// codes without a row are skipped.
void RefreshLanguagesListBox(const std::vector<int32_t>& codes, QListWidget* listBox);
