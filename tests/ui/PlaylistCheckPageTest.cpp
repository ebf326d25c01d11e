// The Playlist Check page, selected by code as its tab is hidden: the entry buttons with
// their messages and prompts, the language list, stored entries, and checks of real
// playlist folders run step by step and stopped by Stop or by closing.
#include <filesystem>
#include <functional>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "platform/Registry.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/PlaylistCheckPage.h"
#include "ui/PlaylistCheckPanel.h"

using namespace testsupport;
namespace fs = std::filesystem;
using TEntries = std::vector<std::unique_ptr<TPlaylistCheckSettings>>;

namespace {

constexpr int32_t kEnglish = 0x09;
constexpr int32_t kFrench = 0x0F;

std::unique_ptr<TPlaylistCheckSettings> Entry(const std::string& lists,
                                              const std::string& comment) {
    auto entry = std::make_unique<TPlaylistCheckSettings>();
    entry->PlaylistsFolder = lists;
    entry->SubtitlesFolder = "/Subs/";
    entry->MissingsLogFolder = "/logs/";
    entry->LanguageCheckList = {kEnglish};
    entry->Comment = comment;
    return entry;
}

QString LogName(int playlist) {
    return "p" + QString::number(playlist) + "-French-MissingLog.txt";
}

} // namespace

class TPlaylistCheckPageTest : public QObject, private TPageTest {
    Q_OBJECT

private:
    int linesAtAction_ = -1;
    QMetaObject::Connection watch_;

    TPlaylistCheckPage& Page() const { return *Part<TPlaylistCheckPage>(form_.get()); }
    TPlaylistCheckPanel& EntryPanel() const {
        return *Find<TPlaylistCheckPanel>("PCSettingsPanel");
    }
    const QAbstractItemModel* List() const { return Find<QTableView>("lvPlaylistFolder")->model(); }

    // The window on the settings file as it stands, with the hidden page selected by code.
    bool Show(TEntries entries = {}) {
        if (!TSettingsStore::Global().Load(Path("registry.reg")))
            return false;
        form_ = std::make_unique<TCaplinForm>(&dialogs_);
        form_->show();
        Find<QTabWidget>("PageControl")->setCurrentIndex(pgPlaylistCheck);
        for (auto& entry : entries)
            Session().PlaylistCheckList()->Entries.push_back(std::move(entry));
        Page().RefreshRowCount();
        return QTest::qWaitForWindowExposed(form_.get()) &&
               Session().Logs().CurrentPage == pgPlaylistCheck;
    }

    void Browse(const char* button, const QString& answer) {
        dialogs_.FolderAnswers.push_back(answer.toStdString());
        Press(button);
    }

    void AddLanguage(const char* name) {
        auto* language = Find<QComboBox>("cbPCLanguage");
        language->setCurrentIndex(language->findText(name));
        Press("btnPCAddLanguage");
    }

    void ClickRow(int row) { ClickListRow("lvPlaylistFolder", row); }

    QStringList Panel() const {
        QStringList languages;
        const auto* list = Find<QListWidget>("lbPCLanguageCheckList");
        for (int i = 0; i < list->count(); ++i)
            languages << list->item(i)->text();
        return {Find<QLineEdit>("edPCPlaylistsFolder")->text(),
                Find<QLineEdit>("edPCSubtitlesFolder")->text(),
                Find<QLineEdit>("edPCComment")->text(),
                Find<QLineEdit>("edPCMissingsLogFolder")->text(),
                Find<QCheckBox>("cbPCEnableClipDurationThreshold")->isChecked() ? "ticked"
                                                                                : "unticked",
                QString::number(Find<QSpinBox>("sePCClipDurationThreshold")->value()),
                languages.join(",")};
    }

    // Pane lines without their timestamps.
    static QStringList Lines(const QPlainTextEdit* pane, const char* separator) {
        QStringList lines;
        for (const QString& line : pane->toPlainText().split('\n', Qt::SkipEmptyParts))
            lines << line.section(separator, 1);
        return lines;
    }

    // Entry n with playlists p1.ply ...: clip A has both languages, clip B lacks French.
    std::unique_ptr<TPlaylistCheckSettings> CheckEntry(int n, int playlists) {
        const QString base = "e" + QString::number(n) + "/";
        auto entry = std::make_unique<TPlaylistCheckSettings>();
        entry->PlaylistsFolder = Path(base + "lists/");
        entry->SubtitlesFolder = Path(base + "subs/");
        entry->MissingsLogFolder = Path(base + "logs/");
        entry->LanguageCheckList = {kEnglish, kFrench};
        for (const std::string& folder :
             {entry->PlaylistsFolder, entry->SubtitlesFolder, entry->MissingsLogFolder})
            fs::create_directories(folder);
        const std::string tape = "T" + std::to_string(n);
        for (const char* subtitle : {"A09", "A0F", "B09"}) {
            std::vector<uint8_t> gsi = MakeGsi(0);
            SetField(gsi, 14, 2, subtitle + 1);
            SetField(gsi, 208, 16, tape + subtitle[0]);
            WriteStl(entry->SubtitlesFolder + subtitle + ".stl", gsi, {});
        }
        for (int p = 1; p <= playlists; ++p)
            WriteText(entry->PlaylistsFolder + "p" + std::to_string(p) + ".ply",
                      "#TAPEID " + tape + "A\r\n\"A\";0;5\r\n#TAPEID " + tape +
                          "B\r\n\"B\";10.5;20\r\n");
        return entry;
    }

    TEntries CheckEntries(int count, int playlists) {
        TEntries entries;
        for (int n = 1; n <= count; ++n)
            entries.push_back(CheckEntry(n, playlists));
        return entries;
    }

    static QString EntryLine(const TPlaylistCheckSettings& entry) {
        return "Playlist check: " + QString::fromStdString(entry.PlaylistsFolder);
    }

    // Runs action once a log line holding line is written, after the step that wrote it
    // has returned, as an operator's click comes; linesAtAction_ then counts such lines.
    void WhenLogged(const QString& line, std::function<void()> action) {
        linesAtAction_ = -1;
        const auto* logs = Find<QPlainTextEdit>("memLogs");
        watch_ = connect(logs, &QPlainTextEdit::textChanged, this, [=, this] {
            if (!logs->toPlainText().contains(line))
                return;
            disconnect(watch_);
            QTimer::singleShot(0, this, [=, this] {
                linesAtAction_ = int(Lines(logs, " - ").filter(line).size());
                action();
            });
        });
    }

private Q_SLOTS:
    void init() { QVERIFY(StartHome("caplin-pc", false)); }

    void cleanup() { EndHome(); }

    void addChecksInOrder_data() {
        QTest::addColumn<QStringList>("folders"); // playlists, subtitles, missings log
        QTest::addColumn<bool>("language");
        QTest::addColumn<QString>("message"); // empty: added
        QTest::newRow("nothing") << QStringList{"", "", ""} << false
                                 << "No playlists folder specified.";
        QTest::newRow("no subtitles")
            << QStringList{"/new", "", "/logs"} << true << "No subtitles folder specified.";
        QTest::newRow("no language, all folders") << QStringList{"/new", "/subs", "/logs"} << false
                                                  << "No languages for checking specified.";
        QTest::newRow("no log folder")
            << QStringList{"/new", "/subs", ""} << true << "No missings log folder specified.";
        QTest::newRow("listed pair in other case")
            << QStringList{"/LISTS", "/subs/", "/logs"} << true
            << "These Playlist and Subtitle folders exist in the current list.";
        QTest::newRow("listed playlists folder, other subtitles")
            << QStringList{"/lists", "/other", "/logs"} << true << "";
    }

    void addChecksInOrder() {
        QFETCH(QStringList, folders);
        QFETCH(bool, language);
        QFETCH(QString, message);
        TEntries entries;
        entries.push_back(Entry("/lists/", "listed"));
        QVERIFY(Show(std::move(entries)));
        const char* browse[] = {"btnPCPlaylistsFolderBrowse", "btnPCSubtitlesFolderBrowse",
                                "btnPCMissingsLogFolderBrowse"};
        for (int i = 0; i < 3; ++i)
            if (!folders[i].isEmpty())
                Browse(browse[i], folders[i]);
        if (language)
            AddLanguage("German");
        Find<QLineEdit>("edPCComment")->setText("night");
        Find<QCheckBox>("cbPCEnableClipDurationThreshold")->setChecked(true);
        Find<QSpinBox>("sePCClipDurationThreshold")->setValue(30);
        dialogs_.Asked.clear();

        Press("btnPCAdd");
        const auto& list = Session().PlaylistCheckList()->Entries;
        if (!message.isEmpty()) {
            QCOMPARE(dialogs_.Asked, std::vector<std::string>{"Message: " + message.toStdString()});
            QCOMPARE(list.size(), size_t(1));
            QCOMPARE(Panel()[2], QString("night"));
            return;
        }
        QVERIFY(dialogs_.Asked.empty());
        QCOMPARE(List()->index(1, 2).data().toString(), QString("/other/"));
        // Browsed folders end in "/"; the entry is a copy, and Clear Params empties the
        // panel and the settings behind it.
        const TPlaylistCheckSettings& added = *list[1];
        QCOMPARE(added.LanguageCheckList, std::vector<int32_t>{0x08});
        QCOMPARE(
            QString::fromStdString(added.PlaylistsFolder + added.MissingsLogFolder + added.Comment),
            QString("/lists//logs/night"));
        QCOMPARE(added.ClipsDurationThreasholdSeconds, 30.0);
        QCOMPARE(Panel(), (QStringList{"", "", "", "", "unticked", "0", ""}));
        const TPlaylistCheckSettings& cleared = *Session().PCSettings();
        QVERIFY(cleared.PlaylistsFolder.empty() && cleared.SubtitlesFolder.empty() &&
                cleared.Comment.empty() && cleared.MissingsLogFolder.empty() &&
                cleared.LanguageCheckList.empty() && !cleared.CheckClipsWidhDurationOver);
        QCOMPARE(cleared.ClipsDurationThreasholdSeconds, 0.0);
        QVERIFY(!Find<QSpinBox>("sePCClipDurationThreshold")->isEnabled());
        QVERIFY(!EntryPanel().PCSettingsChanged);
    }

    void languageAddedTwiceAndRemoved() {
        QVERIFY(Show());
        AddLanguage("English");
        QVERIFY(EntryPanel().PCSettingsChanged);
        EntryPanel().PCSettingsChanged = false;
        AddLanguage("English");
        QVERIFY(!EntryPanel().PCSettingsChanged);
        AddLanguage("French");
        QCOMPARE(Panel().last(), QString("English,French"));
        Find<QListWidget>("lbPCLanguageCheckList")->setCurrentRow(0);
        Press("btnPCRemoveLanguage");
        QCOMPARE(Session().PCSettings()->LanguageCheckList, std::vector<int32_t>{kFrench});

        // A stored code without a language row is not shown; removing the row shown after it
        // removes that row's own code.
        Session().PCSettings()->LanguageCheckList = {0x30, kEnglish, kFrench};
        EntryPanel().UpdatePCForm();
        Find<QListWidget>("lbPCLanguageCheckList")->setCurrentRow(1);
        Press("btnPCRemoveLanguage");
        QCOMPARE(Session().PCSettings()->LanguageCheckList, (std::vector<int32_t>{0x30, kEnglish}));
    }

    void updatePrompts_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }

    void updatePrompts() {
        QFETCH(bool, yes);
        TEntries entries;
        entries.push_back(Entry("/a/", "first"));
        entries.push_back(Entry("/b/", "second"));
        entries[1]->CheckClipsWidhDurationOver = true;
        entries[1]->ClipsDurationThreasholdSeconds = 12.7;
        QVERIFY(Show(std::move(entries)));
        const auto& list = Session().PlaylistCheckList()->Entries;
        Press("btnPCUpdate");
        QCOMPARE(dialogs_.Asked.back(), std::string("Message: No item selected."));

        ClickRow(0);
        ClickRow(0); // unchanged: no question
        Find<QLineEdit>("edPCComment")->setText("first, edited");
        dialogs_.Asked.clear();
        dialogs_.YesNoAnswers = {yes};
        ClickRow(1);
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{"YesNo: Do you want to update Playlist check item #1 ?"});
        QCOMPARE(list[0]->Comment, std::string(yes ? "first, edited" : "first"));
        QCOMPARE(Panel(),
                 (QStringList{"/b/", "/Subs/", "second", "/logs/", "ticked", "12", "English"}));

        Find<QLineEdit>("edPCComment")->setText("second, edited");
        dialogs_.Asked.clear();
        dialogs_.YesNoAnswers = {yes};
        Press("btnPCUpdate");
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{"YesNo: Do you want to update Playlist Check Item #2 ?"});
        QCOMPARE(List()->index(1, 3).data().toString(), QString(yes ? "second, edited" : "second"));
        // Shown as 12, kept as 12.7 while the panel is not changed.
        QCOMPARE(list[1]->ClipsDurationThreasholdSeconds, yes ? 12.0 : 12.7);

        // A released key in the list selects as a click does; only a change left unstored
        // is offered.
        dialogs_.Asked.clear();
        dialogs_.YesNoAnswers = {false};
        QTest::keyClick(Find<QTableView>("lvPlaylistFolder"), Qt::Key_Up);
        QCoreApplication::processEvents();
        QCOMPARE(Page().SelectedIndex(), 0);
        QCOMPARE(dialogs_.Asked.size(), size_t(yes ? 0 : 1));
        QCOMPARE(Panel()[2], QString::fromStdString(list[0]->Comment));
    }

    void removeAndClearList_data() {
        QTest::addColumn<bool>("key");
        QTest::newRow("Remove button") << false;
        QTest::newRow("Delete key") << true;
    }

    void removeAndClearList() {
        QFETCH(bool, key);
        TEntries entries;
        for (const char* name : {"/a/", "/b/", "/c/"})
            entries.push_back(Entry(name, name));
        QVERIFY(Show(std::move(entries)));
        Press("btnPCRemove");
        QCOMPARE(dialogs_.Asked.back(), std::string("Message: No item selected."));
        ClickRow(1);
        if (key) {
            QTest::keyClick(Find<QTableView>("lvPlaylistFolder"), Qt::Key_Delete);
            QCoreApplication::processEvents(); // the key's release is handled on the next turn
        } else {
            Press("btnPCRemove");
        }
        QCOMPARE(List()->rowCount(), 2);
        QCOMPARE(List()->index(1, 0).data().toString() + List()->index(1, 1).data().toString(),
                 QString("2/c/"));
        // The panel still holds the removed entry: its change is not offered to the entry
        // that took the removed one's place.
        Find<QLineEdit>("edPCComment")->setText("changed");
        dialogs_.Asked.clear();
        ClickRow(0);
        QVERIFY(dialogs_.Asked.empty());

        Press("btnPCClearList");
        QCOMPARE(List()->rowCount(), 0);
        Press("btnPCCheck");
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{"Message: There are no playlist folders specified."});
        QVERIFY(!Session().ConversionInProgress());
    }

    void checkFindsTheMissingLanguages() {
        const int playlists[] = {1, 2, 1, 3};
        TEntries entries;
        for (int n = 0; n < 4; ++n)
            entries.push_back(CheckEntry(n + 1, playlists[n]));
        // Nothing to check there, and nothing said about it.
        entries.push_back(Entry(Path("absent/"), "absent"));
        QVERIFY(Show(std::move(entries)));
        const auto& list = Session().PlaylistCheckList()->Entries;
        Find<QComboBox>("cbMessagesFilter")
            ->setCurrentIndex(1); // "Show Infos": this page shows all

        Press("btnPCCheck");
        QCOMPARE(Caption(Find<QPushButton>("btnPCCheck")), QString("Stop"));
        QVERIFY(!Find<QPushButton>("btnPCAdd")->isEnabled() &&
                !Find<QTableView>("lvPlaylistFolder")->isEnabled());
        QVERIFY(!form_->PageControlChanging());
        QTRY_VERIFY_WITH_TIMEOUT(!Session().ConversionInProgress(), 10000);
        QCOMPARE(Caption(Find<QPushButton>("btnPCCheck")), QString("Check"));
        QVERIFY(Find<QPushButton>("btnPCAdd")->isEnabled());

        QStringList lines = Lines(Find<QPlainTextEdit>("memLogs"), " - ");
        QCOMPARE(lines.takeFirst(), QString("Playlist check starting."));
        QCOMPARE(lines.takeLast(), QString("Playlist check done."));
        QStringList messages = Lines(Find<QPlainTextEdit>("memMessages"), " : ");
        // Playlists come in folder order, so each entry's lines are compared sorted.
        for (int n = 0; n < 4; ++n) {
            QStringList logged = lines.mid(0, playlists[n]);
            QStringList reported = messages.mid(0, playlists[n]);
            lines = lines.mid(playlists[n]);
            messages = messages.mid(playlists[n]);
            logged.sort();
            reported.sort();
            const std::string tape = "T" + std::to_string(n + 1) + "B";
            for (int p = 1; p <= playlists[n]; ++p) {
                const std::string playlist =
                    list[n]->PlaylistsFolder + "p" + std::to_string(p) + ".ply";
                QCOMPARE(logged[p - 1].toStdString(), "Playlist check: " + playlist);
                QCOMPARE(reported[p - 1].toStdString(),
                         "Error - Subtitle file not found. Playlist: " + playlist +
                             ". File Name: B. TapeID: " + tape + ". Language: French");
                QCOMPARE(ReadText(list[n]->MissingsLogFolder + LogName(p).toStdString()),
                         "File Name: B. TapeID: " + tape + ". Language: French\r\n");
            }
            QVERIFY(!fs::exists(list[n]->MissingsLogFolder + "p1-English-MissingLog.txt"));
        }
        QVERIFY(lines.isEmpty() && messages.isEmpty());
    }

    // Stop, or a close answered Yes, while an entry is under way: that entry is finished,
    // no later one is begun, and only Stop says so.
    void interruptedDuringAnEntry_data() {
        QTest::addColumn<bool>("close");
        QTest::newRow("Stop") << false;
        QTest::newRow("close") << true;
    }

    void interruptedDuringAnEntry() {
        QFETCH(bool, close);
        QVERIFY(Show(CheckEntries(5, 3)));
        std::vector<TPlaylistCheckSettings> list;
        for (const auto& entry : Session().PlaylistCheckList()->Entries)
            list.push_back(*entry);
        Session().PlaylistCheck().StepBudget = std::chrono::milliseconds(0); // one playlist a step
        WhenLogged(EntryLine(list[2]), [this, close] {
            dialogs_.YesNoAnswers = {true};
            if (close)
                form_->close();
            else
                Press("btnPCCheck");
        });

        Press("btnPCCheck");
        QTRY_VERIFY_WITH_TIMEOUT(linesAtAction_ >= 0, 10000);
        QVERIFY2(linesAtAction_ < 3, "the third entry was not under way");
        if (close) {
            QCOMPARE(dialogs_.Asked.back(), std::string("YesNo: Conversion in progress. "
                                                        "Do you want to stop the conversion?"));
            QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), 5000);
        }
        QTest::qWait(300); // steps that would have come do not
        QVERIFY(!Session().ConversionInProgress());
        QCOMPARE(Caption(Find<QPushButton>("btnPCCheck")), QString("Check"));
        for (size_t n = 0; n < list.size(); ++n)
            for (int p = 1; p <= 3; ++p)
                QCOMPARE(fs::exists(list[n].MissingsLogFolder + LogName(p).toStdString()), n < 3);
        const QStringList lines = Lines(Find<QPlainTextEdit>("memLogs"), " - ");
        QCOMPARE(lines.filter(EntryLine(list[2])).size(), 3);
        QCOMPARE(lines.contains("Playlist check stopping."), !close);
        QVERIFY(!lines.contains("Playlist check done."));
        QCOMPARE(Session().PlaylistCheck().EntriesChecked(), size_t(3));
    }

    void storedEntriesOfWrongTypes() {
        {
            TSettingsStore::Global().Clear();
            TRegistry registry;
            QVERIFY(registry.OpenKey(kPlaylistsCheckKey, true));
            registry.WriteInteger("PlaylistsCheckListCount", 3);
            QVERIFY(registry.OpenKey(TPlaylistCheckList::EntryKey(0), true));
            registry.WriteInteger("PlaylistsFolder", 7);
            registry.WriteString("SubtitlesFolder", "/subs");
            registry.WriteString("CheckClipsWidhDurationOver", "yes");
            registry.WriteInteger("ClipsDurationThreasholdSeconds", 12);
            QVERIFY(registry.OpenKey(TPlaylistCheckList::EntryKey(0) + "Languages", true));
            registry.WriteString("LangsCount", "1");
            registry.WriteInteger("LangID_0", kEnglish);
            QVERIFY(registry.OpenKey(TPlaylistCheckList::EntryKey(1), true));
            registry.WriteInteger("CheckClipsWidhDurationOver", 5);
            registry.WriteFloat("ClipsDurationThreasholdSeconds", 12.7);
            QVERIFY(registry.OpenKey(TPlaylistCheckList::EntryKey(1) + "Languages", true));
            registry.WriteInteger("LangsCount", 3);
            registry.WriteInteger("LangID_0", kFrench);
            registry.WriteString("LangID_1", "09");
            registry.WriteInteger("LangID_2", kEnglish);
            // Entry 2 has no key at all.
            QVERIFY(TSettingsStore::Global().Save(Path("registry.reg")));
        }
        QVERIFY(Show());
        QCOMPARE(List()->rowCount(), 3);
        ClickRow(0);
        QCOMPARE(Panel(), (QStringList{"", "/subs/", "", "", "unticked", "0", ""}));
        ClickRow(1);
        QCOMPARE(Panel(), (QStringList{"", "", "", "", "ticked", "12", "French,English"}));
        ClickRow(2);
        QCOMPARE(Panel(), (QStringList{"", "", "", "", "unticked", "0", ""}));
        QVERIFY(form_->close());

        // Saved back as loaded, in the right types.
        QVERIFY(TSettingsStore::Global().Load(Path("registry.reg")));
        TPlaylistCheckList saved;
        QVERIFY(saved.LoadRegistryPlaylistCheckLists());
        QCOMPARE(saved.Entries.size(), size_t(3));
        QCOMPARE(saved.Entries[0]->SubtitlesFolder, std::string("/subs/"));
        QVERIFY(saved.Entries[0]->LanguageCheckList.empty());
        QCOMPARE(saved.Entries[1]->ClipsDurationThreasholdSeconds, 12.7);
        QCOMPARE(saved.Entries[1]->LanguageCheckList, (std::vector<int32_t>{kFrench, kEnglish}));
    }
};

int RunPlaylistCheckPageTest(int argc, char** argv) {
    TPlaylistCheckPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PlaylistCheckPageTest.moc"
