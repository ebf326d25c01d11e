// The controls of one conversion settings object, built once for the Batch page ("B") and
// once for the Watch Folder page ("WF"). Every change of a control is written into the
// object at once; filling the controls from the object writes nothing back.
#pragma once

#include <functional>
#include <string>

#include <QWidget>

#include "convert/STLConvertSettings.h"
#include "session/MainSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollArea;
class QSpinBox;
class IUserDialogs;

// The time code "HHMMSSFF" of four spin edits.
void TimeCodeEditsToString(const QSpinBox* hour, const QSpinBox* minute, const QSpinBox* second,
                           const QSpinBox* frame, std::string& text);
// Cuts text into four 2-character pieces, clamps them and sets the spin edits.
bool RefreshTimeCode(const std::string& text, QSpinBox* hour, QSpinBox* minute, QSpinBox* second,
                     QSpinBox* frame);
void PositionLanguagePredefinedCombo(QComboBox* combo, const std::string& code);
void RefreshTapeIDListView(const TSubtitleFileTypeList& list, QListWidget* listBox);
void RefreshHexFindReplaceListView(const THexFindAndReplaceList& list, QListWidget* listBox);

void FillTapeIDCombo(QComboBox* combo, int index);
void FillLanguageSourceCombo(QComboBox* combo, int index);
void FillLanguagePredefinedCombo(QComboBox* combo, int index);
void FillTimeCodeStartOfProgrammeCombo(QComboBox* combo, int index);
void FillMoveProcessedFiles(QComboBox* combo, int index);
void FillCodePageNumberCombo(QComboBox* combo, int index);
void FillCharacterCodeTableNumberCombo(QComboBox* combo, int index);
void FillDisplayStandardCodeCombo(QComboBox* combo, int index);
void FillQualityCheckCombo(QComboBox* combo, int index);

class TConversionSettingsPanel : public QWidget {
    Q_OBJECT

public:
    // prefix is "B" or "WF"; the WF panel also carries the watch folder and the comment.
    // generalRefresh is the window's refresh, run before the governing controls write back;
    // updating is the window's flag, shared by everything that fills or writes back controls.
    TConversionSettingsPanel(const std::string& prefix, IUserDialogs& dialogs,
                             const TMainSettings& mainSettings, bool& updating,
                             std::function<void()> generalRefresh, QWidget* parent = nullptr);

    // The object edited; it must outlive its use here (null: nothing is filled or written).
    void SetSettings(TSTLConvertSettings* settings) { settings_ = settings; }
    TSTLConvertSettings* Settings() const { return settings_; }

    void UpdateForm();
    void UpdateSettings();
    // Every control to its first item, unticked, empty or zero (Clear Params); the custom
    // code page shows 850. Nothing is written back.
    void ClearControls();
    // Enabling of every control; all disabled while a conversion runs.
    void RefreshEnabling(bool conversionInProgress);
    // The two "Configure" buttons: the dialog edits the settings object's own list, and on OK
    // the list box shows it again.
    void btnTapeIDConfigureClick();
    void btnHexConfigureClick();

    bool& Updating;
    // Set at the operator's change of a WF control; read by the Watch Folder page.
    bool SettingsChanged = false;

    QLineEdit* edWatchFolder = nullptr; // WF only
    QPushButton* btnWatchFolder = nullptr;
    QLineEdit* edComment = nullptr; // WF only
    QLineEdit* edDestFolder = nullptr;
    QPushButton* btnDestFolder = nullptr;
    QComboBox* cbTapeID = nullptr;
    QLabel* lblTapeID = nullptr;
    QLineEdit* edTapeID = nullptr;
    QListWidget* lbxTapeID = nullptr;
    QPushButton* btnTapeIDConfigure = nullptr;
    QComboBox* cbLanguageSource = nullptr;
    QLabel* lblLanguage = nullptr;
    QComboBox* cbLanguagePredefined = nullptr;
    QCheckBox* cbPerformLanguageCheck = nullptr;
    QCheckBox* cbRemoveZeroPage = nullptr;
    QLabel* lblZeroPageKeyWord = nullptr;
    QLineEdit* edZeroPageKeyWord = nullptr;
    QComboBox* cbTimeCodeStartOfProgramme = nullptr;
    QLabel* lblHour = nullptr;
    QLabel* lblMin = nullptr;
    QLabel* lblSec = nullptr;
    QLabel* lblFrame = nullptr;
    QSpinBox* seHour = nullptr;
    QSpinBox* seMin = nullptr;
    QSpinBox* seSec = nullptr;
    QSpinBox* seFrame = nullptr;
    QCheckBox* cbOverwriteDestination = nullptr;
    QComboBox* cbMoveProcessedFiles = nullptr;
    QLineEdit* edMoveProcessedFiles = nullptr;
    QPushButton* btnMoveProcessedFiles = nullptr;
    QComboBox* cbCodePageNumber = nullptr;
    QLabel* lblCodePageNumber = nullptr;
    QSpinBox* seCodePageNumber = nullptr;
    QComboBox* cbCharacterCodeTableNumber = nullptr;
    QComboBox* cbDisplayStandardCode = nullptr;
    QListWidget* lbHexFindAndReplace = nullptr;
    QPushButton* btnHexConfigure = nullptr;
    QComboBox* cbQualityCheck = nullptr;

private:
    void Build();
    // One builder per group of controls, top to bottom; the WF panel's come first and last.
    QGroupBox* BuildWatchFolderGroup();
    QGroupBox* BuildDestinationGroup();
    QGroupBox* BuildParsingGroup();
    QGroupBox* BuildHexGroup();
    QGroupBox* BuildZeroPageGroup();
    QGroupBox* BuildTimeCodeGroup();
    QGroupBox* BuildMoveGroup();
    QGroupBox* BuildHeaderCodesGroup();
    QLayout* BuildQualityCheckRow();
    QLayout* BuildCommentRow();
    void Connect();
    // A plain control changed: write back (WF: and note the operator's change).
    void PlainChange(const char* name);
    // A governing control changed: the enabling first, then the write-back.
    void GoverningChange(const char* name);
    // The operator changed a control (not the filling of the panel).
    void NoteChange();
    void BrowseFolder(const char* name, const std::string& title, QLineEdit* edit);
    std::string Name(const std::string& routine) const;

    std::string prefix_;
    bool watchFolder_;
    IUserDialogs& dialogs_;
    const TMainSettings& mainSettings_;
    std::function<void()> generalRefresh_;
    TSTLConvertSettings* settings_ = nullptr;
    std::string updateFormName_;
    std::string updateSettingsName_;
};

// The panel in a frameless scroll area that is never smaller than the panel: a window of at
// least its default size shows every control without a scroll bar; only a screen too small
// for the window scrolls.
QScrollArea* NewPanelArea(TConversionSettingsPanel* panel, const char* name, QWidget* parent);
