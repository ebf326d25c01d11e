// The main window: three pages over the shared log and message panes, and the menu. It only
// assembles: what it loads at start and saves at close is its session, and the pages drive
// the session's runs.
#pragma once

#include <memory>

#include <QMainWindow>

#include "logs/LogsAndMessages.h"
#include "session/CaplinSession.h"
#include "ui/PageContext.h"

class QAction;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
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

    TCaplinSession& Session() { return session_; }

    // Handlers.
    void FormShow();
    bool FormCloseQuery(); // true when the close may go on
    void FormClose();
    bool PageControlChanging(); // true when the tab may change
    void PageControlChange();
    void Properties1Click();
    void LanguagesSetup1Click();
    void CheckSTLFiles1Click();
    void ViewSTLFile1Click();
    void About1Click();
    void Exit1Click();
    void cbMessagesFilterChange(int index);

    void InitializeConverter();
    void DeinitializeConverter();
    void GeneralRefresh();

    // A close asked for from outside (SIGTERM, SIGINT): a running run is stopped without a
    // question.
    void CloseWithoutQuestion();
    // The settings file exists but could not be read: the operator is told, and at close the
    // settings go to a file of their own instead of over it.
    void SettingsFileNotRead(const std::string& path);
    // Writes the settings file; when that fails the settings are saved to the temporary
    // folder and the operator is told where.
    bool SaveSettingsFile();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildLogsGroup(QWidget* parent);
    QWidget* BuildMessagesGroup(QWidget* parent);
    void BuildMenu();
    void FillMessagesFilterCombo();
    void OnCurrentTabChanged(int index);
    void LayOutHiddenPages();

    // TLogsObserver: the panes.
    void LogPaneCleared() override;
    void LogPaneLineAdded(const std::string& line) override;
    void MessagesPaneCleared() override;
    void MessagesPaneLineAdded(const std::string& line, int32_t type) override;
    void CountersChanged(int32_t errors, int32_t warnings) override;
    void FilterVisibilityChanged(bool visible) override;

    TCaplinSession session_;
    std::unique_ptr<IUserDialogs> ownDialogs_;
    IUserDialogs* dialogs_;
    std::unique_ptr<TPageContext> context_;
    bool shown_ = false;
    bool closeWithoutQuestion_ = false;
    int shownTab_ = 0; // the tab before a change, to go back to when a change is refused

    QTabWidget* PageControl_ = nullptr;
    QPlainTextEdit* memLogs_ = nullptr;
    QPlainTextEdit* memMessages_ = nullptr;
    QComboBox* cbMessagesFilter_ = nullptr;
    QLineEdit* edErrors_ = nullptr;
    QLineEdit* edWarnings_ = nullptr;
    QAction* Properties1_ = nullptr;
    QAction* LanguagesSetup1_ = nullptr;
    QAction* CheckSTLFiles1_ = nullptr;
    QAction* ViewSTLFile1_ = nullptr;
    QAction* Exit1_ = nullptr;
    QAction* About1_ = nullptr;
    TBatchPage* batchPage_ = nullptr;
    TWatchFolderPage* watchFolderPage_ = nullptr;
    TPlaylistCheckPage* playlistCheckPage_ = nullptr;
};
