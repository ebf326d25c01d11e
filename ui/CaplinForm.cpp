#include "ui/CaplinForm.h"

#include <algorithm>
#include <clocale>
#include <ctime>
#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "lang/STLCustomLangUtils.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "ui/BatchPage.h"
#include "ui/LanguagesDialog.h"
#include "ui/PlaylistCheckPage.h"
#include "ui/PropertiesDialog.h"
#include "ui/SettingsPanel.h"
#include "ui/UserDialogs.h"
#include "ui/WatchFolderPage.h"

namespace {

constexpr const char* kActivePageIndex = "ActivePageIndex";
const std::array<const char*, 3> kColumnWidthPrefixes = {"BatchList_", "WatchFolderList_",
                                                         "PlaylistsCheckList_"};
// "Status" of the batch list has the width a new list view column gets.
const std::array<std::vector<int32_t>, 3> kDefaultColumnWidths = {
    std::vector<int32_t>{30, 200, 100}, std::vector<int32_t>{30, 200, 200, 60},
    std::vector<int32_t>{30, 200, 200, 60}};

std::string ColumnWidthName(int list, size_t column) {
    return kColumnWidthPrefixes[list] + std::to_string(column) + "_Width";
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void SetColours(QLineEdit* edit, const QColor& text, const QColor& base) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, base);
    edit->setPalette(palette);
}

} // namespace

TCaplinForm::TCaplinForm(IUserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<TQtUserDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    ColumnWidths = kDefaultColumnWidths;
    setObjectName("CaplinForm");
    setWindowTitle("Caplin");
    setMinimumSize(800, 785);
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    BuildControls();
    BuildMenu();
    Logs.SetObserver(this);
}

TCaplinForm::~TCaplinForm() {
    // A window destroyed without a close (a test, an aborted start) still stops its runs.
    if (initialized_)
        GuardedVoid("TCaplinForm.Destroy", [&] { WatchFolderPage->Unloading(); });
    Logs.SetObserver(nullptr);
}

void TCaplinForm::BuildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    PageControl = new QTabWidget(central);
    PageControl->setObjectName("PageControl");
    tsBatch = new QWidget(PageControl);
    tsBatch->setObjectName("tsBatch");
    tsWatchFolder = new QWidget(PageControl);
    tsWatchFolder->setObjectName("tsWatchFolder");
    tsPlaylistCheck = new QWidget(PageControl);
    tsPlaylistCheck->setObjectName("tsPlaylistCheck");
    for (QWidget* page : {tsBatch, tsWatchFolder, tsPlaylistCheck})
        new QVBoxLayout(page);
    PageControl->addTab(tsBatch, "Batch");
    PageControl->addTab(tsWatchFolder, "Watch Folder");
    PageControl->addTab(tsPlaylistCheck, "Playlist Check");
    BatchPage = new TBatchPage(*this, tsBatch);
    tsBatch->layout()->addWidget(BatchPage);
    WatchFolderPage = new TWatchFolderPage(*this, tsWatchFolder);
    PlaylistCheckPage = new TPlaylistCheckPage(*this, tsPlaylistCheck);
    layout->addWidget(PageControl, 3);
    connect(PageControl, &QTabWidget::currentChanged, this,
            [this](int index) { OnCurrentTabChanged(index); });

    auto* gbLogs = new QGroupBox("Operations Sequence Logs", central);
    gbLogs->setObjectName("gbLogs");
    auto* logsLayout = new QVBoxLayout(gbLogs);
    memLogs = new QPlainTextEdit(gbLogs);
    memLogs->setObjectName("memLogs");
    memLogs->setReadOnly(true);
    memLogs->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLogs->setAccessibleName("Operations Sequence Logs");
    btnLogsClear = new QPushButton("Clear", gbLogs);
    btnLogsClear->setObjectName("btnLogsClear");
    logsLayout->addWidget(memLogs);
    logsLayout->addWidget(btnLogsClear, 0, Qt::AlignLeft);
    connect(btnLogsClear, &QPushButton::clicked, this, [this] { Logs.ClearLogsPane(); });

    auto* gbMessages = new QGroupBox("Messages", central);
    gbMessages->setObjectName("gbMessages");
    auto* messagesLayout = new QGridLayout(gbMessages);
    memMessages = new QPlainTextEdit(gbMessages);
    memMessages->setObjectName("memMessages");
    memMessages->setReadOnly(true);
    memMessages->setLineWrapMode(QPlainTextEdit::NoWrap);
    memMessages->setAccessibleName("Messages");
    btnMessagesClear = new QPushButton("Clear", gbMessages);
    btnMessagesClear->setObjectName("btnMessagesClear");
    cbMessagesFilter = new QComboBox(gbMessages);
    cbMessagesFilter->setObjectName("cbMessagesFilter");
    cbMessagesFilter->setAccessibleName("Messages filter");
    auto* lblErrors = new QLabel("Errors", gbMessages);
    lblErrors->setObjectName("lblErrors");
    edErrors = new QLineEdit("0", gbMessages);
    edErrors->setObjectName("edErrors");
    edErrors->setReadOnly(true);
    edErrors->setMaximumWidth(60);
    lblErrors->setBuddy(edErrors);
    auto* lblWarnings = new QLabel("Warnings", gbMessages);
    lblWarnings->setObjectName("lblWarnings");
    edWarnings = new QLineEdit("0", gbMessages);
    edWarnings->setObjectName("edWarnings");
    edWarnings->setReadOnly(true);
    edWarnings->setMaximumWidth(60);
    lblWarnings->setBuddy(edWarnings);
    auto* counters = new QHBoxLayout;
    counters->addWidget(btnMessagesClear);
    counters->addWidget(cbMessagesFilter);
    counters->addStretch();
    counters->addWidget(lblErrors);
    counters->addWidget(edErrors);
    counters->addWidget(lblWarnings);
    counters->addWidget(edWarnings);
    messagesLayout->addWidget(memMessages, 0, 0);
    messagesLayout->addLayout(counters, 1, 0);
    connect(btnMessagesClear, &QPushButton::clicked, this, [this] { Logs.ClearMessagesPane(); });
    connect(cbMessagesFilter, &QComboBox::currentIndexChanged, this,
            [this](int index) { cbMessagesFilterChange(index); });

    // The two panes side by side under the pages, so the pages keep their height.
    auto* panes = new QHBoxLayout;
    panes->addWidget(gbLogs, 1);
    panes->addWidget(gbMessages, 1);
    layout->addLayout(panes, 1);
    setCentralWidget(central);
}

void TCaplinForm::BuildMenu() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    Properties1 = file->addAction("Properties", this, [this] { Properties1Click(); });
    Properties1->setObjectName("Properties1");
    LanguagesSetup1 = file->addAction("Languages Setup", this, [this] { LanguagesSetup1Click(); });
    LanguagesSetup1->setObjectName("LanguagesSetup1");
    file->addSeparator();
    Exit1 = file->addAction("Exit", this, [this] { Exit1Click(); });
    Exit1->setObjectName("Exit1");
    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    About1 = help->addAction("About", this, [this] { About1Click(); });
    About1->setObjectName("About1");
}

void TCaplinForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
    PageControl->setTabVisible(pgPlaylistCheck, false);
}

void TCaplinForm::FormShow() {
    GuardedVoid("TCaplinForm.FormShow", [&] {
        setWindowTitle("Caplin");
        // Numbers in settings and files are written with "." whatever the user's locale.
        std::setlocale(LC_NUMERIC, "C");
        WatchFolderCheckIntervalMS = 5000;
        InitializeConverter();
        GeneralRefresh();
        PageControl->setTabVisible(pgPlaylistCheck, false);
    });
}

void TCaplinForm::InitializeConverter() {
    GuardedVoid("TCaplinForm.InitializeConverter", [&] {
        initialized_ = true;
        BatchSettings = std::make_unique<TSTLConvertSettings>();
        WatchFolderList = std::make_unique<TWatchFolderList>();
        WatchFolderList->WatchFolderCheckIntervalMS = WatchFolderCheckIntervalMS;
        WatchFolderList->ReportFunction = Logs.ReportSink();
        WatchFolderList->LogFunction = Logs.LogSink();
        WFSettings = std::make_unique<TWatchFolderSTLConvertSettings>();
        PlaylistCheckList = std::make_unique<TPlaylistCheckList>();
        PCSettings = std::make_unique<TPlaylistCheckSettings>();

        const QRect screen = QGuiApplication::primaryScreen()
                                 ? QGuiApplication::primaryScreen()->geometry()
                                 : QRect(0, 0, 1024, 768);
        MainSettings = DefaultMainSettings(screen.width(), screen.height());
        SetCustomLanguageListToDefault();
        LoadCustomLanguageListFromRegistry(STL_CUSTOM_LANGUAGES_KEY);
        LoadRegistry();

        Logs.LogsOutputFolder = MainSettings.LogsOutputFolder;
        Logs.MessagesOutputFolder = MainSettings.MessagesOutputFolder;
        Logs.MessagesFilterIndex = MainSettings.MessagesFilterIndex;
        Logs.CurrentPage = PageControl->currentIndex();
        FillMessagesFilterCombo();
        Logs.RefreshMessages();

        {
            // No change handler may write half-filled controls back while the window resizes.
            Updating = true;
            struct TClear {
                bool& flag;
                ~TClear() { flag = false; }
            } clear{Updating};
            setGeometry(MainSettings.FormLeft, MainSettings.FormTop, MainSettings.FormWidth,
                        MainSettings.FormHeight);
        }
        BatchPage->Loaded();
        WatchFolderPage->Loaded();
        WFSelectedIndex = -1;
        PlaylistCheckPage->Loaded();
        PCSelectedIndex = -1;
    });
}

bool TCaplinForm::LoadRegistry() {
    return Guarded("TCaplinForm.LoadRegistry", false, [&] {
        if (!LoadMainSettings(MainSettings, true)) {
            TraceCall("TCaplinForm.LoadRegistry");
            return false;
        }
        TRegistry registry;
        if (registry.OpenKey(kCaplinKey, false)) {
            for (int list = 0; list < 3; ++list)
                for (size_t column = 0; column < ColumnWidths[list].size(); ++column) {
                    const std::string name = ColumnWidthName(list, column);
                    if (!registry.ReadInteger(name, ColumnWidths[list][column]))
                        registry.WriteInteger(name, ColumnWidths[list][column]);
                }
            int32_t page = 0;
            registry.ReadInteger(kActivePageIndex, page);
            PageControl->setCurrentIndex(std::clamp(page, 0, 2));
        }
        if (!BatchSettings->LoadFromRegistry(kBatchKey, kHexFindReplaceSubKey,
                                             kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load batch converter settings");
        if (!WFSettings->LoadFromRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                          kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load watch folder converter settings");
        WatchFolderList->LoadRegistryWatchFolders(MainSettings.FPSSource, MainSettings.FPS);
        WatchFolderCheckIntervalMS = WatchFolderList->WatchFolderCheckIntervalMS;
        if (!PCSettings->LoadFromRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.LoadRegistry", "cannot load playlist check list settings");
        PlaylistCheckList->LoadRegistryPlaylistCheckLists();
        return true;
    });
}

bool TCaplinForm::SaveRegistry() {
    return Guarded("TCaplinForm.SaveRegistry", false, [&] {
        BatchPage->ReadColumnWidths(ColumnWidths[lvBatch]);
        WatchFolderPage->StoreColumnWidths();
        PlaylistCheckPage->StoreColumnWidths();
        TRegistry registry;
        if (registry.OpenKey(kCaplinKey, true)) {
            registry.WriteInteger("FormTop", MainSettings.FormTop);
            registry.WriteInteger("FormLeft", MainSettings.FormLeft);
            registry.WriteInteger("FormWidth", MainSettings.FormWidth);
            registry.WriteInteger("FormHeight", MainSettings.FormHeight);
            for (int list = 0; list < 3; ++list)
                for (size_t column = 0; column < ColumnWidths[list].size(); ++column)
                    registry.WriteInteger(ColumnWidthName(list, column),
                                          ColumnWidths[list][column]);
            registry.WriteInteger(kActivePageIndex, PageControl->currentIndex());
            registry.WriteInteger("FPSSource", MainSettings.FPSSource);
            registry.WriteString("FPS", MainSettings.FPS);
            registry.WriteString("LogsOutputFolder", MainSettings.LogsOutputFolder);
            registry.WriteString("MessagesOutputFolder", MainSettings.MessagesOutputFolder);
            registry.WriteInteger("MessagesFilterIndex", MainSettings.MessagesFilterIndex);
        }
        if (BatchSettings && !BatchSettings->SaveToRegistry(kBatchKey, kHexFindReplaceSubKey,
                                                            kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save batch converter settings");
        if (WFSettings && !WFSettings->SaveToRegistry(kWatchFolderKey, kHexFindReplaceSubKey,
                                                      kSubtitleFileTypeSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save watch folder converter settings");
        if (WatchFolderList)
            WatchFolderList->SaveRegistryWatchFolders();
        if (PCSettings &&
            !PCSettings->SaveToRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey))
            TraceError("TCaplinForm.SaveRegistry", "cannot save playlist check list settings");
        if (PlaylistCheckList)
            PlaylistCheckList->SaveRegistryPlaylistCheckLists();
        return true;
    });
}

void TCaplinForm::FillMessagesFilterCombo() {
    const QSignalBlocker blocker(cbMessagesFilter);
    cbMessagesFilter->clear();
    cbMessagesFilter->addItems({"Show All", "Show Infos", "Show Warnings", "Show Errors"});
    // A stored index outside the list selects nothing and is kept as it is.
    cbMessagesFilter->setCurrentIndex(MainSettings.MessagesFilterIndex);
}

void TCaplinForm::GeneralRefresh() {
    GuardedVoid("TCaplinForm.GeneralRefresh", [&] {
        const bool idle = !ConversionInProgress;
        for (QAction* action : {Properties1, LanguagesSetup1, Exit1, About1})
            action->setEnabled(idle);
        BatchPage->Refresh();
        WatchFolderPage->Refresh(idle);
        PlaylistCheckPage->Refresh(idle);
    });
}

bool TCaplinForm::PageControlChanging() {
    return !ConversionInProgress;
}

void TCaplinForm::OnCurrentTabChanged(int index) {
    // QTabWidget has no veto before a change, so a refused change is undone at once.
    if (index != shownTab_ && !PageControlChanging()) {
        const QSignalBlocker blocker(PageControl);
        PageControl->setCurrentIndex(shownTab_);
        return;
    }
    shownTab_ = index;
    PageControlChange();
}

void TCaplinForm::PageControlChange() {
    GuardedVoid("TCaplinForm.PageControlChange", [&] {
        Logs.CurrentPage = PageControl->currentIndex();
        Logs.RefreshMessages();
        Logs.RefreshLogs();
    });
}

void TCaplinForm::cbMessagesFilterChange(int index) {
    GuardedVoid("TCaplinForm.cbMessagesFilterChange", [&] {
        MainSettings.MessagesFilterIndex = index;
        Logs.SetFilterIndex(index);
    });
}

bool TCaplinForm::UpdateWatchFolderFPS(int32_t fpsSource, const std::string& fps) {
    return Guarded("TCaplinForm.UpdateWatchFolderFPS", false, [&] {
        return WatchFolderList &&
               WatchFolderList->UpdateWatchFolderFPS(fpsSource, fps, WFSettings.get());
    });
}

void TCaplinForm::Properties1Click() {
    GuardedVoid("TCaplinForm.Properties1Click", [&] {
        if (!ShowProperties(MainSettings.FPSSource, MainSettings.FPS, MainSettings.LogsOutputFolder,
                            MainSettings.MessagesOutputFolder, Dialogs(), this))
            return;
        BatchPage->Panel->UpdateSettings();
        UpdateWatchFolderFPS(MainSettings.FPSSource, MainSettings.FPS);
        // The daily files follow the folders from the next line written.
        Logs.LogsOutputFolder = MainSettings.LogsOutputFolder;
        Logs.MessagesOutputFolder = MainSettings.MessagesOutputFolder;
    });
}

void TCaplinForm::LanguagesSetup1Click() {
    GuardedVoid("TCaplinForm.LanguagesSetup1Click",
                [&] { ConfigureCustomLanguages(Dialogs(), this); });
}

void TCaplinForm::About1Click() {
    GuardedVoid("TCaplinForm.About1Click", [&] {
        Dialogs().ShowAbout("Caplin", "Caplin\nVersion 1.0\nEBU STL subtitle converter");
    });
}

void TCaplinForm::Exit1Click() {
    close();
}

void TCaplinForm::CloseWithoutQuestion() {
    closeWithoutQuestion_ = true;
    close();
}

bool TCaplinForm::FormCloseQuery() {
    return Guarded("TCaplinForm.FormCloseQuery", false, [&] {
        if (!ConversionInProgress)
            return true;
        if (!closeWithoutQuestion_ &&
            !Dialogs().AskYesNo("Conversion in progress. Do you want to stop the conversion?"))
            return false;
        // The run sees the cleared flag at its next step; give it half a second to end
        // before the window goes.
        ConversionInProgress = false;
        GeneralRefresh();
        QTimer::singleShot(500, this, [this] { close(); });
        return false;
    });
}

void TCaplinForm::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TCaplinForm::FormClose() {
    DeinitializeConverter();
}

void TCaplinForm::DeinitializeConverter() {
    GuardedVoid("TCaplinForm.DeinitializeConverter", [&] {
        if (!initialized_)
            return;
        initialized_ = false;
        const QRect bounds = geometry();
        MainSettings.FormTop = bounds.top();
        MainSettings.FormLeft = bounds.left();
        MainSettings.FormWidth = bounds.width();
        MainSettings.FormHeight = bounds.height();
        // What the Batch page shows is what gets stored, corrected values included.
        BatchPage->Panel->UpdateSettings();
        SaveRegistry();
        SaveCustomLanguageListToRegistry(STL_CUSTOM_LANGUAGES_KEY);
        BatchPage->Unloading();
        BatchSettings.reset();
        // The armed run ends and every started folder stops before the list goes.
        WatchFolderPage->Unloading();
        if (WatchFolderList)
            WatchFolderList->ClearWatchFolderList();
        WatchFolderList.reset();
        WFSettings.reset();
        PlaylistCheckPage->Unloading();
        if (PlaylistCheckList)
            PlaylistCheckList->ClearPlaylistCheckList();
        PlaylistCheckList.reset();
        PCSettings.reset();
        Logs.CloseLogsFile();
        Logs.CloseMessagesFile();
        SaveSettingsFile();
    });
}

void TCaplinForm::SettingsFileNotRead(const std::string& path) {
    GuardedVoid("TCaplinForm.SettingsFileNotRead", [&] {
        settingsFileNotRead_ = true;
        Dialogs().ShowError("Error", "Cannot read the settings file " + path +
                                         ". Caplin starts with default settings and will not "
                                         "overwrite that file.");
    });
}

bool TCaplinForm::SaveSettingsFile() {
    return Guarded("TCaplinForm.SaveSettingsFile", false, [&] {
        TSettingsStore& store = TSettingsStore::Global();
        const std::string path =
            store.FilePath().empty() ? TSettingsStore::DefaultPath() : store.FilePath();
        if (!settingsFileNotRead_ && store.Save())
            return true;
        // The operator's settings of this run are kept somewhere rather than dropped.
        const std::string rescue = IncludeTrailingSlash(GetTmpPath()) + "caplin-registry-" +
                                   std::to_string(getpid()) + "-" + std::to_string(time(nullptr)) +
                                   ".reg";
        const bool rescued = store.Save(rescue);
        TraceError("TCaplinForm.SaveSettingsFile",
                   "cannot save settings to " + path + (rescued ? ", saved to " + rescue : ""));
        if (!closeWithoutQuestion_)
            Dialogs().ShowError("Error", rescued
                                             ? "Cannot save the settings to " + path +
                                                   ". They were saved to " + rescue + " instead."
                                             : "Cannot save the settings to " + path + ".");
        return false;
    });
}

void TCaplinForm::LogPaneCleared() {
    memLogs->clear();
}

void TCaplinForm::LogPaneLineAdded(const std::string& line) {
    memLogs->appendPlainText(Q(line));
}

void TCaplinForm::MessagesPaneCleared() {
    memMessages->clear();
}

void TCaplinForm::MessagesPaneLineAdded(const std::string& line, int32_t /*type*/) {
    memMessages->appendPlainText(Q(line));
}

void TCaplinForm::CountersChanged(int32_t errors, int32_t warnings) {
    const QColor window = QGuiApplication::palette().color(QPalette::Base);
    edErrors->setText(QString::number(errors));
    if (errors > 0)
        SetColours(edErrors, Qt::white, QColor(255, 0, 0));
    else
        SetColours(edErrors, Qt::black, window);
    edWarnings->setText(QString::number(warnings));
    if (warnings > 0)
        SetColours(edWarnings, QColor(255, 0, 0), QColor(255, 255, 0));
    else
        SetColours(edWarnings, Qt::black, window);
}

void TCaplinForm::FilterVisibilityChanged(bool visible) {
    cbMessagesFilter->setVisible(visible);
}
