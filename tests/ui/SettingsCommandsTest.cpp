// A settings file made by caplin-cli's settings commands opens in the window with every value
// in its control, and the window's save at close keeps them.
#include <memory>
#include <optional>
#include <sstream>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "cli/CliApp.h"
#include "platform/Registry.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowControls.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"

class TSettingsCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::optional<QByteArray> runtime_;
    TScriptedDialogs dialogs_;

    // caplin-cli with args, in this process; its standard output.
    static QString Cli(std::vector<std::string> args) {
        args.insert(args.begin(), "caplin-cli");
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        std::ostringstream out, err;
        const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
        if (status != 0)
            qWarning("%s", err.str().c_str());
        return status == 0 ? QString::fromStdString(out.str()) : QString("failed");
    }

    // The "NAME = VALUE" part of each line of `settings show batch` naming one of names.
    static QStringList BatchValues(const QStringList& names) {
        QStringList values;
        for (const QString& line : Cli({"settings", "show", "batch"}).split('\n'))
            if (names.contains(line.section(" = ", 0, 0)))
                values << line.section(" (", 0, 0);
        return values;
    }

    static QString Cell(const QTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-cli-settings", false);
        QVERIFY(dir_);
        // The window's lock of this test alone.
        if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
            runtime_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir_->path().toUtf8());
        dialogs_ = TScriptedDialogs();
    }

    void cleanup() {
        if (runtime_)
            qputenv("XDG_RUNTIME_DIR", *runtime_);
        else
            qunsetenv("XDG_RUNTIME_DIR");
        runtime_.reset();
        dir_.reset();
    }

    void windowShowsAndKeepsWhatTheCommandsSet() {
        const QStringList names = {"DestinationFolder",
                                   "TapeIDSource",
                                   "TapeIDPredefined",
                                   "LanguageSource",
                                   "LanguagePredefined",
                                   "RemoveZeroPage",
                                   "ZeroPageKeyWord",
                                   "TimeCodeStartOfProgrammeSource",
                                   "TimeCodeStartOfProgramme",
                                   "OverrideDestination",
                                   "CodePageNumberSource",
                                   "CodePageNumberCustom",
                                   "CharacterCodeTableNumberSource",
                                   "DisplayStandardCodeSource",
                                   "QualityCheck"};
        QVERIFY(Cli({"settings", "set", "main", "FPSSource=0", "FPS=30"}) != "failed");
        QVERIFY(Cli({"settings", "set", "batch", "DestinationFolder=/srv/out",
                     "TapeIDSource=Overwrite Tape ID value", "TapeIDPredefined=TAPE01",
                     "LanguageSource=1", "LanguagePredefined=French", "RemoveZeroPage=yes",
                     "ZeroPageKeyWord=ZERO", "TimeCodeStartOfProgrammeSource=1",
                     "TimeCodeStartOfProgramme=10203004", "OverrideDestination=yes",
                     "CodePageNumberSource=6", "CodePageNumberCustom=437",
                     "CharacterCodeTableNumberSource=Latin/Greek - 03",
                     "DisplayStandardCodeSource=Level-1 teletext",
                     "QualityCheck=Report findings"}) != "failed");
        const QString hex = Cli({"hex", "add", "--batch", "0x8A", "0x0A"});
        const QString types = Cli({"file-types", "add", "--batch", "Name=News", "CharsCount=20"});
        const QString folders = Cli({"watch-folders", "add", "/in", "/wout", "Comment=night"});
        const QString playlists =
            Cli({"playlists", "add", "/lists", "/subs", "/logs", "Languages=en,fr", "Comment=c"});
        QVERIFY(hex.contains("1 | 0x8A | 0x0A"));
        QVERIFY(types.contains("1 | News | 20 | 1 | 1 | 1 | 2"));
        QVERIFY(folders.contains("1 | /in | /wout | night"));
        QVERIFY(playlists.contains("1 | /lists/ | /subs/ | c"));
        const QStringList before = BatchValues(names);
        QCOMPARE(before.size(), names.size());

        QVERIFY(TSettingsStore::Global().Load(dir_->filePath("registry.reg").toStdString()));
        std::unique_ptr<TCaplinForm> form = NewShownForm(&dialogs_);
        QVERIFY(form);
        const auto* f = form.get();
        QCOMPARE(Control<QLineEdit>(f, "edBBatchDestFolder")->text(), QString("/srv/out"));
        QCOMPARE(Control<QComboBox>(f, "cbBTapeID")->currentText(),
                 QString("Overwrite Tape ID value"));
        QCOMPARE(Control<QLineEdit>(f, "edBTapeID")->text(), QString("TAPE01"));
        QCOMPARE(Control<QComboBox>(f, "cbBLanguageSource")->currentIndex(), 1);
        QCOMPARE(Control<QComboBox>(f, "cbBLanguagePredefined")->currentText(), QString("French"));
        QVERIFY(Control<QCheckBox>(f, "cbBRemoveZeroPage")->isChecked());
        QCOMPARE(Control<QLineEdit>(f, "edBZeroPageKeyWord")->text(), QString("ZERO"));
        QCOMPARE(Control<QComboBox>(f, "cbBTimeCodeStartOfProgramme")->currentIndex(), 1);
        const QList<int> timeCode = {
            Control<QSpinBox>(f, "seBHour")->value(), Control<QSpinBox>(f, "seBMin")->value(),
            Control<QSpinBox>(f, "seBSec")->value(), Control<QSpinBox>(f, "seBFrame")->value()};
        QCOMPARE(timeCode, (QList<int>{10, 20, 30, 4}));
        QVERIFY(Control<QCheckBox>(f, "cbBOverwriteDestination")->isChecked());
        QCOMPARE(Control<QComboBox>(f, "cbBCodePageNumber")->currentText(),
                 QString("Set custom Code Page Number"));
        QCOMPARE(Control<QSpinBox>(f, "seBCodePageNumber")->value(), 437);
        QCOMPARE(Control<QComboBox>(f, "cbBCharacterCodeTableNumber")->currentText(),
                 QString("Latin/Greek - 03"));
        QCOMPARE(Control<QComboBox>(f, "cbBDisplayStandardCode")->currentText(),
                 QString("Level-1 teletext"));
        QCOMPARE(Control<QComboBox>(f, "cbBQualityCheck")->currentText(),
                 QString("Report findings"));
        QCOMPARE(Control<QListWidget>(f, "lbBHexFindAndReplace")->item(0)->text(),
                 QString("0x8A - 0x0A"));
        QCOMPARE(Control<QListWidget>(f, "lbxBTapeID")->item(0)->text(),
                 QString("News, Chars Count = 20"));
        const auto* watch = Control<QTableView>(f, "lvWatchFolder");
        QCOMPARE(QStringList({Cell(watch, 0, 1), Cell(watch, 0, 2), Cell(watch, 0, 3)}),
                 QStringList({"/in", "/wout", "night"}));
        const auto* check = Control<QTableView>(f, "lvPlaylistFolder");
        QCOMPARE(QStringList({Cell(check, 0, 1), Cell(check, 0, 2), Cell(check, 0, 3)}),
                 QStringList({"/lists/", "/subs/", "c"}));
        QCOMPARE(form->Session().MainSettings().FPSSource, 0);
        QCOMPARE(form->Session().MainSettings().FPS, std::string("STL30.01"));
        QCOMPARE(form->Session().PlaylistCheckList()->Entries[0]->LanguageCheckList,
                 (std::vector<int32_t>{0x09, 0x0F}));

        // The window's save at close keeps every value; the commands read them back.
        QVERIFY(form->close());
        form.reset();
        QCOMPARE(BatchValues(names), before);
        QCOMPARE(Cli({"hex", "list", "--batch"}), hex);
        QCOMPARE(Cli({"file-types", "list", "--batch"}), types);
        QCOMPARE(Cli({"watch-folders", "list"}), folders);
        QCOMPARE(Cli({"playlists", "list"}), playlists);
        QVERIFY(Cli({"settings", "show", "main"}).contains("FPS = STL30.01 ("));
    }
};

int RunSettingsCommandsTest(int argc, char** argv) {
    TSettingsCommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingsCommandsTest.moc"
