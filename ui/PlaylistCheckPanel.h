// The panel of the Playlist Check page in which one entry is edited: its folders, the
// languages to check, the comment and the clip-duration threshold. Every change of a control
// is written into the settings object at once; filling the controls writes nothing back.
#pragma once

#include <cstdint>
#include <vector>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class TPlaylistCheckSettings;
struct TPageContext;

class TPlaylistCheckPanel : public QWidget {
    Q_OBJECT

public:
    TPlaylistCheckPanel(TPageContext& context, QWidget* parent);

    // The object edited; it must outlive its use here (null: nothing is filled or written).
    void SetSettings(TPlaylistCheckSettings* settings) { settings_ = settings; }

    void UpdatePCSettings();
    void UpdatePCForm();
    // Empties every control and the language list (Clear Params).
    void ClearControls();
    // Enabling of every control; all disabled while a check runs.
    void RefreshEnabling(bool idle);

    void edPCCommentChange();
    void sePCClipDurationThresholdChange();
    void cbPCEnableClipDurationThresholdClick();
    void btnPCAddLanguageClick();
    void btnPCRemoveLanguageClick();
    void btnPCPlaylistsFolderBrowseClick();
    void btnPCSubtitlesFolderBrowseClick();
    void btnPCMissingsLogFolderBrowseClick();

    // Set by an operator's change of the panel since it was last loaded or stored.
    bool PCSettingsChanged = false;

private:
    QGroupBox* FolderGroup(const char* title, const char* groupName, QLineEdit*& edit,
                           const char* editName, QPushButton*& browse, const char* browseName);
    QGroupBox* BuildLanguages();
    QGroupBox* BuildThreshold();
    void Connect();
    void BrowseFolder(const char* caption, QLineEdit* edit);
    // A change made by the operator, not by filling the controls.
    void NoteChange();

    TPageContext& context_;
    TPlaylistCheckSettings* settings_ = nullptr;

    QLineEdit* edPCPlaylistsFolder_ = nullptr;
    QPushButton* btnPCPlaylistsFolderBrowse_ = nullptr;
    QLineEdit* edPCSubtitlesFolder_ = nullptr;
    QPushButton* btnPCSubtitlesFolderBrowse_ = nullptr;
    QListWidget* lbPCLanguageCheckList_ = nullptr;
    QLabel* lblPCLanguage_ = nullptr;
    QComboBox* cbPCLanguage_ = nullptr;
    QPushButton* btnPCAddLanguage_ = nullptr;
    QPushButton* btnPCRemoveLanguage_ = nullptr;
    QLineEdit* edPCComment_ = nullptr;
    QLineEdit* edPCMissingsLogFolder_ = nullptr;
    QPushButton* btnPCMissingsLogFolderBrowse_ = nullptr;
    QCheckBox* cbPCEnableClipDurationThreshold_ = nullptr;
    QLabel* lblPCClipDurationThreshold_ = nullptr;
    QSpinBox* sePCClipDurationThreshold_ = nullptr;
};

// Empties the list box, then adds the long name of each code's language row in list order;
// codes without a row are skipped. Each item carries the position of its code in codes.
void RefreshLanguagesListBox(const std::vector<int32_t>& codes, QListWidget* listBox);
