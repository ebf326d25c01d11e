// The Batch page and its settings panel: filling and writing back, the enabling rules, and
// runs of the batch list stepped by the event loop.
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Registry.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/BatchPage.h"
#include "ui/SettingsPanel.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

using namespace testsupport;

class TBatchPageTest : public QObject, private TPageTest {
    Q_OBJECT

private:
    TConversionSettingsPanel& Panel() const {
        return *Find<TConversionSettingsPanel>("pnBSettings");
    }

    std::string WriteGoodStl(const char* name) {
        WriteStl(Path(name), MakeGsi(1), {MakeTti(1, "Hello")});
        return Path(name);
    }

    void AddFile(const std::string& path) {
        dialogs_.FilesAnswers.push_back({path});
        Press("btnBAddFile");
    }

    QStringList ListedFiles() const {
        QStringList files;
        for (const TBatchItem& item : Session().Batch().BatchList())
            files << QString::fromStdString(item.FileName);
        return files;
    }

    QString StatusText(int row) const { return ListCell("lvBatch", row, 2); }

    // Names of the test files carry neither a tape ID nor a language.
    void UseFixedTapeIDAndLanguage() {
        TSTLConvertSettings& settings = *Session().BatchSettings();
        settings.TapeIDSource = tisPredefined;
        settings.TapeIDPredefined = "TAPE0001";
        settings.LanguageSource = lsPredefined;
        settings.LanguagePredefined = "09";
    }

    void WaitForRunEnd() { QTRY_VERIFY_WITH_TIMEOUT(!Session().ConversionInProgress(), 10000); }

    static QStringList Items(const QComboBox* combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }

private Q_SLOTS:
    void init() {
        QVERIFY(StartHome("caplin-batch"));
        form_ = std::make_unique<TCaplinForm>(&dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QDir().mkpath(dir_->filePath("out"));
    }

    void cleanup() { EndHome(); }

    void fillingWritesNothingBack() {
        TSTLConvertSettings& s = *Session().BatchSettings();
        s.TapeIDSource = 7; // out of range: shown clamped, but not stored back
        s.TimeCodeStartOfProgramme = "25617030";
        s.CodePageNumberCustom = "abc";
        s.LanguagePredefined = "0F";
        s.FramesPerSecond = "kept";
        s.QualityCheck = qcRefuse;
        Panel().UpdateForm();
        QCOMPARE(s.TapeIDSource, 7);
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("25617030"));
        QCOMPARE(s.CodePageNumberCustom, std::string("abc"));
        QCOMPARE(s.FramesPerSecond, std::string("kept"));
        QCOMPARE(Find<QComboBox>("cbBTapeID")->currentIndex(), 2);
        QCOMPARE(Find<QComboBox>("cbBLanguagePredefined")->currentData().toInt(), 0x0F);
        QCOMPARE(Find<QComboBox>("cbBQualityCheck")->currentIndex(), 2);

        // The operator's next change writes every control, the defaults among them.
        Find<QCheckBox>("cbBOverwriteDestination")->toggle();
        QCOMPARE(s.TapeIDSource, 2);
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("23595929"));
        QCOMPARE(s.CodePageNumberCustom, std::string("850"));
        QCOMPARE(s.LanguagePredefined, std::string("0F"));
        QCOMPARE(s.FramesPerSecondSource, Session().MainSettings().FPSSource);
        QCOMPARE(s.FramesPerSecond, Session().MainSettings().FPS);
        QCOMPARE(s.QualityCheck, 2);
    }

    void timeCodeShown_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("four digits") << "1234" << QList<int>{12, 34, 0, 0};
        QTest::newRow("clamped") << "25617030" << QList<int>{23, 59, 59, 29};
        QTest::newRow("empty") << "" << QList<int>{0, 0, 0, 0};
        QTest::newRow("not numbers") << "xx10yy05" << QList<int>{0, 10, 0, 5};
    }

    void timeCodeShown() {
        QFETCH(QString, stored);
        QFETCH(QList<int>, shown);
        Session().BatchSettings()->TimeCodeStartOfProgramme = stored.toStdString();
        Panel().UpdateForm();
        const QList<int> actual{
            Find<QSpinBox>("seBHour")->value(), Find<QSpinBox>("seBMin")->value(),
            Find<QSpinBox>("seBSec")->value(), Find<QSpinBox>("seBFrame")->value()};
        QCOMPARE(actual, shown);
    }

    void languageListIsSortedWithCodes() {
        QComboBox* combo = Find<QComboBox>("cbBLanguagePredefined");
        QCOMPARE(combo->count(), 103);
        for (int i = 1; i < combo->count(); ++i)
            QVERIFY(combo->itemText(i - 1).toStdString() <= combo->itemText(i).toStdString());
        PositionLanguagePredefinedCombo(combo, "");
        QCOMPARE(combo->currentData().toInt(), 0);
    }

    void moveComboEnablesFolder() {
        QComboBox* move = Find<QComboBox>("cbBMoveProcessedFiles");
        QVERIFY(!Find<QLineEdit>("edBMoveProcessedFiles")->isEnabled());
        move->setCurrentIndex(1);
        QVERIFY(Find<QLineEdit>("edBMoveProcessedFiles")->isEnabled());
        QVERIFY(Find<QPushButton>("btnBMoveProcessedFiles")->isEnabled());
        QVERIFY(Session().BatchSettings()->MoveProcessedFiles);
        move->setCurrentIndex(0);
        QVERIFY(!Find<QLineEdit>("edBMoveProcessedFiles")->isEnabled());
        QVERIFY(!Find<QPushButton>("btnBMoveProcessedFiles")->isEnabled());
        QVERIFY(!Session().BatchSettings()->MoveProcessedFiles);
    }

    void enablingRules_data() {
        QTest::addColumn<QString>("governing");
        QTest::addColumn<int>("on");
        QTest::addColumn<QStringList>("governed");
        QTest::newRow("tape ID") << "cbBTapeID" << 1 << QStringList{"edBTapeID", "lblBTapeID"};
        QTest::newRow("language") << "cbBLanguageSource" << 1
                                  << QStringList{"cbBLanguagePredefined", "lblBLanguage"};
        QTest::newRow("time code")
            << "cbBTimeCodeStartOfProgramme" << 1
            << QStringList{"seBHour", "seBMin", "seBSec", "seBFrame", "lblBHour", "lblBFrame"};
        QTest::newRow("code page")
            << "cbBCodePageNumber" << 6 << QStringList{"seBCodePageNumber", "lblBCodePageNumber"};
    }

    void enablingRules() {
        QFETCH(QString, governing);
        QFETCH(int, on);
        QFETCH(QStringList, governed);
        auto* combo = Find<QComboBox>(qPrintable(governing));
        auto enabled = [&](bool expected) {
            for (const QString& name : governed)
                QVERIFY2(Find<QWidget>(qPrintable(name))->isEnabled() == expected,
                         qPrintable(name));
        };
        enabled(false);
        combo->setCurrentIndex(on);
        enabled(true);
        // A run disables the whole panel and the list buttons, and re-enables them after.
        Session().SetConversionInProgress(true);
        form_->GeneralRefresh();
        enabled(false);
        QVERIFY(!combo->isEnabled());
        QVERIFY(!Find<QPushButton>("btnBAddFile")->isEnabled());
        QVERIFY(Find<QPushButton>("btnBatchConvert")->isEnabled());
        Session().SetConversionInProgress(false);
        form_->GeneralRefresh();
        enabled(true);
        QVERIFY(combo->isEnabled());
    }

    void duplicateAddRefused_data() {
        QTest::addColumn<QString>("again");
        QTest::newRow("same") << "a.stl";
        QTest::newRow("other case") << "A.STL";
        QTest::newRow("trailing blank") << "a.stl ";
    }

    void duplicateAddRefused() {
        QFETCH(QString, again);
        AddFile(WriteGoodStl("a.stl"));
        // Several files chosen at once are added in turn, as if each was chosen alone.
        dialogs_.FilesAnswers.push_back(
            {WriteGoodStl(again.toUtf8().constData()), Path("missing.stl"), WriteGoodStl("b.stl")});
        Press("btnBAddFile");
        AddFile(Path("missing.stl")); // silently ignored
        QCOMPARE(ListedFiles(), (QStringList{dir_->filePath("a.stl"), dir_->filePath("b.stl")}));
        QCOMPARE(dialogs_.Asked.back(),
                 std::string("Files: Add File: STL Files (*.stl);;All Files (*)"));
        QCOMPARE(std::count(dialogs_.Asked.begin(), dialogs_.Asked.end(),
                            "Message: File aready exists in the batch list."),
                 1);
    }

    // Three files and a folder from a file manager: the folder gives its STL files sorted by
    // name, without those of its subfolders; a file already listed is named in one message.
    void droppedFilesAndFolderAddedInOrder() {
        AddFile(WriteGoodStl("b.stl"));
        WriteGoodStl("a.stl");
        WriteGoodStl("c.stl");
        QDir().mkpath(dir_->filePath("folder/sub"));
        for (const char* name : {"folder/z.STL", "folder/y.stl", "folder/sub/x.stl"})
            WriteGoodStl(name);
        WriteText(Path("folder/notes.txt"), "not a subtitle file");
        auto url = [this](const char* name) { return QUrl::fromLocalFile(dir_->filePath(name)); };
        QTableView* list = Find<QTableView>("lvBatch");
        dialogs_.Asked.clear();
        QVERIFY(DropUrls(list, {url("c.stl"), url("folder"), url("b.stl"), url("a.stl")}));
        QCOMPARE(ListedFiles(),
                 (QStringList{dir_->filePath("b.stl"), dir_->filePath("c.stl"),
                              dir_->filePath("folder/y.stl"), dir_->filePath("folder/z.STL"),
                              dir_->filePath("a.stl")}));
        QCOMPARE(list->model()->rowCount(), 5);
        QCOMPARE(dialogs_.Asked,
                 std::vector<std::string>{"Message: 1 dropped item was not added: " +
                                          Path("b.stl") + " (already in the batch list)."});

        // No drop is taken while a run is active.
        Session().SetConversionInProgress(true);
        QVERIFY(!DropUrls(list, {url("folder/sub/x.stl")}));
        Session().SetConversionInProgress(false);
        QCOMPARE(list->model()->rowCount(), 5);
    }

    // Delete on a selected row does what "Remove" does; without a selection it does nothing.
    void deleteKeyRemovesTheSelectedFile() {
        AddFile(WriteGoodStl("a.stl"));
        AddFile(WriteGoodStl("b.stl"));
        QTableView* list = Find<QTableView>("lvBatch");
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->model()->rowCount(), 2);
        list->selectRow(0);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(ListedFiles(), QStringList{dir_->filePath("b.stl")});
        QCOMPARE(list->model()->rowCount(), 1);
        QVERIFY(
            std::none_of(dialogs_.Asked.begin(), dialogs_.Asked.end(),
                         [](const std::string& asked) { return asked.rfind("Message", 0) == 0; }));
        // The index of listed names follows the removal: the file may be added again.
        AddFile(Path("a.stl"));
        QCOMPARE(list->model()->rowCount(), 2);
    }

    void browseWritesDestination() {
        dialogs_.FolderAnswers.push_back(Path("out"));
        Find<QPushButton>("btnBDestFolderBrowse")->click();
        QCOMPARE(dialogs_.Asked.back(), std::string("Folder: Destination Folder: "));
        QCOMPARE(Session().BatchSettings()->DestinationFolder, Path("out"));
    }

    void watchFolderPanelNotesOnlyOperatorChanges() {
        bool updating = false;
        TWatchFolderSTLConvertSettings settings;
        settings.Comment = "night";
        settings.WatchFolder = "/in";
        settings.TapeIDSource = 9;              // left as stored on this panel
        settings.DisplayStandardCodeSource = 9; // brought into range on this panel
        settings.QualityCheck = qcReport;
        TConversionSettingsPanel panel("WF", dialogs_, Session().MainSettings(), updating, [] {});
        panel.SetSettings(&settings);
        panel.UpdateForm();
        QVERIFY(!panel.SettingsChanged);
        QCOMPARE(Control<QComboBox>(&panel, "cbWFTapeID")->currentIndex(), -1);
        QCOMPARE(Control<QComboBox>(&panel, "cbWFDisplayStandardCode")->currentIndex(), 4);
        auto* quality = Control<QComboBox>(&panel, "cbWFQualityCheck");
        QCOMPARE(Items(quality),
                 (QStringList{"Off", "Report findings", "Refuse files with errors"}));
        QCOMPARE(Items(quality), Items(Find<QComboBox>("cbBQualityCheck")));
        QCOMPARE(quality->currentIndex(), 1);
        QVERIFY(!panel.SettingsChanged);
        QCOMPARE(Control<QLineEdit>(&panel, "edWFComment")->text(), QString("night"));
        Control<QLineEdit>(&panel, "edWFComment")->setText("day");
        QVERIFY(panel.SettingsChanged);
        QCOMPARE(settings.Comment, std::string("day"));
        QCOMPARE(settings.WatchFolder, std::string("/in"));
        QCOMPARE(settings.DisplayStandardCodeSource, 4);
        QCOMPARE(settings.QualityCheck, 1);
        quality->setCurrentIndex(2);
        QCOMPARE(settings.QualityCheck, 2);
    }

    void runRefusals() {
        Press("btnBatchConvert");
        AddFile(WriteGoodStl("a.stl"));
        Press("btnBatchConvert");
        Press("btnBRemove");
        QCOMPARE(dialogs_.Asked.back(), std::string("Message: No item selected."));
        QCOMPARE(std::vector<std::string>(dialogs_.Asked.begin(), dialogs_.Asked.end() - 1),
                 (std::vector<std::string>{"Message: No files to convert.",
                                           "Files: Add File: STL Files (*.stl);;All Files (*)",
                                           "Message: No destination folder specified."}));
        QVERIFY(!Session().ConversionInProgress());
    }

    void runWithFailingFileThenAgain() {
        AddFile(WriteGoodStl("a.stl"));
        WriteBytes(Path("bad.stl"), {1, 2, 3});
        AddFile(Path("bad.stl"));
        AddFile(WriteGoodStl("c.stl"));
        Session().BatchSettings()->DestinationFolder = Path("out");
        Session().BatchSettings()->OverrideDestination = true;
        UseFixedTapeIDAndLanguage();
        for (int pass = 0; pass < 2; ++pass) {
            Session().Logs().ClearLogsPane();
            Press("btnBatchConvert");
            QCOMPARE(Caption(Find<QPushButton>("btnBatchConvert")), QString("Cancel"));
            QVERIFY(Session().ConversionInProgress());
            QCOMPARE(Find<QLabel>("lblBProgress")->text(), QString("0 / 3"));
            // Every status starts empty, also after a finished run.
            for (int row = 0; row < 3; ++row)
                QCOMPARE(StatusText(row), QString());
            WaitForRunEnd();
            QCOMPARE(Caption(Find<QPushButton>("btnBatchConvert")), QString("Convert"));
            QCOMPARE(Find<QLabel>("lblBProgress")->text(), QString());
            // A file that failed to convert does not look done.
            QCOMPARE((QStringList{StatusText(0), StatusText(1), StatusText(2)}),
                     (QStringList{"Processed", "Failed", "Processed"}));
            QCOMPARE(
                LogLines(),
                (QStringList{"Batch conversion started.",
                             "Converting STL file : " + QString::fromStdString(Path("a.stl")),
                             "Converting STL file : " + QString::fromStdString(Path("bad.stl")),
                             "Converting STL file : " + QString::fromStdString(Path("c.stl")),
                             "Batch conversion done."}));
            const QString messages = Find<QPlainTextEdit>("memMessages")->toPlainText();
            QVERIFY(messages.contains("Error converting STL file " +
                                      QString::fromStdString(Path("bad.stl"))));
            QVERIFY(!messages.contains("Error converting STL file " +
                                       QString::fromStdString(Path("c.stl"))));
        }
        QVERIFY(QFile::exists(dir_->filePath("out/a.stl")));
        QVERIFY(QFile::exists(dir_->filePath("out/c.stl")));
    }

    void cancelDuringThirdOfFive() {
        const char* names[] = {"1.stl", "2.stl", "3.stl", "4.stl", "5.stl"};
        for (const char* name : names)
            AddFile(WriteGoodStl(name));
        Session().BatchSettings()->DestinationFolder = Path("out");
        UseFixedTapeIDAndLanguage();
        Press("btnBatchConvert");
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(2), QString("Processed"), 5000);
        // Entries done or under way, of all.
        QCOMPARE(Find<QLabel>("lblBProgress")->text(), QString("3 / 5"));
        Press("btnBatchConvert");
        QVERIFY(!Session().ConversionInProgress());
        QCOMPARE(Caption(Find<QPushButton>("btnBatchConvert")), QString("Convert"));
        QCOMPARE(Find<QLabel>("lblBProgress")->text(), QString());
        QTest::qWait(400); // steps that would have come do not
        QCOMPARE(StatusText(3), QString());
        QCOMPARE(StatusText(4), QString());
        QCOMPARE(LogLines().last(), QString("Batch conversion canceled."));
        QVERIFY(!LogLines().contains("Batch conversion done."));
    }

    // The view asks only for the rows it shows, so a long list scrolls as fast as a short one.
    void tenThousandFilesScrollWithoutDelay() {
        for (int i = 0; i < 10000; ++i)
            Session().Batch().AppendToBatchList("/srv/in/file" + std::to_string(i) + ".stl");
        QTableView* view = Find<QTableView>("lvBatch");
        qobject_cast<TBatchListModel*>(view->model())->Reload();
        QCOMPARE(view->model()->rowCount(), 10000);
        QScrollBar* bar = view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0); // the view lays out the new rows on its next turn
        QElapsedTimer timer;
        timer.start();
        for (int step = 0; step <= 100; ++step) {
            bar->setValue(bar->maximum() * step / 100);
            view->viewport()->repaint();
        }
        const qint64 elapsed = timer.elapsed();
        qInfo("10000-file batch list: 101 scroll steps with repaint in %lld ms",
              static_cast<long long>(elapsed));
        QCOMPARE(view->indexAt(QPoint(5, 5)).isValid(), true);
        QVERIFY(view->rowAt(view->viewport()->height() - 2) >= 9990);
        QVERIFY(elapsed < 2000);
    }

    void closeDuringRunStopsWithoutLogLine() {
        for (const char* name : {"1.stl", "2.stl", "3.stl", "4.stl"})
            AddFile(WriteGoodStl(name));
        Session().BatchSettings()->DestinationFolder = Path("out");
        UseFixedTapeIDAndLanguage();
        Press("btnBatchConvert");
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(0), QString("Processed"), 5000);
        dialogs_.YesNoAnswers.push_back(true);
        form_->close();
        QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), 5000);
        QCOMPARE(StatusText(3), QString());
        QVERIFY(!LogLines().contains("Batch conversion canceled."));
        QVERIFY(!LogLines().contains("Batch conversion done."));
    }
};

int RunBatchPageTest(int argc, char** argv) {
    TBatchPageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BatchPageTest.moc"
