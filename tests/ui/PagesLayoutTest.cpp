// The Watch Folder and Playlist Check pages: their lists show what the settings file holds,
// the check panel enables by the run and the threshold box, and column widths persist.
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Registry.h"
#include "tests/ui/ScriptedDialogs.h"
#include "tests/ui/WindowControls.h"
#include "tests/ui/WindowTestHome.h"
#include "ui/CaplinForm.h"
#include "ui/PlaylistCheckPanel.h"

namespace {

QString Cell(const QAbstractItemModel* model, int row, int column) {
    return model->data(model->index(row, column)).toString();
}

void StoreColumnWidth(const std::string& name, int32_t width) {
    TRegistry registry;
    QVERIFY(registry.OpenKey(kCaplinKey, true));
    registry.WriteInteger(name, width);
}

int32_t StoredInteger(const std::string& name) {
    TRegistry registry;
    int32_t value = -999;
    if (registry.OpenKey(kCaplinKey, false))
        registry.ReadInteger(name, value);
    return value;
}

} // namespace

class TPagesLayoutTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    TScriptedDialogs dialogs_;

    std::unique_ptr<TCaplinForm> ShownForm() { return NewShownForm(&dialogs_); }

    // What the window works on, apart from its controls.
    static TCaplinSession& Session(TCaplinForm& form) { return form.Session(); }

private Q_SLOTS:
    void init() {
        dir_ = NewTestHome("caplin-pages");
        QVERIFY(dir_);
        dialogs_ = TScriptedDialogs();
    }

    void cleanup() { dir_.reset(); }

    void listsShowEveryStoredEntry() {
        constexpr int kCount = 100;
        {
            TWatchFolderList folders;
            TPlaylistCheckList checks;
            for (int i = 0; i < kCount; ++i) {
                auto item = std::make_unique<TWatchFolderItem>();
                item->Settings.WatchFolder = "/in/" + std::to_string(i) + "/";
                item->Settings.DestinationFolder = "/out/" + std::to_string(i) + "/";
                item->Settings.Comment = "wf " + std::to_string(i);
                folders.Items.push_back(std::move(item));
                auto entry = std::make_unique<TPlaylistCheckSettings>();
                entry->PlaylistsFolder = "/lists/" + std::to_string(i) + "/";
                entry->SubtitlesFolder = "/subs/" + std::to_string(i) + "/";
                entry->Comment = "pc " + std::to_string(i);
                checks.Entries.push_back(std::move(entry));
            }
            QVERIFY(folders.SaveRegistryWatchFolders());
            QVERIFY(checks.SaveRegistryPlaylistCheckLists());
        }

        QElapsedTimer timer;
        timer.start();
        auto form = ShownForm();
        QVERIFY(form);
        qInfo("window with %d watch folders and %d check entries shown after %lld ms", kCount,
              kCount, static_cast<long long>(timer.elapsed()));

        const QAbstractItemModel* wf = Control<QTableView>(form.get(), "lvWatchFolder")->model();
        const QAbstractItemModel* pc = Control<QTableView>(form.get(), "lvPlaylistFolder")->model();
        QCOMPARE(wf->rowCount(), kCount);
        QCOMPARE(pc->rowCount(), kCount);
        for (int row : {0, 41, kCount - 1}) {
            const QString n = QString::number(row);
            const QStringList wfRow = {QString::number(row + 1), "/in/" + n + "/",
                                       "/out/" + n + "/", "wf " + n};
            const QStringList pcRow = {QString::number(row + 1), "/lists/" + n + "/",
                                       "/subs/" + n + "/", "pc " + n};
            for (int column = 0; column < 4; ++column) {
                QCOMPARE(Cell(wf, row, column), wfRow[column]);
                QCOMPARE(Cell(pc, row, column), pcRow[column]);
            }
        }
        QCOMPARE(wf->headerData(1, Qt::Horizontal).toString(), QString("Watch Folder"));
        QCOMPARE(pc->headerData(2, Qt::Horizontal).toString(), QString("Subtitles Folder"));
        QVERIFY(form->close());
    }

    void checkPanelEnabling_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<bool>("editsEnabled");
        QTest::addColumn<bool>("spinEnabled");
        QTest::newRow("idle, unticked") << false << false << true << false;
        QTest::newRow("idle, ticked") << false << true << true << true;
        QTest::newRow("running, unticked") << true << false << false << false;
        QTest::newRow("running, ticked") << true << true << false << false;
    }

    void checkPanelEnabling() {
        QFETCH(bool, running);
        QFETCH(bool, ticked);
        QFETCH(bool, editsEnabled);
        QFETCH(bool, spinEnabled);
        auto form = ShownForm();
        QVERIFY(form);
        auto& panel = *Control<TPlaylistCheckPanel>(form.get(), "PCSettingsPanel");
        QVERIFY(!panel.PCSettingsChanged);

        Control<QCheckBox>(form.get(), "cbPCEnableClipDurationThreshold")->setChecked(ticked);
        // An operator's tick counts as a change and reaches the settings at once.
        QCOMPARE(panel.PCSettingsChanged, ticked);
        QCOMPARE(Session(*form).PCSettings->CheckClipsWidhDurationOver, ticked);
        Session(*form).SetConversionInProgress(running);
        form->GeneralRefresh();

        for (const char* name :
             {"lvPlaylistFolder", "btnPCAdd", "btnPCRemove", "btnPCUpdate", "btnPCClearList",
              "btnPCClearParams", "edPCPlaylistsFolder", "btnPCPlaylistsFolderBrowse",
              "edPCSubtitlesFolder", "lbPCLanguageCheckList", "cbPCLanguage", "btnPCAddLanguage",
              "btnPCRemoveLanguage", "edPCComment", "edPCMissingsLogFolder",
              "btnPCMissingsLogFolderBrowse", "cbPCEnableClipDurationThreshold"})
            QVERIFY2(Control<QWidget>(form.get(), name)->isEnabled() == editsEnabled, name);
        QCOMPARE(Control<QSpinBox>(form.get(), "sePCClipDurationThreshold")->isEnabled(),
                 spinEnabled);
        QCOMPARE(Control<QLabel>(form.get(), "lblPCClipDurationThreshold")->isEnabled(),
                 spinEnabled);
        QVERIFY(Control<QPushButton>(form.get(), "btnPCCheck")->isEnabled());
        Session(*form).SetConversionInProgress(false);
        QVERIFY(form->close());
    }

    void storedEntryFillsPanelWithoutCountingAsChange() {
        TPlaylistCheckSettings stored;
        stored.PlaylistsFolder = "/lists/";
        stored.Comment = "night";
        stored.CheckClipsWidhDurationOver = true;
        stored.ClipsDurationThreasholdSeconds = 12.7;
        // 0x0F is a language of the table, 0x30 is not and is left out of the list box.
        stored.LanguageCheckList = {0x0F, 0x30, 0x09};
        QVERIFY(stored.SaveToRegistry(kPlaylistsCheckKey, kPlaylistCheckLanguagesSubKey));

        auto form = ShownForm();
        QVERIFY(form);
        auto& panel = *Control<TPlaylistCheckPanel>(form.get(), "PCSettingsPanel");
        auto* threshold = Control<QSpinBox>(form.get(), "sePCClipDurationThreshold");
        auto* languages = Control<QListWidget>(form.get(), "lbPCLanguageCheckList");
        auto* language = Control<QComboBox>(form.get(), "cbPCLanguage");
        auto* comment = Control<QLineEdit>(form.get(), "edPCComment");
        QCOMPARE(threshold->value(), 12);
        QVERIFY(Control<QCheckBox>(form.get(), "cbPCEnableClipDurationThreshold")->isChecked());
        QVERIFY(threshold->isEnabled());
        QCOMPARE(Control<QLineEdit>(form.get(), "edPCPlaylistsFolder")->text(), QString("/lists/"));
        QCOMPARE(comment->text(), QString("night"));
        QCOMPARE(languages->count(), 2);
        QCOMPARE(languages->item(0)->text(), QString("French"));
        QCOMPARE(languages->item(1)->text(), QString("English"));
        QVERIFY(!panel.PCSettingsChanged);
        QCOMPARE(language->count(), 103);
        const int french = language->findText("French");
        QCOMPARE(language->itemData(french).toInt(), 0x0F);
        QVERIFY(language->itemText(french - 1) < "French");

        comment->setText("day");
        QVERIFY(panel.PCSettingsChanged);
        QCOMPARE(Session(*form).PCSettings->Comment, std::string("day"));
        QVERIFY(form->close());
    }

    void columnWidthsStoredAndRestored() {
        StoreColumnWidth("WatchFolderList_1_Width", 123);
        StoreColumnWidth("PlaylistsCheckList_3_Width", 77);
        auto form = ShownForm();
        QVERIFY(form);
        QTableView* wf = Control<QTableView>(form.get(), "lvWatchFolder");
        QTableView* pc = Control<QTableView>(form.get(), "lvPlaylistFolder");
        QCOMPARE(wf->columnWidth(1), 123);
        QCOMPARE(wf->columnWidth(2), 200);
        QCOMPARE(pc->columnWidth(3), 77);
        QCOMPARE(pc->columnWidth(0), 30);

        wf->setColumnWidth(2, 150);
        pc->setColumnWidth(1, 90);
        QVERIFY(form->close());
        QCOMPARE(StoredInteger("WatchFolderList_1_Width"), 123);
        QCOMPARE(StoredInteger("WatchFolderList_2_Width"), 150);
        QCOMPARE(StoredInteger("PlaylistsCheckList_1_Width"), 90);
        QCOMPARE(StoredInteger("PlaylistsCheckList_3_Width"), 77);
    }
};

int RunPagesLayoutTest(int argc, char** argv) {
    TPagesLayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PagesLayoutTest.moc"
