// The Batch page and its settings panel: filling and writing back, the enabling rules, and
// runs of the batch list stepped by the event loop.
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
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
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/BatchPage.h"
#include "ui/CaplinForm.h"
#include "ui/SettingsPanel.h"
#include "watchfolder/WatchFolderSTLConvertSettings.h"

using namespace testsupport;

class TBatchPageTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    TScriptedDialogs dialogs_;
    std::unique_ptr<TCaplinForm> form_;

    TBatchPage& Page() { return *form_->BatchPage; }
    TConversionSettingsPanel& Panel() { return *form_->BatchPage->Panel; }
    std::string Path(const char* name) { return dir_->filePath(name).toStdString(); }

    std::string WriteGoodStl(const char* name) {
        WriteStl(Path(name), MakeGsi(1), {MakeTti(1, "Hello")});
        return Path(name);
    }

    void AddFile(const std::string& path) {
        dialogs_.FileAnswers.push_back(path);
        Page().btnBAddFileClick();
    }

    QStringList LogLines() const {
        QStringList lines;
        for (const QString& line : form_->memLogs->toPlainText().split('\n'))
            if (!line.isEmpty())
                lines << line.section(" - ", 1);
        return lines;
    }

    QString StatusText(int row) const {
        return form_->BatchPage->Model->index(row, 2).data().toString();
    }

    // Names of the test files carry neither a tape ID nor a language.
    void UseFixedTapeIDAndLanguage() {
        form_->BatchSettings->TapeIDSource = tisPredefined;
        form_->BatchSettings->TapeIDPredefined = "TAPE0001";
        form_->BatchSettings->LanguageSource = lsPredefined;
        form_->BatchSettings->LanguagePredefined = "09";
    }

    void WaitForRunEnd() { QTRY_VERIFY_WITH_TIMEOUT(!form_->ConversionInProgress, 10000); }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-batch");
        QVERIFY(dir_);
        dialogs_ = TScriptedDialogs();
        form_ = std::make_unique<TCaplinForm>(&dialogs_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QDir().mkpath(dir_->filePath("out"));
    }

    void cleanup() {
        form_.reset();
        dir_.reset();
    }

    void fillingWritesNothingBack() {
        TSTLConvertSettings& s = *form_->BatchSettings;
        s.TapeIDSource = 7; // out of range: shown clamped, but not stored back
        s.TimeCodeStartOfProgramme = "25617030";
        s.CodePageNumberCustom = "abc";
        s.LanguagePredefined = "0F";
        s.FramesPerSecond = "kept";
        Panel().UpdateForm();
        QCOMPARE(s.TapeIDSource, 7);
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("25617030"));
        QCOMPARE(s.CodePageNumberCustom, std::string("abc"));
        QCOMPARE(s.FramesPerSecond, std::string("kept"));
        QCOMPARE(Panel().cbTapeID->currentIndex(), 2);
        QCOMPARE(Panel().cbLanguagePredefined->currentData().toInt(), 0x0F);

        // The operator's next change writes every control, the defaults among them.
        Panel().cbOverwriteDestination->toggle();
        QCOMPARE(s.TapeIDSource, 2);
        QCOMPARE(s.TimeCodeStartOfProgramme, std::string("23595929"));
        QCOMPARE(s.CodePageNumberCustom, std::string("850"));
        QCOMPARE(s.LanguagePredefined, std::string("0F"));
        QCOMPARE(s.FramesPerSecondSource, form_->MainSettings.FPSSource);
        QCOMPARE(s.FramesPerSecond, form_->MainSettings.FPS);
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
        form_->BatchSettings->TimeCodeStartOfProgramme = stored.toStdString();
        Panel().UpdateForm();
        const QList<int> actual{Panel().seHour->value(), Panel().seMin->value(),
                                Panel().seSec->value(), Panel().seFrame->value()};
        QCOMPARE(actual, shown);
    }

    void languageListIsSortedWithCodes() {
        QComboBox* combo = Panel().cbLanguagePredefined;
        QCOMPARE(combo->count(), 103);
        for (int i = 1; i < combo->count(); ++i)
            QVERIFY(combo->itemText(i - 1).toStdString() <= combo->itemText(i).toStdString());
        PositionLanguagePredefinedCombo(combo, "");
        QCOMPARE(combo->currentData().toInt(), 0);
    }

    void moveComboEnablesFolder() {
        QComboBox* move = Panel().cbMoveProcessedFiles;
        QVERIFY(!Panel().edMoveProcessedFiles->isEnabled());
        move->setCurrentIndex(1);
        QVERIFY(Panel().edMoveProcessedFiles->isEnabled());
        QVERIFY(Panel().btnMoveProcessedFiles->isEnabled());
        QVERIFY(form_->BatchSettings->MoveProcessedFiles);
        move->setCurrentIndex(0);
        QVERIFY(!Panel().edMoveProcessedFiles->isEnabled());
        QVERIFY(!Panel().btnMoveProcessedFiles->isEnabled());
        QVERIFY(!form_->BatchSettings->MoveProcessedFiles);
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
        auto* combo = form_->findChild<QComboBox*>(governing);
        QVERIFY(combo);
        auto enabled = [&](bool expected) {
            for (const QString& name : governed) {
                auto* w = form_->findChild<QWidget*>(name);
                QVERIFY2(w, qPrintable(name));
                QVERIFY2(w->isEnabled() == expected, qPrintable(name));
            }
        };
        enabled(false);
        combo->setCurrentIndex(on);
        enabled(true);
        // A run disables the whole panel and the list buttons, and re-enables them after.
        form_->ConversionInProgress = true;
        form_->GeneralRefresh();
        enabled(false);
        QVERIFY(!combo->isEnabled());
        QVERIFY(!Page().btnBAddFile->isEnabled());
        QVERIFY(Page().btnBatchConvert->isEnabled());
        form_->ConversionInProgress = false;
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
        AddFile(WriteGoodStl(again.toUtf8().constData()));
        AddFile(Path("missing.stl")); // silently ignored
        QCOMPARE(Page().BatchList.size(), size_t(1));
        QCOMPARE(dialogs_.Asked.back(),
                 std::string("File: Add File: STL Files (*.stl);;All Files (*)"));
        QCOMPARE(std::count(dialogs_.Asked.begin(), dialogs_.Asked.end(),
                            "Message: File aready exists in the batch list."),
                 1);
    }

    void browseWritesDestination() {
        dialogs_.FolderAnswers.push_back(Path("out"));
        Panel().btnDestFolder->click();
        QCOMPARE(dialogs_.Asked.back(), std::string("Folder: Destination Folder: "));
        QCOMPARE(form_->BatchSettings->DestinationFolder, Path("out"));
    }

    void watchFolderPanelNotesOnlyOperatorChanges() {
        bool updating = false;
        TWatchFolderSTLConvertSettings settings;
        settings.Comment = "night";
        settings.WatchFolder = "/in";
        settings.TapeIDSource = 9;              // left as stored on this panel
        settings.DisplayStandardCodeSource = 9; // brought into range on this panel
        TConversionSettingsPanel panel("WF", dialogs_, form_->MainSettings, updating, [] {});
        panel.SetSettings(&settings);
        panel.UpdateForm();
        QVERIFY(!panel.SettingsChanged);
        QCOMPARE(panel.cbTapeID->currentIndex(), -1);
        QCOMPARE(panel.cbDisplayStandardCode->currentIndex(), 4);
        QCOMPARE(panel.edComment->text(), QString("night"));
        panel.edComment->setText("day");
        QVERIFY(panel.SettingsChanged);
        QCOMPARE(settings.Comment, std::string("day"));
        QCOMPARE(settings.WatchFolder, std::string("/in"));
        QCOMPARE(settings.DisplayStandardCodeSource, 4);
    }

    void runRefusals() {
        Page().btnBatchConvertClick();
        AddFile(WriteGoodStl("a.stl"));
        Page().btnBatchConvertClick();
        Page().btnBRemoveClick();
        QCOMPARE(dialogs_.Asked.back(), std::string("Message: No item selected."));
        QCOMPARE(std::vector<std::string>(dialogs_.Asked.begin(), dialogs_.Asked.end() - 1),
                 (std::vector<std::string>{"Message: No files to convert.",
                                           "File: Add File: STL Files (*.stl);;All Files (*)",
                                           "Message: No destination folder specified."}));
        QVERIFY(!form_->ConversionInProgress);
    }

    void runWithFailingFileThenAgain() {
        AddFile(WriteGoodStl("a.stl"));
        WriteBytes(Path("bad.stl"), {1, 2, 3});
        AddFile(Path("bad.stl"));
        AddFile(WriteGoodStl("c.stl"));
        form_->BatchSettings->DestinationFolder = Path("out");
        form_->BatchSettings->OverrideDestination = true;
        UseFixedTapeIDAndLanguage();
        for (int pass = 0; pass < 2; ++pass) {
            form_->Logs.ClearLogsPane();
            Page().btnBatchConvertClick();
            QCOMPARE(Page().btnBatchConvert->text(), QString("Cancel"));
            QVERIFY(form_->ConversionInProgress);
            // Every status starts empty, also after a finished run.
            for (int row = 0; row < 3; ++row)
                QCOMPARE(StatusText(row), QString());
            WaitForRunEnd();
            QCOMPARE(Page().btnBatchConvert->text(), QString("Convert"));
            for (int row = 0; row < 3; ++row)
                QCOMPARE(StatusText(row), QString("Processed"));
            QCOMPARE(
                LogLines(),
                (QStringList{"Batch conversion started.",
                             "Converting STL file : " + QString::fromStdString(Path("a.stl")),
                             "Converting STL file : " + QString::fromStdString(Path("bad.stl")),
                             "Converting STL file : " + QString::fromStdString(Path("c.stl")),
                             "Batch conversion done."}));
            QVERIFY(form_->memMessages->toPlainText().contains(
                "Error converting STL file " + QString::fromStdString(Path("bad.stl"))));
            QVERIFY(!form_->memMessages->toPlainText().contains(
                "Error converting STL file " + QString::fromStdString(Path("c.stl"))));
        }
        QVERIFY(QFile::exists(dir_->filePath("out/a.stl")));
        QVERIFY(QFile::exists(dir_->filePath("out/c.stl")));
    }

    void cancelDuringThirdOfFive() {
        const char* names[] = {"1.stl", "2.stl", "3.stl", "4.stl", "5.stl"};
        for (const char* name : names)
            AddFile(WriteGoodStl(name));
        form_->BatchSettings->DestinationFolder = Path("out");
        UseFixedTapeIDAndLanguage();
        Page().btnBatchConvertClick();
        QTRY_COMPARE_WITH_TIMEOUT(StatusText(2), QString("Processed"), 5000);
        Page().btnBatchConvertClick();
        QVERIFY(!form_->ConversionInProgress);
        QCOMPARE(Page().btnBatchConvert->text(), QString("Convert"));
        QTest::qWait(400); // steps that would have come do not
        QCOMPARE(StatusText(3), QString());
        QCOMPARE(StatusText(4), QString());
        QCOMPARE(LogLines().last(), QString("Batch conversion canceled."));
        QVERIFY(!LogLines().contains("Batch conversion done."));
    }

    // The view asks only for the rows it shows, so a long list scrolls as fast as a short one.
    void tenThousandFilesScrollWithoutDelay() {
        for (int i = 0; i < 10000; ++i)
            Page().BatchList.push_back(TBatchItem{"/srv/in/file" + std::to_string(i) + ".stl", 0});
        Page().Model->Reload();
        QCOMPARE(Page().Model->rowCount(), 10000);
        QScrollBar* bar = Page().lvBatch->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0); // the view lays out the new rows on its next turn
        QElapsedTimer timer;
        timer.start();
        for (int step = 0; step <= 100; ++step) {
            bar->setValue(bar->maximum() * step / 100);
            Page().lvBatch->viewport()->repaint();
        }
        const qint64 elapsed = timer.elapsed();
        qInfo("10000-file batch list: 101 scroll steps with repaint in %lld ms",
              static_cast<long long>(elapsed));
        QCOMPARE(Page().lvBatch->indexAt(QPoint(5, 5)).isValid(), true);
        QVERIFY(Page().lvBatch->rowAt(Page().lvBatch->viewport()->height() - 2) >= 9990);
        QVERIFY(elapsed < 2000);
    }

    void closeDuringRunStopsWithoutLogLine() {
        for (const char* name : {"1.stl", "2.stl", "3.stl", "4.stl"})
            AddFile(WriteGoodStl(name));
        form_->BatchSettings->DestinationFolder = Path("out");
        UseFixedTapeIDAndLanguage();
        Page().btnBatchConvertClick();
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
