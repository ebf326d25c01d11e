// The main window's start-up, settings round trip, panes and close guard, run offscreen on
// a settings file in a fresh temporary folder.
#include <memory>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowControls.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"
#include "ui/RunCaptions.h"

namespace {

int32_t StoredInteger(const char* name) {
    TRegistry registry;
    int32_t value = -999;
    if (registry.OpenKey(kCaplinKey, false))
        registry.ReadInteger(name, value);
    return value;
}

std::string StoredString(const char* name) {
    TRegistry registry;
    std::string value = "<missing>";
    if (registry.OpenKey(kCaplinKey, false))
        registry.ReadString(name, value);
    return value;
}

int LineCount(const QPlainTextEdit* edit) {
    return edit->toPlainText().isEmpty() ? 0 : edit->blockCount();
}

} // namespace

class TCaplinFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::string registryPath_;
    TScriptedDialogs dialogs_;

    std::unique_ptr<TCaplinForm> NewForm() { return std::make_unique<TCaplinForm>(&dialogs_); }

    // What the window works on, apart from its controls.
    static TCaplinSession& Session(TCaplinForm& form) { return form.Session(); }
    static QTabWidget* Pages(const TCaplinForm& form) {
        return Control<QTabWidget>(&form, "PageControl");
    }

    // Writes the store to the file and starts over from it, as the next start would.
    void ReloadStoreFromFile() { TSettingsStore::Global().Load(registryPath_); }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-ui");
        QVERIFY(dir_);
        registryPath_ = dir_->filePath("registry.reg").toStdString();
        dialogs_ = TScriptedDialogs();
    }

    void cleanup() { dir_.reset(); }

    void firstStartUsesDefaultsAndWritesOnlyAtClose() {
        auto form = NewForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));

        QCOMPARE(form->windowTitle(), QString("Caplin"));
        const TMainSettings& main = Session(*form).MainSettings();
        QCOMPARE(main.LogsOutputFolder, TestLogsFolder(*dir_));
        QCOMPARE(main.MessagesOutputFolder, TestLogsFolder(*dir_));
        QCOMPARE(main.FPSSource, 1);
        QCOMPARE(main.FPS, std::string("STL25.01"));
        QCOMPARE(form->width(), 800);
        QCOMPARE(form->height(), 785); // 750 raised to the minimum
        QCOMPARE(Pages(*form)->currentIndex(), 0);
        QVERIFY(!FileExists(registryPath_));
        // The lists below may create their own keys; no main value exists before the close.
        QCOMPARE(StoredInteger("FormTop"), -999);
        QCOMPARE(StoredString("FPS"), std::string("<missing>"));

        // No width is stored yet: "#" fits its numbers, the paths share what is left.
        const int number = Control<QTableView>(form.get(), "lvBatch")->columnWidth(0);
        QVERIFY(number > 0 && number < 60);

        QVERIFY(form->close());
        QVERIFY(FileExists(registryPath_));
        ReloadStoreFromFile();
        QCOMPARE(StoredInteger("FormWidth"), 800);
        QCOMPARE(StoredInteger("FormHeight"), 785);
        QCOMPARE(StoredInteger("ActivePageIndex"), 0);
        QCOMPARE(StoredInteger("FPSSource"), 1);
        QCOMPARE(StoredString("FPS"), std::string("STL25.01"));
        QCOMPARE(StoredString("LogsOutputFolder"), TestLogsFolder(*dir_));
        QCOMPARE(StoredString("MessagesOutputFolder"), TestLogsFolder(*dir_));
        QCOMPARE(StoredInteger("MessagesFilterIndex"), 0);
        QCOMPARE(StoredInteger("BatchList_0_Width"), number);
        QCOMPARE(StoredInteger("WatchFolderList_3_Width"), 60);
        // The Watch Folder list was never opened; it stores what it would have shown.
        QVERIFY(StoredInteger("WatchFolderList_1_Width") > 200);
        QVERIFY(TSettingsStore::Global().KeyExists(kBatchKey));
        QVERIFY(TSettingsStore::Global().KeyExists(kWatchFolderKey));
    }

    void storedValuesAreCorrected_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("fpsSource");
        QTest::addColumn<QString>("fps");
        QTest::addColumn<QString>("logsFolder");
        QTest::addColumn<int>("expectedPage");
        QTest::addColumn<int>("expectedSource");
        QTest::addColumn<QString>("expectedFps");
        QTest::addColumn<bool>("logsFolderKept");
        QTest::newRow("page above") << 7 << 0 << "STL30.01"
                                    << "." << 2 << 0 << "STL30.01" << true;
        QTest::newRow("page below") << -3 << 1 << "STL25.01"
                                    << "." << 0 << 1 << "STL25.01" << true;
        QTest::newRow("source 5") << 1 << 5 << "STL30.01"
                                  << "." << 1 << 0 << "STL30.01" << true;
        QTest::newRow("lower-case fps") << 1 << 1 << "stl30.01"
                                        << "." << 1 << 1 << "STL25.01" << true;
        QTest::newRow("folder gone") << 0 << 1 << "STL25.01"
                                     << "/no/such/folder/" << 0 << 1 << "STL25.01" << false;
    }

    void storedValuesAreCorrected() {
        QFETCH(int, page);
        QFETCH(int, fpsSource);
        QFETCH(QString, fps);
        QFETCH(QString, logsFolder);
        QFETCH(int, expectedPage);
        QFETCH(int, expectedSource);
        QFETCH(QString, expectedFps);
        QFETCH(bool, logsFolderKept);
        // "." stands for an existing folder of the test's own.
        const std::string folder = logsFolder == "."
                                       ? IncludeTrailingSlash(dir_->filePath("logs").toStdString())
                                       : logsFolder.toStdString();
        QVERIFY(QDir().mkpath(dir_->filePath("logs")));
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(kCaplinKey, true));
            registry.WriteInteger("ActivePageIndex", page);
            registry.WriteInteger("FPSSource", fpsSource);
            registry.WriteString("FPS", fps.toStdString());
            registry.WriteString("LogsOutputFolder", folder);
        }

        auto form = NewForm();
        form->InitializeConverter();
        QCOMPARE(Pages(*form)->currentIndex(), expectedPage);
        QCOMPARE(Session(*form).MainSettings().FPSSource, expectedSource);
        QCOMPARE(QString::fromStdString(Session(*form).MainSettings().FPS), expectedFps);
        const std::string expectedFolder = logsFolderKept ? folder : TestLogsFolder(*dir_);
        QCOMPARE(Session(*form).MainSettings().LogsOutputFolder, expectedFolder);

        form->DeinitializeConverter();
        ReloadStoreFromFile();
        QCOMPARE(StoredInteger("ActivePageIndex"), expectedPage);
        QCOMPARE(StoredInteger("FPSSource"), expectedSource);
        QCOMPARE(QString::fromStdString(StoredString("FPS")), expectedFps);
        QCOMPARE(StoredString("LogsOutputFolder"), expectedFolder);
    }

    // The Batch page corrects what it cannot show; the close stores what it shows, even when
    // the operator touched nothing.
    void batchValuesCorrectedOnScreenAreStoredCorrected() {
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(kBatchKey, true));
            registry.WriteInteger("TapeIDSource", 7);
            registry.WriteString("CodePageNumberCustom", "abc");
        }
        auto form = NewForm();
        form->InitializeConverter();
        QCOMPARE(Control<QComboBox>(form.get(), "cbBTapeID")->currentIndex(), 2);
        QCOMPARE(Control<QSpinBox>(form.get(), "seBCodePageNumber")->value(), 850);
        form->DeinitializeConverter();
        ReloadStoreFromFile();
        TRegistry registry;
        QVERIFY(registry.OpenKey(kBatchKey, false));
        int32_t source = 0;
        std::string codePage;
        QVERIFY(registry.ReadInteger("TapeIDSource", source));
        QVERIFY(registry.ReadString("CodePageNumberCustom", codePage));
        QCOMPARE(source, 2);
        QCOMPARE(codePage, std::string("850"));
    }

    void filterAndCountersFollowTheMessages() {
        auto form = NewForm();
        form->show();
        auto* filter = Control<QComboBox>(form.get(), "cbMessagesFilter");
        auto* messages = Control<QPlainTextEdit>(form.get(), "memMessages");
        auto* logs = Control<QPlainTextEdit>(form.get(), "memLogs");
        auto* errors = Control<QLineEdit>(form.get(), "edErrors");
        auto* warnings = Control<QLineEdit>(form.get(), "edWarnings");
        filter->setCurrentIndex(3); // "Show Errors"
        for (int32_t type : {1, 2, 3})
            QCOMPARE(Session(*form).Logs().ReportFunction(type, "line"), STATUS_OK);

        QCOMPARE(LineCount(messages), 1);
        QCOMPARE(errors->text(), QString("1"));
        QCOMPARE(warnings->text(), QString("0"));
        QCOMPARE(errors->palette().color(QPalette::Base), QColor(255, 0, 0));
        QCOMPARE(errors->palette().color(QPalette::Text), QColor(Qt::white));
        QVERIFY(warnings->palette().color(QPalette::Base) != QColor(255, 255, 0));

        filter->setCurrentIndex(0); // "Show All"
        QCOMPARE(LineCount(messages), 3);
        QCOMPARE(warnings->text(), QString("1"));
        QCOMPARE(warnings->palette().color(QPalette::Base), QColor(255, 255, 0));
        QCOMPARE(warnings->palette().color(QPalette::Text), QColor(255, 0, 0));

        Click(form.get(), "btnMessagesClear");
        QCOMPARE(LineCount(messages), 0);
        QCOMPARE(errors->text(), QString("0"));
        QCOMPARE(errors->palette().color(QPalette::Base),
                 QGuiApplication::palette().color(QPalette::Base));

        QCOMPARE(Session(*form).Logs().LogFunction("progress"), STATUS_OK);
        QCOMPARE(LineCount(logs), 1);
        QVERIFY(logs->toPlainText().endsWith(" - progress"));

        // The other tab has its own lines; coming back shows the cleared ones again.
        Pages(*form)->setCurrentIndex(1);
        QCOMPARE(LineCount(messages), 0);
        QCOMPARE(LineCount(logs), 0);
        Pages(*form)->setCurrentIndex(0);
        QCOMPARE(LineCount(messages), 3);
        QCOMPARE(LineCount(logs), 1);

        filter->setCurrentIndex(2);
        QVERIFY(form->close());
        ReloadStoreFromFile();
        QCOMPARE(StoredInteger("MessagesFilterIndex"), 2);
    }

    void tabChangeRefusedDuringRun() {
        auto form = NewForm();
        form->show();
        Session(*form).SetConversionInProgress(true);
        form->GeneralRefresh();
        QVERIFY(!Control<QAction>(form.get(), "Properties1")->isEnabled());
        QVERIFY(!Control<QAction>(form.get(), "Exit1")->isEnabled());
        Pages(*form)->setCurrentIndex(1);
        QCOMPARE(Pages(*form)->currentIndex(), 0);
        QCOMPARE(Session(*form).Logs().CurrentPage, 0);

        Session(*form).SetConversionInProgress(false);
        form->GeneralRefresh();
        QVERIFY(Control<QAction>(form.get(), "About1")->isEnabled());
        Pages(*form)->setCurrentIndex(1);
        QCOMPARE(Pages(*form)->currentIndex(), 1);
        QCOMPARE(Session(*form).Logs().CurrentPage, 1);
        form->close();
    }

    void closeDuringRun_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("No") << false;
        QTest::newRow("Yes") << true;
    }

    void closeDuringRun() {
        QFETCH(bool, answer);
        auto form = NewForm();
        form->show();
        Session(*form).SetConversionInProgress(true);
        dialogs_.YesNoAnswers.push_back(answer);

        QVERIFY(!form->close()); // Yes still waits for the run to see the flag
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{
                     "YesNo: Conversion in progress. Do you want to stop the conversion?"});
        QCOMPARE(Session(*form).ConversionInProgress(), !answer);
        if (!answer) {
            QTest::qWait(700);
            QVERIFY(form->isVisible());
            QVERIFY(!FileExists(registryPath_));
            Session(*form).SetConversionInProgress(false);
            QVERIFY(form->close());
            return;
        }
        QVERIFY(form->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 2000);
        QVERIFY(FileExists(registryPath_));
        QCOMPARE(dialogs_.Asked.size(), size_t(1));
    }

    void signalCloseStopsRunWithoutQuestion() {
        auto form = NewForm();
        form->show();
        Session(*form).SetConversionInProgress(true);
        form->CloseWithoutQuestion();
        QVERIFY(dialogs_.Asked.empty());
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 2000);
        QVERIFY(FileExists(registryPath_));
    }

    void everyButtonHasItsOwnAccessKey_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("Batch") << "tsBatch";
        QTest::newRow("Watch Folder") << "tsWatchFolder";
        QTest::newRow("Playlist Check") << "tsPlaylistCheck";
    }

    // The buttons seen together, a page's and the panes' under it, each have a key of their
    // own, also with the caption a run gives its button.
    void everyButtonHasItsOwnAccessKey() {
        QFETCH(QString, page);
        auto form = NewForm();
        QList<QPushButton*> buttons =
            Control<QWidget>(form.get(), qPrintable(page))->findChildren<QPushButton*>();
        buttons << Control<QPushButton>(form.get(), "btnLogsClear")
                << Control<QPushButton>(form.get(), "btnMessagesClear");
        QCOMPARE(AccessKeyProblem(buttons), QString());
        QCOMPARE(Caption(buttons.back()), QString("Clear"));
        for (QPushButton* button : buttons)
            if (button->objectName() == "btnBatchConvert")
                button->setText(kCancelCaption);
            else if (button->objectName() == "btnWFArm")
                button->setText(kDisarmCaption);
            else if (button->objectName() == "btnPCCheck")
                button->setText(kStopCaption);
        QCOMPARE(AccessKeyProblem(buttons), QString());
    }

    void playlistCheckTabHiddenAfterEveryShow() {
        auto form = NewForm();
        form->show();
        QVERIFY(!Pages(*form)->isTabVisible(2));
        QVERIFY(Pages(*form)->isTabVisible(1));
        form->hide();
        Pages(*form)->setTabVisible(2, true);
        form->show();
        QVERIFY(!Pages(*form)->isTabVisible(2));
        form->close();
    }
};

int RunCaplinFormTest(int argc, char** argv) {
    TCaplinFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "CaplinFormTest.moc"
