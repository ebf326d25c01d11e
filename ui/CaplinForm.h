// The main window: three pages over the shared log and message panes, the menu, start-up
// and shutdown of everything the pages work on, and the saving of all settings at close.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "convert/STLConvertSettings.h"
#include "logs/LogsAndMessages.h"
#include "session/MainSettings.h"
#include "playlist/PlaylistCheckList.h"
#include "playlist/PlaylistCheckSettings.h"
#include "watchfolder/WatchFolderList.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

class QAction;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class IUserDialogs;
class TBatchPage;
class TPlaylistCheckPage;
class TWatchFolderPage;

class TCaplinForm : public QMainWindow, private TLogsObserver {
    Q_OBJECT

public:
    // dialogs answers every message box; null means the real boxes.
    explicit TCaplinForm(IUserDialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~TCaplinForm() override;

    // Handlers.
    void FormShow();
    bool FormCloseQuery(); // true when the close may go on
    void FormClose();
    bool PageControlChanging(); // true when the tab may change
    void PageControlChange();
    void Properties1Click();
    void LanguagesSetup1Click();
    void About1Click();
    void Exit1Click();
    void cbMessagesFilterChange(int index);

    void InitializeConverter();
    void DeinitializeConverter();
    bool LoadRegistry();
    bool SaveRegistry();
    void GeneralRefresh();
    // The frame-rate policy of the Properties dialog into the editing settings and every
    // watch folder.
    bool UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps);

    // A close asked for from outside (SIGTERM, SIGINT): a running run is stopped without a
    // question.
    void CloseWithoutQuestion();
    // The settings file exists but could not be read: the operator is told, and at close the
    // settings go to a file of their own instead of over it.
    void SettingsFileNotRead(const std::string& path);
    // Writes the settings file; when that fails the settings are saved to the temporary
    // folder and the operator is told where.
    bool SaveSettingsFile();

    TMainSettings MainSettings;
    std::unique_ptr<TSTLConvertSettings> BatchSettings;
    std::unique_ptr<TWatchFolderList> WatchFolderList;
    std::unique_ptr<TWatchFolderSTLConvertSettings> WFSettings;
    std::unique_ptr<TPlaylistCheckList> PlaylistCheckList;
    std::unique_ptr<TPlaylistCheckSettings> PCSettings;
    TLogsAndMessages Logs;
    bool ConversionInProgress = false;
    // Set while controls are filled from a settings object or written back, so that the change
    // handlers this sets off write nothing.
    bool Updating = false;
    int32_t WatchFolderCheckIntervalMS = 5000;
    int32_t WFSelectedIndex = -1;
    int32_t PCSelectedIndex = -1;
    // Kept here until the list views exist; the pages apply and update them.
    std::array<std::vector<int32_t>, 3> ColumnWidths;

    // Controls, named as their objectName.
    QTabWidget* PageControl = nullptr;
    QWidget* tsBatch = nullptr;
    QWidget* tsWatchFolder = nullptr;
    QWidget* tsPlaylistCheck = nullptr;
    QPlainTextEdit* memLogs = nullptr;
    QPushButton* btnLogsClear = nullptr;
    QPlainTextEdit* memMessages = nullptr;
    QPushButton* btnMessagesClear = nullptr;
    QComboBox* cbMessagesFilter = nullptr;
    QLineEdit* edErrors = nullptr;
    QLineEdit* edWarnings = nullptr;
    QAction* Properties1 = nullptr;
    QAction* LanguagesSetup1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* About1 = nullptr;
    TBatchPage* BatchPage = nullptr;
    TWatchFolderPage* WatchFolderPage = nullptr;
    TPlaylistCheckPage* PlaylistCheckPage = nullptr;

    IUserDialogs& Dialogs() { return *dialogs_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void FillMessagesFilterCombo();
    void OnCurrentTabChanged(int index);

    // TLogsObserver: the panes.
    void LogPaneCleared() override;
    void LogPaneLineAdded(const std::string& line) override;
    void MessagesPaneCleared() override;
    void MessagesPaneLineAdded(const std::string& line, int32_t type) override;
    void CountersChanged(int32_t errors, int32_t warnings) override;
    void FilterVisibilityChanged(bool visible) override;

    std::unique_ptr<IUserDialogs> ownDialogs_;
    IUserDialogs* dialogs_;
    bool shown_ = false;
    bool initialized_ = false;
    bool closeWithoutQuestion_ = false;
    bool settingsFileNotRead_ = false;
    int shownTab_ = 0; // the tab before a change, to go back to when a change is refused
};
