// The window against a hostile machine: settings of the wrong type, a settings file that
// cannot be read or written, a destination that vanishes during a run, log folders that
// refuse writing, and drops of what cannot be added. Nothing may crash and nothing the
// operator set may be lost.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
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
        const TMainSettings& main = Session(*form).MainSettings();
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
        Session(*form).MainSettings().FPS = "STL30.01";
        Session(*form).MainSettings().FPSSource = 0;
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

    // What a drop cannot add: a web address, a socket, a missing path, a folder without STL
    // files, one that cannot be listed, a file already listed. The rest is added, and one
    // message names what was not, a few by name and then how many more.
    void droppedItemsNotAddedAreNamedInOneMessage() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        WriteStl(Path("good.stl"), MakeGsi(1), {MakeTti(1, "Hello")});
        for (const char* folder : {"empty", "locked"})
            QVERIFY(QDir().mkpath(dir_->filePath(folder)));
        QVERIFY(QFile::setPermissions(dir_->filePath("locked"), {}));
        // Root lists a folder whatever its permissions: then it is just empty.
        const bool lockedListed = ::access(Path("locked").c_str(), R_OK) == 0;
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Path("socket").c_str());
        QVERIFY(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        auto url = [this](const char* name) { return QUrl::fromLocalFile(dir_->filePath(name)); };

        QVERIFY(DropUrls(Control<QTableView>(form.get(), "lvBatch"),
                         {QUrl("https://example.com/a.stl"), url("good.stl"), url("socket"),
                          url("missing.stl"), url("empty"), url("locked"), url("good.stl")}));
        ::close(socket);
        QFile::setPermissions(dir_->filePath("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(Session(*form).Batch().BatchList().size(), size_t(1));
        QCOMPARE(Session(*form).Batch().BatchList()[0].FileName, Path("good.stl"));
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{
                     "Message: 6 dropped items were not added: https://example.com/a.stl (not a "
                     "local file), " +
                     Path("socket") + " (neither a file nor a folder), " + Path("missing.stl") +
                     " (not found), " + Path("empty") + " (no STL files in it), " + Path("locked") +
                     (lockedListed ? " (no STL files in it)" : " (folder not readable)") +
                     " and 1 more."});
    }

    // Ten thousand files in one folder: the window is never held for more than 200 ms at a
    // time, neither to add them nor to show them; dropped again, they are refused at once.
    void tenThousandFileFolderDroppedWithoutFreezing() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        QVERIFY(QDir().mkpath(dir_->filePath("many")));
        for (int i = 0; i < 10000; ++i)
            WriteText(Path("many/") + std::to_string(100000 + i) + ".stl", "");
        QTableView* list = Control<QTableView>(form.get(), "lvBatch");
        QElapsedTimer timer;
        qint64 longest = 0;
        auto slice = [&](const std::function<void()>& work) {
            timer.start();
            work();
            longest = std::max(longest, timer.elapsed());
        };
        slice([&] { QVERIFY(DropUrls(list, {QUrl::fromLocalFile(dir_->filePath("many"))})); });
        slice([&] { QCoreApplication::processEvents(); }); // laid out and painted
        QCOMPARE(list->model()->rowCount(), 10000);
        QCOMPARE(Session(*form).Batch().BatchList().back().FileName, Path("many/109999.stl"));
        slice([&] { QVERIFY(DropUrls(list, {QUrl::fromLocalFile(dir_->filePath("many"))})); });
        QCOMPARE(list->model()->rowCount(), 10000);
        QCOMPARE(dialogs_.Asked.size(), size_t(1));
        QVERIFY(QString::fromStdString(dialogs_.Asked[0])
                    .startsWith("Message: 10000 dropped items were not added: "));
        QVERIFY(QString::fromStdString(dialogs_.Asked[0]).endsWith(" and 9995 more."));
        qInfo("10000-file folder dropped: longest slice %lld ms", static_cast<long long>(longest));
        QVERIFY(longest < 200);
    }

    void destinationRemovedDuringRunFailsTheRestAndKeepsSources() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        QVERIFY(QDir().mkpath(dir_->filePath("out")));
        for (const char* name : {"1.stl", "2.stl", "3.stl"}) {
            WriteStl(Path(name), MakeGsi(1), {MakeTti(1, "Hello")});
            dialogs_.FilesAnswers.push_back({Path(name)});
            Click(form.get(), "btnBAddFile");
        }
        TSTLConvertSettings& settings = *Session(*form).BatchSettings();
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
        QCOMPARE(Caption(Control<QPushButton>(form.get(), "btnBatchConvert")), QString("Convert"));
    }

    // Log folders that refuse writing: the run goes on, every line and error stays on screen.
    void logFoldersRefusingWritingKeepThePanes() {
        UseSettingsFile(Path("registry.reg"));
        auto form = ShownForm();
        QVERIFY(form);
        WriteText(Path("plain"), "not a folder");
        Session(*form).Logs().LogsOutputFolder = Path("plain") + "/logs";
        Session(*form).Logs().MessagesOutputFolder = Path("plain") + "/messages";
        WriteBytes(Path("bad.stl"), {1, 2, 3});
        dialogs_.FilesAnswers.push_back({Path("bad.stl")});
        Click(form.get(), "btnBAddFile");
        Session(*form).BatchSettings()->DestinationFolder = dir_->path().toStdString() + "/out";
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
