// The Watch Folder page: the entry checks and prompts, Clear Params, the armed run over real
// STL files, disarming and closing while armed, faults met while armed, and the stored list.
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "convert/HexFindReplace.h"
#include "convert/SubtitleFileType.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/SettingsPanel.h"
#include "ui/WatchFolderPage.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string EntryKey(int n) {
    return std::string(kWatchFolderKey) + "WF_" + std::to_string(n) + "\\";
}

// Sets or clears the immutable flag of a folder; root writes through plain permissions.
bool SetImmutable(const std::string& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool CanCreateFileIn(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    const int fd = ::open(probe.c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    fs::remove(probe);
    return true;
}

} // namespace

class TWatchFolderPageTest : public QObject, private TPageTest {
    Q_OBJECT

private:
    TWatchFolderPage& Page() const { return *Part<TWatchFolderPage>(form_.get()); }
    TConversionSettingsPanel& Panel() const {
        return *Find<TConversionSettingsPanel>("pnWFSettings");
    }
    QTableView* List() const { return Find<QTableView>("lvWatchFolder"); }
    std::vector<std::unique_ptr<TWatchFolderItem>>& Items() {
        return Session().WatchFolderList()->Items;
    }
    QString Cell(int row, int column) { return ListCell("lvWatchFolder", row, column); }

    void ShowForm() {
        form_ = std::make_unique<TCaplinForm>(&dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        Find<QTabWidget>("PageControl")->setCurrentIndex(1);
    }

    // The two folders as the operator browses for them, then "Add".
    void Add(const std::string& watch, const std::string& destination,
             const QString& comment = QString()) {
        dialogs_.FolderAnswers = {watch, destination};
        Press("btnWFWatchFolderBrowse");
        Press("btnWFDestFolderBrowse");
        if (!comment.isEmpty())
            Find<QLineEdit>("edWFComment")->setText(comment);
        Press("btnWFAdd");
    }

    // A click on row, with the answer to the question it may ask.
    void ClickRow(int row, std::optional<bool> answer = std::nullopt) {
        if (answer)
            dialogs_.YesNoAnswers.push_back(*answer);
        ClickListRow("lvWatchFolder", row);
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& asked : dialogs_.Asked)
            if (asked.rfind("Message: ", 0) == 0 || asked.rfind("YesNo: ", 0) == 0)
                messages.push_back(asked);
        return messages;
    }

    // Two watch folders in and out of the temporary folder, added through the page.
    void AddTwoFolders() {
        for (const char* name : {"inA", "inB", "outA", "outB"})
            QVERIFY(fs::create_directory(Path(name)));
        for (const char* folder : {"A", "B"}) {
            dialogs_.FolderAnswers = {Path(std::string("in") + folder),
                                      Path(std::string("out") + folder)};
            Press("btnWFWatchFolderBrowse");
            Press("btnWFDestFolderBrowse");
            Find<QCheckBox>("cbWFOverwriteDestination")->setChecked(true);
            // Test files carry neither a tape ID nor a language in their names.
            Find<QComboBox>("cbWFTapeID")->setCurrentIndex(1);
            Find<QLineEdit>("edWFTapeID")->setText("TAPE0001");
            Find<QComboBox>("cbWFLanguageSource")->setCurrentIndex(1);
            PositionLanguagePredefinedCombo(Find<QComboBox>("cbWFLanguagePredefined"), "09");
            Press("btnWFAdd");
        }
        QCOMPARE(Items().size(), size_t(2));
    }

    void Arm() {
        Press("btnWFArm");
        QCOMPARE(Caption(Find<QPushButton>("btnWFArm")), QString("Disarm"));
        QVERIFY(Session().ConversionInProgress());
        QCOMPARE(form_->windowTitle(), QString("Caplin - watch folders armed"));
    }

    void Disarm() {
        Press("btnWFArm");
        QCOMPARE(Caption(Find<QPushButton>("btnWFArm")), QString("Arm"));
        QVERIFY(!Session().ConversionInProgress());
        QCOMPARE(form_->windowTitle(), QString("Caplin"));
    }

    // The language list shows the language the panel's settings hold, enabled or not.
    void LanguageShown(int code, bool enabled) {
        auto* combo = Find<QComboBox>("cbWFLanguagePredefined");
        QCOMPARE(combo->currentData().toInt(), code);
        QCOMPARE(HexTextToInt(Session().WFSettings()->LanguagePredefined), code);
        QCOMPARE(combo->isEnabled(), enabled);
    }

    std::string WriteGoodStl(const std::string& path) {
        WriteStl(path, MakeGsi(1), {MakeTti(1, "Hello")});
        return path;
    }

private Q_SLOTS:
    void init() { QVERIFY(StartHome("caplin-wf")); }

    void cleanup() { EndHome(); }

    void addChecksInOrder_data() {
        QTest::addColumn<QStringList>("pairs"); // watch|destination, added in turn
        QTest::addColumn<QStringList>("refusals");
        QTest::addColumn<int>("entries");
        QTest::newRow("nothing chosen")
            << QStringList{"|"} << QStringList{"No watch folder specified."} << 0;
        QTest::newRow("no destination")
            << QStringList{"C:\\In|"} << QStringList{"No destination folder specified."} << 0;
        QTest::newRow("equal folders") << QStringList{"C:\\In|C:\\In"}
                                       << QStringList{"Watch and Destination folders must not "
                                                      "be the same."}
                                       << 0;
        QTest::newRow("equal but for case") << QStringList{"C:\\In|c:\\in"} << QStringList{} << 1;
        const QString exists = "These Watch and Destination folders exist in the current list.";
        QTest::newRow("same pair")
            << QStringList{"C:\\In|C:\\Out", "C:\\In|C:\\Out"} << QStringList{exists} << 1;
        QTest::newRow("same pair in other case and blanks")
            << QStringList{"C:\\In|C:\\Out", " c:\\in|C:\\OUT "} << QStringList{exists} << 1;
        QTest::newRow("same watch folder, other destination")
            << QStringList{"C:\\In|C:\\Out", "C:\\In|C:\\Out2"} << QStringList{} << 2;
    }

    void addChecksInOrder() {
        QFETCH(QStringList, pairs);
        QFETCH(QStringList, refusals);
        QFETCH(int, entries);
        ShowForm();
        for (const QString& pair : pairs)
            Add(pair.section('|', 0, 0).toStdString(), pair.section('|', 1, 1).toStdString(),
                "night");
        std::vector<std::string> expected;
        for (const QString& refusal : refusals)
            expected.push_back("Message: " + refusal.toStdString());
        QCOMPARE(Messages(), expected);
        QCOMPARE(List()->model()->rowCount(), entries);
        QCOMPARE(static_cast<int>(Items().size()), entries);
        for (int row = 0; row < entries; ++row) {
            QCOMPARE(Cell(row, 0), QString::number(row + 1));
            QCOMPARE(Cell(row, 1), pairs[row].section('|', 0, 0));
            QCOMPARE(Cell(row, 2), pairs[row].section('|', 1, 1));
            QCOMPARE(Cell(row, 3), QString("night"));
        }
        if (refusals.isEmpty()) {
            // An accepted entry leaves an empty panel that counts as unchanged.
            QCOMPARE(Find<QLineEdit>("edWFWatchFolder")->text(), QString());
            QCOMPARE(Session().WFSettings()->WatchFolder, std::string());
            QVERIFY(!Panel().SettingsChanged);
        }
    }

    void rowChangeAsksForThePreviousRow_data() {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("storedFirst");
        QTest::newRow("yes stores the edit") << true << "edited";
        QTest::newRow("no drops the edit") << false << "first";
    }

    void rowChangeAsksForThePreviousRow() {
        QFETCH(bool, answer);
        QFETCH(QString, storedFirst);
        ShowForm();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        ClickRow(0);
        QCOMPARE(Page().SelectedIndex(), 0);
        QCOMPARE(Find<QLineEdit>("edWFComment")->text(), QString("first"));
        QVERIFY(!Panel().SettingsChanged);
        QVERIFY(Messages().empty()); // nothing changed, nothing asked

        Find<QLineEdit>("edWFComment")->setText("edited");
        QVERIFY(Panel().SettingsChanged);
        ClickRow(1, answer);
        QCOMPARE(Messages(),
                 std::vector<std::string>{"YesNo: Do you want to update Watch Folder #1 ?"});
        QCOMPARE(Cell(0, 3), storedFirst);
        QCOMPARE(Page().SelectedIndex(), 1);
        QCOMPARE(Find<QLineEdit>("edWFComment")->text(), QString("second"));
        QCOMPARE(Find<QLineEdit>("edWFWatchFolder")->text(), QString("/in/2"));
        QVERIFY(!Panel().SettingsChanged);

        // A real click on the first row goes through the same handler.
        QTableView* view = List();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(0, 1)).center());
        QTRY_COMPARE(Page().SelectedIndex(), 0);
        QCOMPARE(Find<QLineEdit>("edWFComment")->text(), storedFirst);
        QCOMPARE(Messages().size(), size_t(1));
    }

    void removeForgetsTheSelectedEntry_data() {
        QTest::addColumn<bool>("key");
        QTest::newRow("Remove button") << false;
        QTest::newRow("Delete key") << true;
    }

    // After a Remove the rows below move up; edits made then must not land in the entry that
    // took the removed one's place.
    void removeForgetsTheSelectedEntry() {
        QFETCH(bool, key);
        ShowForm();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        Add("/in/3", "/out/3", "third");
        ClickRow(1);
        if (key) {
            QTest::keyClick(List(), Qt::Key_Delete);
            QCoreApplication::processEvents(); // the key's release is handled on the next turn
        } else {
            Press("btnWFRemove");
        }
        QCOMPARE(List()->model()->rowCount(), 2);
        QCOMPARE(Page().SelectedIndex(), -1);
        Find<QLineEdit>("edWFComment")->setText("edited");
        ClickRow(0);
        QVERIFY(Messages().empty());
        QCOMPARE(Cell(1, 3), QString("third"));
        QCOMPARE(Find<QLineEdit>("edWFComment")->text(), QString("first"));
    }

    // Adding resizes the view, which drops its selection; the selected entry stays selected.
    void addKeepsTheSelectedRow() {
        ShowForm();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        ClickRow(0);
        Add("/in/3", "/out/3", "third");
        QCOMPARE(Page().SelectedIndex(), 0);
        QCOMPARE(List()->selectionModel()->selectedRows().size(), 1);
        Find<QLineEdit>("edWFComment")->setText("edited");
        dialogs_.YesNoAnswers = {true};
        Press("btnWFUpdate");
        QCOMPARE(Messages(),
                 std::vector<std::string>{"YesNo: Do you want to update Watch Folder #1 ?"});
        QCOMPARE(Cell(0, 3), QString("edited"));
    }

    void updateAsksAndStores() {
        ShowForm();
        Press("btnWFUpdate");
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        ClickRow(1);
        Find<QLineEdit>("edWFComment")->setText("changed");
        dialogs_.YesNoAnswers = {false, true};
        Press("btnWFUpdate");
        QCOMPARE(Cell(1, 3), QString("second"));
        QVERIFY(Panel().SettingsChanged);
        Press("btnWFUpdate");
        QCOMPARE(Cell(1, 3), QString("changed"));
        QCOMPARE(Items()[1]->Settings.Comment, std::string("changed"));
        QCOMPARE(Cell(0, 3), QString("first"));
        QVERIFY(!Panel().SettingsChanged);
        List()->clearSelection();
        Press("btnWFUpdate");
        Press("btnWFRemove");
        QCOMPARE(Messages(),
                 (std::vector<std::string>{
                     "Message: No item selected.", "YesNo: Do you want to update Watch Folder #2 ?",
                     "YesNo: Do you want to update Watch Folder #2 ?", "Message: No item selected.",
                     "Message: No item selected."}));

        List()->selectRow(0);
        Press("btnWFRemove");
        QCOMPARE(List()->model()->rowCount(), 1);
        QCOMPARE(Cell(0, 0), QString("1"));
        QCOMPARE(Cell(0, 1), QString("/in/2"));
        Press("btnWFClearList");
        QCOMPARE(List()->model()->rowCount(), 0);
        QVERIFY(Items().empty());
    }

    void clearParamsResetsEveryControl() {
        ShowForm();
        dialogs_.FolderAnswers = {"/in", "/out", "/moved"};
        Press("btnWFWatchFolderBrowse");
        QVERIFY(Panel().SettingsChanged); // a browsed folder is the operator's change
        Press("btnWFDestFolderBrowse");
        Find<QComboBox>("cbWFMoveProcessedFiles")->setCurrentIndex(1);
        Press("btnWFMoveProcessedFiles");
        QCOMPARE(dialogs_.Asked,
                 (std::vector<std::string>{"Folder: Watch Folder: ", "Folder: Destination Folder: ",
                                           "Folder: Destination Move Folder: "}));
        QCOMPARE(Session().WFSettings()->MoveProcessedFilesFolder, std::string("/moved"));
        Find<QComboBox>("cbWFTapeID")->setCurrentIndex(1);
        Find<QLineEdit>("edWFTapeID")->setText("TAPE");
        Find<QComboBox>("cbWFLanguageSource")->setCurrentIndex(1);
        Find<QComboBox>("cbWFLanguagePredefined")->setCurrentIndex(5);
        Find<QCheckBox>("cbWFPerformLanguageCheck")->setChecked(true);
        Find<QCheckBox>("cbWFRemoveZeroPage")->setChecked(true);
        Find<QLineEdit>("edWFZeroPageKeyWord")->setText("ZERO");
        Find<QComboBox>("cbWFTimeCodeStartOfProgramme")->setCurrentIndex(1);
        const char* timeCode[] = {"seWFHour", "seWFMin", "seWFSec", "seWFFrame"};
        for (const char* spin : timeCode)
            Find<QSpinBox>(spin)->setValue(7);
        Find<QCheckBox>("cbWFOverwriteDestination")->setChecked(true);
        Find<QComboBox>("cbWFCodePageNumber")->setCurrentIndex(6);
        Find<QSpinBox>("seWFCodePageNumber")->setValue(123);
        Find<QComboBox>("cbWFCharacterCodeTableNumber")->setCurrentIndex(3);
        Find<QComboBox>("cbWFDisplayStandardCode")->setCurrentIndex(2);
        Find<QLineEdit>("edWFComment")->setText("note");
        TWatchFolderSTLConvertSettings& s = *Session().WFSettings();
        auto type = std::make_unique<TSubtitleFileType>();
        type->Name = "type";
        s.SubtitleFileTypes.push_back(std::move(type));
        auto hex = std::make_unique<THexFindAndReplaceValue>();
        hex->NumBytes = 1;
        s.HexFindAndReplaceItems.push_back(std::move(hex));
        Panel().UpdateForm();
        QCOMPARE(Find<QListWidget>("lbxWFTapeID")->count(), 1);

        Press("btnWFClearParams");
        for (const char* edit : {"edWFWatchFolder", "edWFDestFolder", "edWFTapeID",
                                 "edWFZeroPageKeyWord", "edWFComment", "edWFMoveProcessedFiles"})
            QVERIFY2(Find<QLineEdit>(edit)->text().isEmpty(), edit);
        for (const char* combo :
             {"cbWFTapeID", "cbWFLanguageSource", "cbWFTimeCodeStartOfProgramme",
              "cbWFMoveProcessedFiles", "cbWFCodePageNumber", "cbWFCharacterCodeTableNumber",
              "cbWFDisplayStandardCode"})
            QVERIFY2(Find<QComboBox>(combo)->currentIndex() == 0, combo);
        // The language list is sorted by name: cleared, it shows the language of an empty
        // code, as for settings never set.
        QCOMPARE(Find<QComboBox>("cbWFLanguagePredefined")->currentData().toInt(), 0);
        for (const char* box :
             {"cbWFPerformLanguageCheck", "cbWFRemoveZeroPage", "cbWFOverwriteDestination"})
            QVERIFY2(!Find<QCheckBox>(box)->isChecked(), box);
        int timeCodeSum = 0;
        for (const char* spin : timeCode)
            timeCodeSum += Find<QSpinBox>(spin)->value();
        QCOMPARE(timeCodeSum, 0);
        QCOMPARE(Find<QSpinBox>("seWFCodePageNumber")->value(), 850);
        QCOMPARE(Find<QListWidget>("lbxWFTapeID")->count(), 0);
        QCOMPARE(Find<QListWidget>("lbWFHexFindAndReplace")->count(), 0);
        // The settings follow the controls, and the enabling follows the governing lists.
        QVERIFY(s.SubtitleFileTypes.empty());
        QVERIFY(s.HexFindAndReplaceItems.empty());
        QCOMPARE(s.MoveProcessedFilesFolder, std::string());
        QCOMPARE(s.CodePageNumberSource, 0);
        QCOMPARE(s.CodePageNumberCustom, std::string("850"));
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("00000000"));
        QCOMPARE(s.LanguagePredefined, std::string("00"));
        for (const char* name : {"edWFTapeID", "cbWFLanguagePredefined", "edWFZeroPageKeyWord",
                                 "seWFHour", "edWFMoveProcessedFiles", "seWFCodePageNumber"})
            QVERIFY2(!Find<QWidget>(name)->isEnabled(), name);
    }

    // Regression: after "Add", Clear Params put the language list on its first item by
    // position, Albanian in a list sorted by name, and stored it, so the next entry carried
    // a language nobody chose.
    void languageListShowsTheStoredLanguage() {
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(kWatchFolderKey, true));
            registry.WriteString("LanguagePredefined", "0F");
        }
        ShowForm();
        LanguageShown(0x0F, false); // start-up
        Find<QComboBox>("cbWFLanguageSource")->setCurrentIndex(1);
        PositionLanguagePredefinedCombo(Find<QComboBox>("cbWFLanguagePredefined"), "09");
        Add("/in/1", "/out/1");
        LanguageShown(0, false); // Add cleared the panel
        Add("/in/2", "/out/2");
        QCOMPARE(Items()[0]->Settings.LanguagePredefined, std::string("09"));
        QCOMPARE(Items()[1]->Settings.LanguagePredefined, std::string("00"));
        ClickRow(0);
        LanguageShown(0x09, true);
        ClickRow(1);
        LanguageShown(0, false);
        Find<QComboBox>("cbWFLanguageSource")->setCurrentIndex(2);
        PositionLanguagePredefinedCombo(Find<QComboBox>("cbWFLanguagePredefined"), "0A");
        dialogs_.YesNoAnswers = {true};
        Press("btnWFUpdate");
        QCOMPARE(Items()[1]->Settings.LanguagePredefined, std::string("0A"));
        LanguageShown(0x0A, false);
    }

    void armingWithEmptyListChangesNothing() {
        ShowForm();
        Press("btnWFArm");
        QCOMPARE(Messages(),
                 std::vector<std::string>{"Message: There are no watch folder specified."});
        QCOMPARE(Caption(Find<QPushButton>("btnWFArm")), QString("Arm"));
        QVERIFY(!Session().ConversionInProgress());
        QVERIFY(Find<QPushButton>("btnWFAdd")->isEnabled());
        QVERIFY(LogLines().isEmpty());
        // A first start writes the default poll interval.
        TRegistry registry;
        int32_t interval = 0;
        QVERIFY(registry.OpenKey(kWatchFolderKey, false));
        QVERIFY(registry.ReadInteger("WatchFolderCheckIntervalMS", interval));
        QCOMPARE(interval, 5000);
    }

    void armingThatFailsLeavesNothingArmed() {
        TraceCapture trace;
        ShowForm();
        AddTwoFolders();
        QVERIFY(
            Items()[1]->Start(kMinCheckIntervalMS)); // the second folder cannot be started again
        Press("btnWFArm");
        QCOMPARE(trace.Lines(),
                 (std::vector<std::string>{
                     "vlm: Error in TWatchFolderItem.Start - already started.",
                     "vlm: Error in TCaplinForm.StartWatchFolderObjects - cannot start object.",
                     "vlm: Error in TCaplinForm.btnWFArmClick - cannot start watch folder "
                     "objects."}));
        QVERIFY(!Items()[0]->IsStarted());
        QVERIFY(!Session().ConversionInProgress());
        QCOMPARE(Caption(Find<QPushButton>("btnWFArm")), QString("Arm"));
        QVERIFY(Find<QPushButton>("btnWFAdd")->isEnabled());
        QVERIFY(!LogLines().contains("Watch folder conversion armed."));
        QVERIFY(Items()[1]->Stop());
    }

    void twoArmedFoldersConvertAlternately() {
        if (RealStlFolder().empty())
            QSKIP("../shared/testdata is not beside the project");
        // Six real files with six different names, three for each folder.
        std::vector<fs::path> files;
        std::set<std::string> names;
        for (const fs::path& file : RealStlFiles())
            if (files.size() < 6 && names.insert(file.filename().string()).second)
                files.push_back(file);
        QCOMPARE(files.size(), size_t(6));
        ShowForm();
        Session().WatchFolderList()->WatchFolderCheckIntervalMS = 50;
        AddTwoFolders();
        for (size_t i = 0; i < files.size(); ++i)
            fs::copy_file(files[i], Path(i % 2 == 0 ? "inA" : "inB") / files[i].filename());

        Arm();
        // Both threads poll at the shortest interval they accept.
        for (const auto& item : Items())
            QCOMPARE(item->Thread->CheckIntervalMS(), 100);
        // The folders are left to fill their queues before the first pass, so each pass
        // finds a file in both.
        Find<QTimer>("tmrWFArm")->stop();
        QTRY_VERIFY_WITH_TIMEOUT(Items()[0]->PendingCount() == 3 && Items()[1]->PendingCount() == 3,
                                 5000);
        QVERIFY(!List()->isEnabled());
        QVERIFY(!Panel().isEnabled());
        QVERIFY(Find<QPushButton>("btnWFArm")->isEnabled());
        Find<QTabWidget>("PageControl")->setCurrentIndex(0);
        QCOMPARE(Find<QTabWidget>("PageControl")->currentIndex(), 1);
        Find<QTimer>("tmrWFArm")->start();
        QTRY_VERIFY_WITH_TIMEOUT(LogLines().filter("Converting STL file : ").size() == 6, 10000);
        Disarm();

        const QStringList lines = LogLines();
        QCOMPARE(lines.first(), QString("Watch folder conversion armed."));
        QCOMPARE(lines.last(), QString("Watch folder conversion disarmed."));
        const QStringList converting = lines.filter("Converting STL file : ");
        for (int i = 0; i < converting.size(); ++i)
            QVERIFY2(converting[i].contains(i % 2 == 0 ? "/inA/" : "/inB/"),
                     qPrintable(converting.join('\n')));
        // Each file arrived, converted with its folder's settings.
        const QString messages = Find<QPlainTextEdit>("memMessages")->toPlainText();
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string folder = i % 2 == 0 ? "A" : "B";
            const std::string source = Path("in" + folder) + "/" + files[i].filename().string();
            const bool written = fs::exists(Path("out" + folder) / files[i].filename());
            const bool reported =
                messages.contains(QString::fromStdString("Error converting STL file " + source));
            QVERIFY2(written && !reported, source.c_str());
            QVERIFY(fs::exists(source));
        }
        for (const auto& item : Items())
            QVERIFY(!item->IsStarted());
        QVERIFY(List()->isEnabled());
        QVERIFY(Panel().isEnabled());
    }

    // A burst drains at conversion speed: after a pass that converted a file the next one
    // follows once the window has handled its pending events, so it keeps answering.
    void burstDrainsWithoutFreezingTheWindow() {
        ShowForm();
        Session().WatchFolderList()->WatchFolderCheckIntervalMS = 100;
        AddTwoFolders();
        constexpr int kFiles = 1000;
        for (int i = 0; i < kFiles; ++i)
            WriteGoodStl(Path(i % 2 == 0 ? "inA" : "inB") + "/f" + std::to_string(i) + ".stl");
        const auto converted = [this] {
            return std::distance(fs::directory_iterator(Path("outA")), {}) +
                   std::distance(fs::directory_iterator(Path("outB")), {});
        };
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QTimer probe;
        probe.setInterval(10);
        connect(&probe, &QTimer::timeout, this, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        Arm();
        clock.start();
        probe.start();
        QTRY_VERIFY_WITH_TIMEOUT(converted() == kFiles, 60000);
        probe.stop();
        const qint64 drained = clock.elapsed();
        Disarm();
        qInfo("%d files drained in %lld ms, the longest wait for events %lld ms", kFiles, drained,
              longest);
        QVERIFY2(longest <= 100,
                 qPrintable(QString("the window did not handle its events for %1 ms "
                                    "(%2 files in %3 ms)")
                                .arg(longest)
                                .arg(kFiles)
                                .arg(drained)));
    }

    void closeWhileArmed_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("no keeps the run") << false;
        QTest::newRow("yes stops every folder, then closes") << true;
    }

    void closeWhileArmed() {
        QFETCH(bool, answer);
        TraceCapture trace;
        ShowForm();
        AddTwoFolders();
        Arm();
        dialogs_.YesNoAnswers.push_back(answer);
        form_->close();
        QCOMPARE(dialogs_.Asked.back(),
                 std::string("YesNo: Conversion in progress. Do you want to stop the conversion?"));
        if (!answer) {
            QTest::qWait(700);
            QVERIFY(form_->isVisible());
            QVERIFY(Session().ConversionInProgress());
            for (const auto& item : Items())
                QVERIFY(item->IsStarted());
            Disarm();
            return;
        }
        // The run ends at its next pass: the folders stop while the list is still there.
        auto stoppedWhileListed = [this] {
            return Session().WatchFolderList() && !Items()[0]->IsStarted() &&
                   !Items()[1]->IsStarted();
        };
        QTRY_VERIFY_WITH_TIMEOUT(stoppedWhileListed(), 400);
        QVERIFY(form_->isVisible());
        QCOMPARE(Caption(Find<QPushButton>("btnWFArm")), QString("Arm"));
        QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), 3000);
        QVERIFY(!Session().WatchFolderList());
        QVERIFY(!LogLines().contains("Watch folder conversion disarmed."));
        QVERIFY2(trace.Lines().empty(), Joined(trace.Lines()).c_str());

        TRegistry registry;
        QVERIFY(registry.OpenKey(kWatchFolderKey, false));
        int32_t count = 0;
        QVERIFY(registry.ReadInteger("WatchFoldersCount", count));
        QCOMPARE(count, 2);
        QVERIFY(registry.OpenKey(EntryKey(1), false));
        std::string watched;
        QVERIFY(registry.ReadString("WatchFolder", watched));
        QCOMPARE(watched, Path("inB"));
    }

    void watchFolderRemovedWhileArmed() {
        TraceCapture trace;
        ShowForm();
        Session().WatchFolderList()->WatchFolderCheckIntervalMS = 100;
        AddTwoFolders();
        Arm();
        fs::remove_all(Path("inA"));
        WriteGoodStl(Path("inB/one.stl"));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Path("outB/one.stl")), 5000);
        // A folder that is gone is said once; once back, it is watched again.
        const auto said = [this](const std::string& text) {
            return Find<QPlainTextEdit>("memMessages")
                ->toPlainText()
                .count(QString::fromStdString(text));
        };
        const std::string gone =
            "Cannot read watch folder " + Path("inA") + ": No such file or directory";
        QTRY_COMPARE_WITH_TIMEOUT(said(gone), 1, 5000);
        QVERIFY(fs::create_directory(Path("inA")));
        WriteGoodStl(Path("inA/two.stl"));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Path("outA/two.stl")), 5000);
        Disarm();
        QCOMPARE(said(gone), 1);
        QCOMPARE(said("Watch folder " + Path("inA") + " is readable again."), 1);
        QCOMPARE(said("Error"), 1);
        QVERIFY2(trace.Lines().empty(), Joined(trace.Lines()).c_str());
    }

    // Another process (here an open file description of the test's own) holds one folder:
    // the window stands by for it and converts nothing there, the other folder runs.
    void armedWhileAnotherHolderOwnsTheFolder() {
        ShowForm();
        Session().WatchFolderList()->WatchFolderCheckIntervalMS = 100;
        AddTwoFolders();
        const std::string lockFile = Path("inA") + "/.caplin-watch.lock";
        const int other = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(other >= 0);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        QVERIFY(::fcntl(other, F_OFD_SETLK, &lock) == 0);
        const std::string owner = "otherhost 4242\n";
        QVERIFY(::pwrite(other, owner.data(), owner.size(), 0) == ssize_t(owner.size()));
        WriteGoodStl(Path("inA/held.stl"));

        Arm();
        const QString warning =
            QString::fromStdString("Warning - Watch folder " + Path("inA") +
                                   " is armed by otherhost (pid 4242); standing by.");
        QTRY_VERIFY_WITH_TIMEOUT(
            Find<QPlainTextEdit>("memMessages")->toPlainText().contains(warning), 5000);
        WriteGoodStl(Path("inB/free.stl"));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Path("outB/free.stl")), 5000);
        QTest::qWait(300);
        Disarm();
        ::close(other);
        QVERIFY(!fs::exists(Path("outA/held.stl")));
        QVERIFY(LogLines().filter("inA").isEmpty());
        QCOMPARE(Find<QPlainTextEdit>("memMessages")->toPlainText().count(warning), 1);
    }

    void destinationTurnedReadOnly() {
        ShowForm();
        Session().WatchFolderList()->WatchFolderCheckIntervalMS = 100;
        AddTwoFolders();
        const std::string out = Path("outA");
        fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
        struct TRestore {
            std::string folder;
            bool immutable = false;
            ~TRestore() {
                if (immutable)
                    SetImmutable(folder, false);
                fs::permissions(folder, fs::perms::owner_all);
            }
        } restore{out};
        if (CanCreateFileIn(out))
            restore.immutable = SetImmutable(out, true);
        if (CanCreateFileIn(out))
            QSKIP("this user writes into read-only folders");

        Arm();
        const std::string source = WriteGoodStl(Path("inA/late.stl"));
        const QString error = QString::fromStdString("Error converting STL file " + source);
        QTRY_VERIFY_WITH_TIMEOUT(Find<QPlainTextEdit>("memMessages")->toPlainText().contains(error),
                                 5000);
        QVERIFY(Session().ConversionInProgress());
        QVERIFY(fs::exists(source));
        QVERIFY(fs::is_empty(out));
        Disarm();
        QVERIFY(Find<QLineEdit>("edErrors")->text().toInt() >= 1);
    }

    void storedListWithMissingAndMistypedValues() {
        {
            TRegistry registry;
            QVERIFY(registry.OpenKey(kWatchFolderKey, true));
            registry.WriteInteger("WatchFoldersCount", 50);
            registry.WriteInteger("WatchFolderCheckIntervalMS", 50);
            QVERIFY(registry.OpenKey(EntryKey(0), true));
            registry.WriteString("WatchFolder", "/in/0");
            registry.WriteString("DestinationFolder", "/out/0");
            registry.WriteString("Comment", "kept");
            QVERIFY(registry.OpenKey(EntryKey(1), true));
            registry.WriteInteger("WatchFolder", 7); // not a text: read as empty
            registry.WriteString("DestinationFolder", "/out/1");
            registry.WriteString("TapeIDSource", "2");          // not a number: 0
            registry.WriteInteger("CodePageNumberCustom", 437); // not a text: "850"
            QVERIFY(registry.OpenKey(EntryKey(2) + kSubtitleFileTypeSubKey, true));
            registry.WriteString("SubTypesCount", "3"); // not a number: no types
            QVERIFY(registry.OpenKey(EntryKey(2), true));
            registry.WriteString("WatchFolder", "/in/2");
        }
        ShowForm();
        QCOMPARE(Session().WatchFolderList()->WatchFolderCheckIntervalMS, 50);
        // An entry without its key loads as empty settings, so the count stored decides.
        QCOMPARE(List()->model()->rowCount(), 50);
        QCOMPARE(Cell(0, 1), QString("/in/0"));
        QCOMPARE(Cell(0, 3), QString("kept"));
        QCOMPARE(Cell(1, 1), QString());
        QCOMPARE(Cell(1, 2), QString("/out/1"));
        QCOMPARE(Items()[1]->Settings.TapeIDSource, 0);
        QCOMPARE(Items()[1]->Settings.CodePageNumberCustom, std::string("850"));
        QCOMPARE(Cell(2, 1), QString("/in/2"));
        QVERIFY(Items()[2]->Settings.SubtitleFileTypes.empty());
        QCOMPARE(Cell(49, 0), QString("50"));
        QCOMPARE(Cell(49, 1), QString());

        // Nothing is lost at the next save.
        QVERIFY(form_->close());
        TRegistry registry;
        QVERIFY(registry.OpenKey(kWatchFolderKey, false));
        int32_t value = 0;
        QVERIFY(registry.ReadInteger("WatchFoldersCount", value));
        QCOMPARE(value, 50);
        QVERIFY(registry.ReadInteger("WatchFolderCheckIntervalMS", value));
        QCOMPARE(value, 50);
        QVERIFY(registry.OpenKey(EntryKey(0), false));
        std::string text;
        QVERIFY(registry.ReadString("Comment", text));
        QCOMPARE(text, std::string("kept"));
    }

    void frameRatePolicyReachesEveryFolder_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("fps");
        QTest::addColumn<int>("storedSource");
        QTest::addColumn<QString>("storedFps");
        QTest::newRow("forced 30") << 1 << "STL30.01" << 1 << "STL30.01";
        QTest::newRow("keep") << 0 << "STL25.01" << 0 << "STL25.01";
        QTest::newRow("unknown values") << 5 << "stl30.01" << 0 << "STL25.01";
    }

    void frameRatePolicyReachesEveryFolder() {
        QFETCH(int, source);
        QFETCH(QString, fps);
        QFETCH(int, storedSource);
        QFETCH(QString, storedFps);
        ShowForm();
        Add("/in/1", "/out/1");
        Add("/in/2", "/out/2");
        QVERIFY(Session().UpdateWatchFolderFPS(source, fps.toStdString()));
        std::vector<const TSTLConvertSettings*> all{Session().WFSettings()};
        for (const auto& item : Items())
            all.push_back(&item->Settings);
        for (const TSTLConvertSettings* settings : all) {
            QCOMPARE(settings->FramesPerSecondSource, storedSource);
            QCOMPARE(QString::fromStdString(settings->FramesPerSecond), storedFps);
        }
    }
};

int RunWatchFolderPageTest(int argc, char** argv) {
    TWatchFolderPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WatchFolderPageTest.moc"
