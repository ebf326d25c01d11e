#include "ui/CaplinForm.h"

#include <clocale>
#include <utility>

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
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "convert/SettingsChoices.h"
#include "platform/Trace.h"
#include "ui/BatchPage.h"
#include "ui/LanguagesDialog.h"
#include "ui/PlaylistCheckPage.h"
#include "ui/PropertiesDialog.h"
#include "ui/QcDialog.h"
#include "ui/QtText.h"
#include "ui/SettingsPanel.h"
#include "ui/SubtitleViewer.h"
#include "ui/UserDialogs.h"
#include "ui/WatchFolderPage.h"

namespace {

void SetColours(QLineEdit* edit, const QColor& text, const QColor& base) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, base);
    edit->setPalette(palette);
}

constexpr int kPaneMinimumHeight = 40;

QPlainTextEdit* NewPane(const char* name, const char* accessible, QWidget* parent) {
    auto* pane = new QPlainTextEdit(parent);
    pane->setObjectName(name);
    pane->setReadOnly(true);
    pane->setLineWrapMode(QPlainTextEdit::NoWrap);
    pane->setAccessibleName(accessible);
    // A few lines at the default size; a taller window gives the panes more.
    pane->setMinimumHeight(kPaneMinimumHeight);
    return pane;
}

QLineEdit* NewCounter(const char* name, const char* caption, QWidget* parent, QLayout* row) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString("lbl") + caption);
    auto* edit = new QLineEdit("0", parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setMaximumWidth(60);
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit);
    return edit;
}

} // namespace

TCaplinForm::TCaplinForm(IUserDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), session_(TSessionOwner::Window), dialogs_(dialogs) {
    if (!dialogs_) {
        ownDialogs_ = std::make_unique<TQtUserDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    context_ = std::make_unique<TPageContext>(
        TPageContext{session_, *dialogs_, [this] { GeneralRefresh(); }});
    setObjectName("CaplinForm");
    setWindowTitle("Caplin");
    setMinimumSize(800, 785);
    QFont font("Tahoma");
    font.setPixelSize(11);
    setFont(font);
    BuildControls();
    BuildMenu();
    session_.Logs().SetObserver(this);
}

TCaplinForm::~TCaplinForm() {
    // A window destroyed without a close (a test, an aborted start) still stops its runs;
    // the pages, which read the session, go before it.
    GuardedVoid("TCaplinForm.Destroy", [&] {
        if (session_.Initialized())
            watchFolderPage_->Unloading();
        delete takeCentralWidget();
    });
    session_.Logs().SetObserver(nullptr);
}

void TCaplinForm::BuildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    PageControl_ = new QTabWidget(central);
    PageControl_->setObjectName("PageControl");
    QWidget* pages[3] = {};
    for (auto [index, name] : {std::pair{0, "tsBatch"}, std::pair{1, "tsWatchFolder"},
                               std::pair{2, "tsPlaylistCheck"}}) {
        pages[index] = new QWidget(PageControl_);
        pages[index]->setObjectName(name);
        new QVBoxLayout(pages[index]);
        PageControl_->addTab(pages[index], kPageItems[size_t(index)]);
    }
    batchPage_ = new TBatchPage(*context_, pages[pgBatch]);
    pages[pgBatch]->layout()->addWidget(batchPage_);
    watchFolderPage_ = new TWatchFolderPage(*context_, pages[pgWatchFolder]);
    playlistCheckPage_ = new TPlaylistCheckPage(*context_, pages[pgPlaylistCheck]);
    layout->addWidget(PageControl_, 3);
    connect(PageControl_, &QTabWidget::currentChanged, this,
            [this](int index) { OnCurrentTabChanged(index); });

    // The two panes side by side under the pages, so the pages keep their height.
    auto* panes = new QHBoxLayout;
    panes->addWidget(BuildLogsGroup(central), 1);
    panes->addWidget(BuildMessagesGroup(central), 1);
    layout->addLayout(panes, 1);
    setCentralWidget(central);
}

QWidget* TCaplinForm::BuildLogsGroup(QWidget* parent) {
    auto* gbLogs = new QGroupBox("Operations Sequence Logs", parent);
    gbLogs->setObjectName("gbLogs");
    auto* logsLayout = new QVBoxLayout(gbLogs);
    memLogs_ = NewPane("memLogs", "Operations Sequence Logs", gbLogs);
    auto* btnLogsClear = new QPushButton("C&lear", gbLogs);
    btnLogsClear->setObjectName("btnLogsClear");
    logsLayout->addWidget(memLogs_);
    logsLayout->addWidget(btnLogsClear, 0, Qt::AlignLeft);
    connect(btnLogsClear, &QPushButton::clicked, this, [this] { session_.Logs().ClearLogsPane(); });
    return gbLogs;
}

QWidget* TCaplinForm::BuildMessagesGroup(QWidget* parent) {
    auto* gbMessages = new QGroupBox("Messages", parent);
    gbMessages->setObjectName("gbMessages");
    auto* messagesLayout = new QGridLayout(gbMessages);
    memMessages_ = NewPane("memMessages", "Messages", gbMessages);
    auto* btnMessagesClear = new QPushButton("Clea&r", gbMessages);
    btnMessagesClear->setObjectName("btnMessagesClear");
    cbMessagesFilter_ = new QComboBox(gbMessages);
    cbMessagesFilter_->setObjectName("cbMessagesFilter");
    cbMessagesFilter_->setAccessibleName("Messages filter");
    auto* counters = new QHBoxLayout;
    counters->addWidget(btnMessagesClear);
    counters->addWidget(cbMessagesFilter_);
    counters->addStretch();
    edErrors_ = NewCounter("edErrors", "Errors", gbMessages, counters);
    edWarnings_ = NewCounter("edWarnings", "Warnings", gbMessages, counters);
    messagesLayout->addWidget(memMessages_, 0, 0);
    messagesLayout->addLayout(counters, 1, 0);
    connect(btnMessagesClear, &QPushButton::clicked, this,
            [this] { session_.Logs().ClearMessagesPane(); });
    connect(cbMessagesFilter_, &QComboBox::currentIndexChanged, this,
            [this](int index) { cbMessagesFilterChange(index); });
    return gbMessages;
}

void TCaplinForm::BuildMenu() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    Properties1_ = file->addAction("Properties", this, [this] { Properties1Click(); });
    Properties1_->setObjectName("Properties1");
    LanguagesSetup1_ = file->addAction("Languages Setup", this, [this] { LanguagesSetup1Click(); });
    LanguagesSetup1_->setObjectName("LanguagesSetup1");
    file->addSeparator();
    ViewSTLFile1_ = file->addAction("View STL File...", this, [this] { ViewSTLFile1Click(); });
    ViewSTLFile1_->setObjectName("ViewSTLFile1");
    CheckSTLFiles1_ =
        file->addAction("Check STL Files...", this, [this] { CheckSTLFiles1Click(); });
    CheckSTLFiles1_->setObjectName("CheckSTLFiles1");
    file->addSeparator();
    Exit1_ = file->addAction("Exit", this, [this] { Exit1Click(); });
    Exit1_->setObjectName("Exit1");
    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    About1_ = help->addAction("About", this, [this] { About1Click(); });
    About1_->setObjectName("About1");
}

void TCaplinForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
    PageControl_->setTabVisible(pgPlaylistCheck, false);
}

void TCaplinForm::FormShow() {
    GuardedVoid("TCaplinForm.FormShow", [&] {
        setWindowTitle("Caplin");
        // Numbers in settings and files are written with "." whatever the user's locale.
        std::setlocale(LC_NUMERIC, "C");
        InitializeConverter();
        GeneralRefresh();
        PageControl_->setTabVisible(pgPlaylistCheck, false);
    });
}

void TCaplinForm::InitializeConverter() {
    GuardedVoid("TCaplinForm.InitializeConverter", [&] {
        const QRect screen = QGuiApplication::primaryScreen()
                                 ? QGuiApplication::primaryScreen()->geometry()
                                 : QRect(0, 0, 1024, 768);
        session_.InitializeConverter(screen.width(), screen.height());
        PageControl_->setCurrentIndex(session_.Layout().ActivePageIndex);
        session_.SelectPage(PageControl_->currentIndex());
        FillMessagesFilterCombo();
        session_.Logs().RefreshMessages();
        {
            // No change handler may write half-filled controls back while the window resizes.
            TFlagScope updating(context_->Updating);
            const TMainSettings& main = session_.MainSettings();
            setGeometry(main.FormLeft, main.FormTop, main.FormWidth, main.FormHeight);
        }
        batchPage_->Loaded();
        watchFolderPage_->Loaded();
        playlistCheckPage_->Loaded();
    });
}

void TCaplinForm::FillMessagesFilterCombo() {
    const QSignalBlocker blocker(cbMessagesFilter_);
    cbMessagesFilter_->clear();
    for (const char* item : kMessagesFilterItems)
        cbMessagesFilter_->addItem(item);
    // A stored index outside the list selects nothing and is kept as it is.
    cbMessagesFilter_->setCurrentIndex(session_.MainSettings().MessagesFilterIndex);
}

void TCaplinForm::GeneralRefresh() {
    GuardedVoid("TCaplinForm.GeneralRefresh", [&] {
        const bool idle = !session_.ConversionInProgress();
        for (QAction* action : {Properties1_, LanguagesSetup1_, Exit1_, About1_})
            action->setEnabled(idle);
        // Seen from the task bar too: the window keeps converting what lands in its folders.
        setWindowTitle(session_.Watch().Armed() ? "Caplin - watch folders armed" : "Caplin");
        batchPage_->Refresh();
        watchFolderPage_->Refresh(idle);
        playlistCheckPage_->Refresh(idle);
    });
}

bool TCaplinForm::PageControlChanging() {
    return !session_.ConversionInProgress();
}

void TCaplinForm::OnCurrentTabChanged(int index) {
    // QTabWidget has no veto before a change, so a refused change is undone at once.
    if (index != shownTab_ && !PageControlChanging()) {
        const QSignalBlocker blocker(PageControl_);
        PageControl_->setCurrentIndex(shownTab_);
        return;
    }
    shownTab_ = index;
    PageControlChange();
}

void TCaplinForm::PageControlChange() {
    GuardedVoid("TCaplinForm.PageControlChange", [&] {
        session_.SelectPage(PageControl_->currentIndex());
        session_.Logs().RefreshMessages();
        session_.Logs().RefreshLogs();
    });
}

void TCaplinForm::cbMessagesFilterChange(int index) {
    GuardedVoid("TCaplinForm.cbMessagesFilterChange", [&] {
        session_.MainSettings().MessagesFilterIndex = index;
        session_.Logs().SetFilterIndex(index);
    });
}

void TCaplinForm::Properties1Click() {
    GuardedVoid("TCaplinForm.Properties1Click", [&] {
        TMainSettings& main = session_.MainSettings();
        if (!ShowProperties(main.FPSSource, main.FPS, main.LogsOutputFolder,
                            main.MessagesOutputFolder, *dialogs_, this))
            return;
        batchPage_->Panel().UpdateSettings();
        session_.UpdateWatchFolderFPS(main.FPSSource, main.FPS);
        // The daily files follow the folders from the next line written.
        session_.UseLogFolders();
    });
}

void TCaplinForm::LanguagesSetup1Click() {
    GuardedVoid("TCaplinForm.LanguagesSetup1Click",
                [&] { ConfigureCustomLanguages(*dialogs_, this); });
}

void TCaplinForm::ViewSTLFile1Click() {
    ChooseAndViewSTLFile(*dialogs_, this);
}

void TCaplinForm::CheckSTLFiles1Click() {
    CheckSTLFiles(*dialogs_, this);
}

void TCaplinForm::About1Click() {
    GuardedVoid("TCaplinForm.About1Click", [&] {
        dialogs_->ShowAbout("Caplin",
                            "Caplin\nVersion " CAPLIN_VERSION "\nEBU STL subtitle converter");
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
        if (!session_.ConversionInProgress())
            return true;
        if (!closeWithoutQuestion_ &&
            !dialogs_->AskYesNo("Conversion in progress. Do you want to stop the conversion?"))
            return false;
        // The run sees the cleared flag at its next step; give it half a second to end
        // before the window goes.
        session_.SetConversionInProgress(false);
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
        if (!session_.Initialized())
            return;
        const QRect bounds = geometry();
        TMainSettings& main = session_.MainSettings();
        main.FormTop = bounds.top();
        main.FormLeft = bounds.left();
        main.FormWidth = bounds.width();
        main.FormHeight = bounds.height();
        // Pages never opened are laid out now, so their lists store what they would show.
        LayOutHiddenPages();
        // What the Batch page shows is what gets stored, corrected values included.
        batchPage_->Panel().UpdateSettings();
        batchPage_->StoreColumnWidths();
        watchFolderPage_->ReadColumnWidths(session_.Layout().ColumnWidths[lvWatchFolder]);
        playlistCheckPage_->ReadColumnWidths(session_.Layout().ColumnWidths[lvPlaylistsCheck]);
        session_.Layout().ActivePageIndex = PageControl_->currentIndex();
        // The runs end and the panels let go of the settings before the session saves and
        // releases them.
        batchPage_->Unloading();
        watchFolderPage_->Unloading();
        playlistCheckPage_->Unloading();
        session_.DeinitializeConverter();
        SaveSettingsFile();
    });
}

void TCaplinForm::LayOutHiddenPages() {
    // Each page is shown once, without a word to the tabs, and the current one again: the
    // lists lay out for the size their pages have, and nothing is painted meanwhile.
    auto* stack = PageControl_->findChild<QStackedWidget*>();
    if (!stack)
        return;
    const QSignalBlocker blocker(stack);
    QWidget* current = stack->currentWidget();
    for (int index = 0; index < stack->count(); ++index)
        stack->setCurrentIndex(index);
    stack->setCurrentWidget(current);
}

void TCaplinForm::SettingsFileNotRead(const std::string& path) {
    GuardedVoid("TCaplinForm.SettingsFileNotRead", [&] {
        session_.KeepSettingsFileUntouched();
        dialogs_->ShowError("Error", "Cannot read the settings file " + path +
                                         ". Caplin starts with default settings and will not "
                                         "overwrite that file.");
    });
}

bool TCaplinForm::SaveSettingsFile() {
    return Guarded("TCaplinForm.SaveSettingsFile", false, [&] {
        const TSettingsFileSave save = session_.SaveSettingsFile();
        if (save.Saved)
            return true;
        if (!closeWithoutQuestion_)
            dialogs_->ShowError("Error", !save.Rescue.empty()
                                             ? "Cannot save the settings to " + save.Path +
                                                   ". They were saved to " + save.Rescue +
                                                   " instead."
                                             : "Cannot save the settings to " + save.Path + ".");
        return false;
    });
}

void TCaplinForm::LogPaneCleared() {
    memLogs_->clear();
}

void TCaplinForm::LogPaneLineAdded(const std::string& line) {
    memLogs_->appendPlainText(Q(line));
}

void TCaplinForm::MessagesPaneCleared() {
    memMessages_->clear();
}

void TCaplinForm::MessagesPaneLineAdded(const std::string& line, int32_t /*type*/) {
    memMessages_->appendPlainText(Q(line));
}

void TCaplinForm::CountersChanged(int32_t errors, int32_t warnings) {
    const QColor window = QGuiApplication::palette().color(QPalette::Base);
    edErrors_->setText(QString::number(errors));
    if (errors > 0)
        SetColours(edErrors_, Qt::white, QColor(255, 0, 0));
    else
        SetColours(edErrors_, Qt::black, window);
    edWarnings_->setText(QString::number(warnings));
    if (warnings > 0)
        SetColours(edWarnings_, QColor(255, 0, 0), QColor(255, 255, 0));
    else
        SetColours(edWarnings_, Qt::black, window);
}

void TCaplinForm::FilterVisibilityChanged(bool visible) {
    cbMessagesFilter_->setVisible(visible);
}
