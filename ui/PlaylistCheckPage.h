// The Playlist Check page: the list of check entries with its buttons, and the panel in
// which one entry is edited.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
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
class QTimer;
class QWidget;
class TCaplinForm;
class TListTableModel;
class TPlaylistGroupCheck;

class TPlaylistCheckPage : public QObject {
    Q_OBJECT

public:
    // Builds the controls into page, whose layout must be a QVBoxLayout.
    TPlaylistCheckPage(TCaplinForm& form, QWidget* page);
    ~TPlaylistCheckPage() override;

    // Start-up, after the settings are loaded: column widths, the panel, the row count.
    void Loaded();
    void RefreshRowCount();
    void Refresh(bool idle);
    void StoreColumnWidths();
    // The settings are about to go: a check still under way is dropped.
    void Unloading();

    void UpdatePCSettings();
    void UpdatePCForm();
    void edPCCommentChange();
    void sePCClipDurationThresholdChange();
    void cbPCEnableClipDurationThresholdClick();

    void btnPCAddClick();
    void btnPCRemoveClick();
    void btnPCUpdateClick();
    void btnPCClearListClick();
    void btnPCClearParamsClick();
    void btnPCAddLanguageClick();
    void btnPCRemoveLanguageClick();
    void btnPCPlaylistsFolderBrowseClick();
    void btnPCSubtitlesFolderBrowseClick();
    void btnPCMissingsLogFolderBrowseClick();
    void lvPlaylistFolderClick();
    void btnPCCheckClick();

    // The row selected in the list view, -1 for none.
    int SelectedRow() const;
    // Entries checked to their end by the check under way, or by the last one.
    size_t EntriesChecked() const { return runIndex_; }

    // Set by an operator's change of the panel since it was last loaded or stored.
    bool PCSettingsChanged = false;
    // Set while a row is removed: the list view shows no row data meanwhile.
    bool PCRemoving = false;
    // How long one step of a check may go on before the window takes its events again.
    std::chrono::milliseconds StepBudget{40};

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
    // Steps the check; each entry waits for it once, each slice of an entry runs from it.
    QTimer* RunTimer = nullptr;

protected:
    // A click or a released key in the list selects as lvPlaylistFolderClick.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildPanel(QWidget* parent);
    bool RowExists(int row) const;
    void BrowseFolder(const char* caption, QLineEdit* edit);
    void StartRun();
    void RunStep();
    // Checks what is left of the entry under way and counts it.
    void FinishEntryUnderWay();
    void EndEntry();
    void EndRun();

    TCaplinForm& form_;
    bool running_ = false;
    size_t runCount_ = 0; // taken once, when the check starts
    size_t runIndex_ = 0; // the entry under way, or the next one
    std::unique_ptr<TPlaylistGroupCheck> entryCheck_;
};

// Empties the list box, then adds the long name of each code's language row in list order;
// codes without a row are skipped. Each item carries the position of its code in codes.
void RefreshLanguagesListBox(const std::vector<int32_t>& codes, QListWidget* listBox);
