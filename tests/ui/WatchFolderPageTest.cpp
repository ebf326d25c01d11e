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
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"
#include "ui/ListTableModel.h"
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

class TWatchFolderPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TCaplinForm> form_;

    TWatchFolderPage& Page() { return *form_->WatchFolderPage; }
    TConversionSettingsPanel& Panel() { return *form_->WatchFolderPage->Panel; }
    std::vector<std::unique_ptr<TWatchFolderItem>>& Items() {
        return form_->WatchFolderList->Items;
    }
    std::string Path(const std::string& name) {
        return dir_->filePath(QString::fromStdString(name)).toStdString();
    }
    QString Cell(int row, int column) {
        return Page().Model->data(Page().Model->index(row, column)).toString();
    }

    void ShowForm() {
        form_ = std::make_unique<TCaplinForm>(&dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        form_->PageControl->setCurrentIndex(1);
    }

    // The two folders as the operator browses for them, then "Add".
    void Add(const std::string& watch, const std::string& destination,
             const QString& comment = QString()) {
        dialogs_.FolderAnswers = {watch, destination};
        Panel().btnWatchFolder->click();
        Panel().btnDestFolder->click();
        if (!comment.isEmpty())
            Panel().edComment->setText(comment);
        Page().btnWFAddClick();
    }

    void ClickRow(int row, std::optional<bool> answer = std::nullopt) {
        if (answer)
            dialogs_.YesNoAnswers.push_back(*answer);
        Page().lvWatchFolder->selectRow(row);
        Page().lvWatchFolderClick();
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& asked : dialogs_.Asked)
            if (asked.rfind("Message: ", 0) == 0 || asked.rfind("YesNo: ", 0) == 0)
                messages.push_back(asked);
        return messages;
    }

    QStringList LogLines() const {
        QStringList lines;
        for (const QString& line : form_->memLogs->toPlainText().split('\n'))
            if (!line.isEmpty())
                lines << line.section(" - ", 1);
        return lines;
    }

    // Two watch folders in and out of the temporary folder, added through the page.
    void AddTwoFolders() {
        for (const char* name : {"inA", "inB", "outA", "outB"})
            QVERIFY(fs::create_directory(Path(name)));
        for (const char* folder : {"A", "B"}) {
            dialogs_.FolderAnswers = {Path(std::string("in") + folder),
                                      Path(std::string("out") + folder)};
            Panel().btnWatchFolder->click();
            Panel().btnDestFolder->click();
            Panel().cbOverwriteDestination->setChecked(true);
            // Test files carry neither a tape ID nor a language in their names.
            Panel().cbTapeID->setCurrentIndex(1);
            Panel().edTapeID->setText("TAPE0001");
            Panel().cbLanguageSource->setCurrentIndex(1);
            PositionLanguagePredefinedCombo(Panel().cbLanguagePredefined, "09");
            Page().btnWFAddClick();
        }
        QCOMPARE(Items().size(), size_t(2));
    }

    void Arm() {
        Page().btnWFArmClick();
        QCOMPARE(Page().btnWFArm->text(), QString("Disarm"));
        QVERIFY(form_->ConversionInProgress);
    }

    void Disarm() {
        Page().btnWFArmClick();
        QCOMPARE(Page().btnWFArm->text(), QString("Arm"));
        QVERIFY(!form_->ConversionInProgress);
    }

    std::string WriteGoodStl(const std::string& path) {
        WriteStl(path, MakeGsi(1), {MakeTti(1, "Hello")});
        return path;
    }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-wf");
        QVERIFY(dir_);
        dialogs_ = TScriptedDialogs();
    }

    void cleanup() {
        form_.reset();
        dir_.reset();
    }

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
        form_->WatchFolderCheckIntervalMS = 700;
        for (const QString& pair : pairs)
            Add(pair.section('|', 0, 0).toStdString(), pair.section('|', 1, 1).toStdString(),
                "night");
        std::vector<std::string> expected;
        for (const QString& refusal : refusals)
            expected.push_back("Message: " + refusal.toStdString());
        QCOMPARE(Messages(), expected);
        QCOMPARE(Page().Model->rowCount(), entries);
        QCOMPARE(static_cast<int>(Items().size()), entries);
        for (int row = 0; row < entries; ++row) {
            QCOMPARE(Cell(row, 0), QString::number(row + 1));
            QCOMPARE(Cell(row, 1), pairs[row].section('|', 0, 0));
            QCOMPARE(Cell(row, 2), pairs[row].section('|', 1, 1));
            QCOMPARE(Cell(row, 3), QString("night"));
            QCOMPARE(Items()[row]->CheckIntervalMS, 700);
        }
        if (refusals.isEmpty()) {
            // An accepted entry leaves an empty panel that counts as unchanged.
            QCOMPARE(Panel().edWatchFolder->text(), QString());
            QCOMPARE(form_->WFSettings->WatchFolder, std::string());
            QVERIFY(!Page().WFSettingsChanged());
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
        QCOMPARE(form_->WFSelectedIndex, 0);
        QCOMPARE(Panel().edComment->text(), QString("first"));
        QVERIFY(!Page().WFSettingsChanged());
        QVERIFY(Messages().empty()); // nothing changed, nothing asked

        Panel().edComment->setText("edited");
        QVERIFY(Page().WFSettingsChanged());
        ClickRow(1, answer);
        QCOMPARE(Messages(),
                 std::vector<std::string>{"YesNo: Do you want to update Watch Folder #1 ?"});
        QCOMPARE(Cell(0, 3), storedFirst);
        QCOMPARE(form_->WFSelectedIndex, 1);
        QCOMPARE(Panel().edComment->text(), QString("second"));
        QCOMPARE(Panel().edWatchFolder->text(), QString("/in/2"));
        QVERIFY(!Page().WFSettingsChanged());

        // A real click on the first row goes through the same handler.
        QTableView* view = Page().lvWatchFolder;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(Page().Model->index(0, 1)).center());
        QTRY_COMPARE(form_->WFSelectedIndex, 0);
        QCOMPARE(Panel().edComment->text(), storedFirst);
        QCOMPARE(Messages().size(), size_t(1));
    }

    // After a Remove the rows below move up; edits made then must not land in the entry that
    // took the removed one's place.
    void removeForgetsTheSelectedEntry() {
        ShowForm();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        Add("/in/3", "/out/3", "third");
        ClickRow(1);
        Page().btnWFRemoveClick();
        QCOMPARE(form_->WFSelectedIndex, -1);
        Panel().edComment->setText("edited");
        ClickRow(0);
        QVERIFY(Messages().empty());
        QCOMPARE(Cell(1, 3), QString("third"));
        QCOMPARE(Panel().edComment->text(), QString("first"));
    }

    // Adding resizes the view, which drops its selection; the selected entry stays selected.
    void addKeepsTheSelectedRow() {
        ShowForm();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        ClickRow(0);
        Add("/in/3", "/out/3", "third");
        QCOMPARE(form_->WFSelectedIndex, 0);
        QCOMPARE(Page().lvWatchFolder->selectionModel()->selectedRows().size(), 1);
        Panel().edComment->setText("edited");
        dialogs_.YesNoAnswers = {true};
        Page().btnWFUpdateClick();
        QCOMPARE(Messages(),
                 std::vector<std::string>{"YesNo: Do you want to update Watch Folder #1 ?"});
        QCOMPARE(Cell(0, 3), QString("edited"));
    }

    void updateAsksAndStores() {
        ShowForm();
        Page().btnWFUpdateClick();
        Add("/in/1", "/out/1", "first");
        Add("/in/2", "/out/2", "second");
        ClickRow(1);
        Panel().edComment->setText("changed");
        dialogs_.YesNoAnswers = {false, true};
        Page().btnWFUpdateClick();
        QCOMPARE(Cell(1, 3), QString("second"));
        QVERIFY(Page().WFSettingsChanged());
        Page().btnWFUpdateClick();
        QCOMPARE(Cell(1, 3), QString("changed"));
        QCOMPARE(Items()[1]->Settings.Comment, std::string("changed"));
        QCOMPARE(Cell(0, 3), QString("first"));
        QVERIFY(!Page().WFSettingsChanged());
        Page().lvWatchFolder->clearSelection();
        Page().btnWFUpdateClick();
        Page().btnWFRemoveClick();
        QCOMPARE(Messages(),
                 (std::vector<std::string>{
                     "Message: No item selected.", "YesNo: Do you want to update Watch Folder #2 ?",
                     "YesNo: Do you want to update Watch Folder #2 ?", "Message: No item selected.",
                     "Message: No item selected."}));

        Page().lvWatchFolder->selectRow(0);
        Page().btnWFRemoveClick();
        QCOMPARE(Page().Model->rowCount(), 1);
        QCOMPARE(Cell(0, 0), QString("1"));
        QCOMPARE(Cell(0, 1), QString("/in/2"));
        Page().btnWFClearListClick();
        QCOMPARE(Page().Model->rowCount(), 0);
        QVERIFY(Items().empty());
    }

    void clearParamsResetsEveryControl() {
        ShowForm();
        TConversionSettingsPanel& p = Panel();
        dialogs_.FolderAnswers = {"/in", "/out", "/moved"};
        p.btnWatchFolder->click();
        QVERIFY(Page().WFSettingsChanged()); // a browsed folder is the operator's change
        p.btnDestFolder->click();
        p.cbMoveProcessedFiles->setCurrentIndex(1);
        p.btnMoveProcessedFiles->click();
        QCOMPARE(dialogs_.Asked,
                 (std::vector<std::string>{"Folder: Watch Folder: ", "Folder: Destination Folder: ",
                                           "Folder: Destination Move Folder: "}));
        QCOMPARE(form_->WFSettings->MoveProcessedFilesFolder, std::string("/moved"));
        p.cbTapeID->setCurrentIndex(1);
        p.edTapeID->setText("TAPE");
        p.cbLanguageSource->setCurrentIndex(1);
        p.cbLanguagePredefined->setCurrentIndex(5);
        p.cbPerformLanguageCheck->setChecked(true);
        p.cbRemoveZeroPage->setChecked(true);
        p.edZeroPageKeyWord->setText("ZERO");
        p.cbTimeCodeStartOfProgramme->setCurrentIndex(1);
        for (QSpinBox* spin : {p.seHour, p.seMin, p.seSec, p.seFrame})
            spin->setValue(7);
        p.cbOverwriteDestination->setChecked(true);
        p.cbCodePageNumber->setCurrentIndex(6);
        p.seCodePageNumber->setValue(123);
        p.cbCharacterCodeTableNumber->setCurrentIndex(3);
        p.cbDisplayStandardCode->setCurrentIndex(2);
        p.edComment->setText("note");
        TWatchFolderSTLConvertSettings& s = *form_->WFSettings;
        auto type = std::make_unique<TSubtitleFileType>();
        type->Name = "type";
        s.SubtitleFileTypes.push_back(std::move(type));
        auto hex = std::make_unique<THexFindAndReplaceValue>();
        hex->NumBytes = 1;
        s.HexFindAndReplaceItems.push_back(std::move(hex));
        p.UpdateForm();
        QCOMPARE(p.lbxTapeID->count(), 1);

        Page().btnWFClearParamsClick();
        for (QLineEdit* edit : {p.edWatchFolder, p.edDestFolder, p.edTapeID, p.edZeroPageKeyWord,
                                p.edComment, p.edMoveProcessedFiles})
            QVERIFY2(edit->text().isEmpty(), qPrintable(edit->objectName()));
        for (QComboBox* combo :
             {p.cbTapeID, p.cbLanguageSource, p.cbLanguagePredefined, p.cbTimeCodeStartOfProgramme,
              p.cbMoveProcessedFiles, p.cbCodePageNumber, p.cbCharacterCodeTableNumber,
              p.cbDisplayStandardCode})
            QVERIFY2(combo->currentIndex() == 0, qPrintable(combo->objectName()));
        for (QCheckBox* box :
             {p.cbPerformLanguageCheck, p.cbRemoveZeroPage, p.cbOverwriteDestination})
            QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
        QCOMPARE(p.seHour->value() + p.seMin->value() + p.seSec->value() + p.seFrame->value(), 0);
        QCOMPARE(p.seCodePageNumber->value(), 850);
        QCOMPARE(p.lbxTapeID->count(), 0);
        QCOMPARE(p.lbHexFindAndReplace->count(), 0);
        // The settings follow the controls, and the enabling follows the governing lists.
        QVERIFY(s.SubtitleFileTypes.empty());
        QVERIFY(s.HexFindAndReplaceItems.empty());
        QCOMPARE(s.MoveProcessedFilesFolder, std::string());
        QCOMPARE(s.CodePageNumberSource, 0);
        QCOMPARE(s.CodePageNumberCustom, std::string("850"));
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("00000000"));
        QCOMPARE(s.LanguagePredefined,
                 IntToHexText(p.cbLanguagePredefined->itemData(0).toUInt(), 2));
        for (QWidget* w : std::initializer_list<QWidget*>{
                 p.edTapeID, p.cbLanguagePredefined, p.edZeroPageKeyWord, p.seHour,
                 p.edMoveProcessedFiles, p.seCodePageNumber})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    }

    void armingWithEmptyListChangesNothing() {
        ShowForm();
        Page().btnWFArmClick();
        QCOMPARE(Messages(),
                 std::vector<std::string>{"Message: There are no watch folder specified."});
        QCOMPARE(Page().btnWFArm->text(), QString("Arm"));
        QVERIFY(!form_->ConversionInProgress);
        QVERIFY(Page().btnWFAdd->isEnabled());
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
        QVERIFY(Items()[1]->Start()); // the second folder cannot be started again
        Page().btnWFArmClick();
        QCOMPARE(trace.Lines(),
                 (std::vector<std::string>{
                     "vlm: Error in TWatchFolderItem.Start - already started.",
                     "vlm: Error in TCaplinForm.StartWatchFolderObjects - cannot start object.",
                     "vlm: Error in TCaplinForm.btnWFArmClick - cannot start watch folder "
                     "objects."}));
        QVERIFY(!Items()[0]->IsStarted());
        QVERIFY(!form_->ConversionInProgress);
        QCOMPARE(Page().btnWFArm->text(), QString("Arm"));
        QVERIFY(Page().btnWFAdd->isEnabled());
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
        form_->WatchFolderCheckIntervalMS = 50;
        AddTwoFolders();
        for (size_t i = 0; i < files.size(); ++i)
            fs::copy_file(files[i], Path(i % 2 == 0 ? "inA" : "inB") / files[i].filename());

        Arm();
        // Both threads poll at the shortest interval they accept.
        for (const auto& item : Items())
            QCOMPARE(item->Thread->CheckIntervalMS(), 100);
        // The folders are left to fill their queues before the first pass, so each pass
        // finds a file in both.
        Page().ArmTimer->stop();
        QTRY_VERIFY_WITH_TIMEOUT(Items()[0]->PendingCount() == 3 && Items()[1]->PendingCount() == 3,
                                 5000);
        QVERIFY(!Page().lvWatchFolder->isEnabled());
        QVERIFY(!Panel().isEnabled());
        QVERIFY(Page().btnWFArm->isEnabled());
        form_->PageControl->setCurrentIndex(0);
        QCOMPARE(form_->PageControl->currentIndex(), 1);
        Page().ArmTimer->start();
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
        const QString messages = form_->memMessages->toPlainText();
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
        QVERIFY(Page().lvWatchFolder->isEnabled());
        QVERIFY(Panel().isEnabled());
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
            QVERIFY(form_->ConversionInProgress);
            for (const auto& item : Items())
                QVERIFY(item->IsStarted());
            Disarm();
            return;
        }
        // The run ends at its next pass: the folders stop while the list is still there.
        auto stoppedWhileListed = [this] {
            return form_->WatchFolderList && !Items()[0]->IsStarted() && !Items()[1]->IsStarted();
        };
        QTRY_VERIFY_WITH_TIMEOUT(stoppedWhileListed(), 400);
        QVERIFY(form_->isVisible());
        QCOMPARE(Page().btnWFArm->text(), QString("Arm"));
        QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), 3000);
        QVERIFY(!form_->WatchFolderList);
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
        form_->WatchFolderCheckIntervalMS = 100;
        AddTwoFolders();
        Arm();
        fs::remove_all(Path("inA"));
        WriteGoodStl(Path("inB/one.stl"));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Path("outB/one.stl")), 5000);
        // A folder that is gone lists nothing; once back, it is watched again.
        QVERIFY(fs::create_directory(Path("inA")));
        WriteGoodStl(Path("inA/two.stl"));
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(Path("outA/two.stl")), 5000);
        Disarm();
        QVERIFY(!form_->memMessages->toPlainText().contains("Error"));
        QVERIFY2(trace.Lines().empty(), Joined(trace.Lines()).c_str());
    }

    void destinationTurnedReadOnly() {
        ShowForm();
        form_->WatchFolderCheckIntervalMS = 100;
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
        QTRY_VERIFY_WITH_TIMEOUT(form_->memMessages->toPlainText().contains(error), 5000);
        QVERIFY(form_->ConversionInProgress);
        QVERIFY(fs::exists(source));
        QVERIFY(fs::is_empty(out));
        Disarm();
        QVERIFY(form_->edErrors->text().toInt() >= 1);
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
        QCOMPARE(form_->WatchFolderCheckIntervalMS, 50);
        // An entry without its key loads as empty settings, so the count stored decides.
        QCOMPARE(Page().Model->rowCount(), 50);
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
        for (const auto& item : Items())
            QCOMPARE(item->CheckIntervalMS, 50);

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
        QVERIFY(form_->UpdateWatchFolderFPS(source, fps.toStdString()));
        std::vector<const TSTLConvertSettings*> all{form_->WFSettings.get()};
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
