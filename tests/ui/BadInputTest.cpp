// The window against a hostile machine: settings of the wrong type, a settings file that
// cannot be read or written, a destination that vanishes during a run, and log folders that
// refuse writing. Nothing may crash and nothing the operator set may be lost.
#include <memory>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "convert/STLConvertSettings.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowControls.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"

using namespace testsupport;

class TBadInputTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    TScriptedDialogs dialogs_;

    std::string Path(const char* name) const { return dir_->filePath(name).toStdString(); }

    void UseSettingsFile(const std::string& path) {
        qputenv("CAPLIN_REGISTRY", QByteArray::fromStdString(path));
        TSettingsStore::Global().Load(path);
    }

    std::unique_ptr<TCaplinForm> ShownForm() { return NewShownForm(&dialogs_); }

    // What the window works on, apart from its controls.
    static TCaplinSession& Session(TCaplinForm& form) { return form.Session(); }

    // The one file the failed save left in the temporary folder.
    QString RescuedSettings() const {
        const QStringList found =
            QDir(dir_->path()).entryList({"caplin-registry-*.reg"}, QDir::Files);
        return found.size() == 1 ? dir_->filePath(found.front()) : QString();
    }

    void RunBatch(TCaplinForm& form) {
        Click(&form, "btnBatchConvert");
        QTRY_VERIFY_WITH_TIMEOUT(!Session(form).ConversionInProgress(), 10000);
    }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-bad", false);
        QVERIFY(dir_);
        dialogs_ = TScriptedDialogs();
    }

    void cleanup() { dir_.reset(); }

    void wrongTypesGiveDefaultsAndAreRewritten() {
        UseSettingsFile(Path("registry.reg"));
        TRegistry registry;
        QVERIFY(registry.OpenKey(kCaplinKey, true));
        registry.WriteString("ActivePageIndex", "1");
        registry.WriteString("FormWidth", "wide");
        registry.WriteBinary("FPSSource", {1, 2});
        registry.WriteInteger("FPS", 30);
        registry.WriteInteger("LogsOutputFolder", 7);
        registry.WriteString("MessagesFilterIndex", "2");
        registry.CloseKey();

        auto form = ShownForm();
        QVERIFY(form);
        QCOMPARE(Control<QTabWidget>(form.get(), "PageControl")->currentIndex(), 0);
        QCOMPARE(form->width(), 800);
        const TMainSettings& main = Session(*form).MainSettings;
        QCOMPARE(main.FPSSource, 1);
        QCOMPARE(main.FPS, std::string("STL25.01"));
        QCOMPARE(main.LogsOutputFolder, TestLogsFolder(*dir_));
        QVERIFY(form->close());

        TSettingsStore::Global().Load(Path("registry.reg"));
        QVERIFY(registry.OpenKey(kCaplinKey, false));
        int32_t width = 0;
        std::string fps;
        QVERIFY(registry.ReadInteger("FormWidth", width));
        QVERIFY(registry.ReadString("FPS", fps));
        QCOMPARE(width, 800);
        QCOMPARE(fps, std::string("STL25.01"));
    }

    // A folder that cannot hold the settings file: a regular file stands where it should be,
    // which stops root as well as anyone else.
    void unwritableSettingsFolderSavesElsewhereAndSays() {
        WriteText(Path("plain"), "not a folder");
        UseSettingsFile(Path("plain") + "/registry.reg");
        auto form = ShownForm();
        QVERIFY(form);
        Session(*form).MainSettings.FPS = "STL30.01";
        Session(*form).MainSettings.FPSSource = 0;
        QVERIFY(form->close());

        const QString rescued = RescuedSettings();
        QVERIFY(!rescued.isEmpty());
        QCOMPARE(dialogs_.Asked,
                 (std::vector<std::string>{"Error: Error: Cannot save the settings to " +
                                           Path("plain") + "/registry.reg. They were saved to " +
                                           rescued.toStdString() + " instead."}));
        QCOMPARE(ReadText(Path("plain")), std::string("not a folder"));
        TSettingsStore::Global().Load(rescued.toStdString());
        TRegistry registry;
        QVERIFY(registry.OpenKey(kCaplinKey, false));
        std::string fps;
        QVERIFY(registry.ReadString("FPS", fps));
        QCOMPARE(fps, std::string("STL30.01"));
    }

    // A settings file that exists but cannot be read is never replaced by defaults.
    void unreadableSettingsFileIsNotOverwritten() {
        QVERIFY(QDir().mkpath(dir_->filePath("registry.reg")));
        QVERIFY(!TSettingsStore::Global().Load(Path("registry.reg")));
        qputenv("CAPLIN_REGISTRY", QByteArray::fromStdString(Path("registry.reg")));
        auto form = std::make_unique<TCaplinForm>(&dialogs_);
        form->SettingsFileNotRead(Path("registry.reg"));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(form->close());

        QVERIFY(DirectoryExists(Path("registry.reg")));
        QVERIFY(!RescuedSettings().isEmpty());
        QCOMPARE(dialogs_.Asked.size(), size_t(2));
        QVERIFY(QString::fromStdString(dialogs_.Asked[0])
                    .startsWith("Error: Error: Cannot read the settings file "));
    }

    void destinationRemovedDuringRunFailsTheRestAndKeepsSources() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        QVERIFY(QDir().mkpath(dir_->filePath("out")));
        for (const char* name : {"1.stl", "2.stl", "3.stl"}) {
            WriteStl(Path(name), MakeGsi(1), {MakeTti(1, "Hello")});
            dialogs_.FileAnswers.push_back(Path(name));
            Click(form.get(), "btnBAddFile");
        }
        TSTLConvertSettings& settings = *Session(*form).BatchSettings;
        settings.DestinationFolder = Path("out");
        settings.TapeIDSource = tisPredefined;
        settings.TapeIDPredefined = "TAPE0001";
        settings.LanguageSource = lsPredefined;
        settings.LanguagePredefined = "09";
        // The folder goes as soon as the first file is done, before the second is taken.
        connect(Control<QTableView>(form.get(), "lvBatch")->model(),
                &QAbstractItemModel::dataChanged, this, [&](const QModelIndex& first) {
                    if (first.row() == 0 &&
                        first.siblingAtColumn(2).data().toString() == "Processed")
                        QDir(dir_->filePath("out")).removeRecursively();
                });
        RunBatch(*form);

        const QString messages = Control<QPlainTextEdit>(form.get(), "memMessages")->toPlainText();
        for (const char* name : {"2.stl", "3.stl"}) {
            QVERIFY(messages.contains("Error converting STL file " +
                                      QString::fromStdString(Path(name))));
            QVERIFY(FileExists(Path(name)));
        }
        QVERIFY(!messages.contains("Error converting STL file " +
                                   QString::fromStdString(Path("1.stl"))));
        QCOMPARE(Control<QPushButton>(form.get(), "btnBatchConvert")->text(), QString("Convert"));
    }

    // Log folders that refuse writing: the run goes on, every line and error stays on screen.
    void logFoldersRefusingWritingKeepThePanes() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        WriteText(Path("plain"), "not a folder");
        Session(*form).Logs.LogsOutputFolder = Path("plain") + "/logs";
        Session(*form).Logs.MessagesOutputFolder = Path("plain") + "/messages";
        WriteBytes(Path("bad.stl"), {1, 2, 3});
        dialogs_.FileAnswers.push_back(Path("bad.stl"));
        Click(form.get(), "btnBAddFile");
        Session(*form).BatchSettings->DestinationFolder = dir_->path().toStdString() + "/out";
        QVERIFY(QDir().mkpath(dir_->filePath("out")));
        RunBatch(*form);

        const QString logs = Control<QPlainTextEdit>(form.get(), "memLogs")->toPlainText();
        QVERIFY(logs.contains("Batch conversion started."));
        QVERIFY(logs.contains("Batch conversion done."));
        const QString messages = Control<QPlainTextEdit>(form.get(), "memMessages")->toPlainText();
        QVERIFY(messages.contains("Error converting STL file "));
        QVERIFY(Control<QLineEdit>(form.get(), "edErrors")->text().toInt() >= 1);
        QVERIFY(form->close());
    }
};

int RunBadInputTest(int argc, char** argv) {
    TBadInputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BadInputTest.moc"
