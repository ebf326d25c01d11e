// The Watch Folder and Playlist Check pages: their lists show what the settings file holds,
// the check panel enables by the run and the threshold box, and column widths persist.
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Registry.h"
#include "tests/ui/PageTestSupport.h"
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

// Why a control's text does not fit it, or empty when it fits: every item of a list, every
// caption of a label, button, check box or group title.
QString Clipped(const QWidget* control) {
    const QFontMetrics metrics = control->fontMetrics();
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const int room =
            combo->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                .width();
        for (int i = 0; i < combo->count(); ++i)
            if (metrics.horizontalAdvance(combo->itemText(i)) > room)
                return "item \"" + combo->itemText(i) + "\"";
        return {};
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return metrics.horizontalAdvance(group->title()) > group->width() ? group->title()
                                                                          : QString();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return metrics.horizontalAdvance(QString(button->text()).remove('&')) >
                       button->contentsRect().width()
                   ? button->text()
                   : QString();
    const bool captioned =
        qobject_cast<const QLabel*>(control) || qobject_cast<const QAbstractButton*>(control);
    return captioned && control->sizeHint().width() > control->width() ? "caption" : QString();
}

} // namespace

class TPagesLayoutTest : public QObject, private TPageTest {
    Q_OBJECT

private:
    std::unique_ptr<TCaplinForm> ShownForm() { return NewShownForm(&dialogs_); }

    // What the window works on, apart from its controls.
    static TCaplinSession& Session(TCaplinForm& form) { return form.Session(); }

private Q_SLOTS:
    void init() { QVERIFY(StartHome("caplin-pages")); }

    void cleanup() { EndHome(); }

    // At the window's default size each settings panel shows every control whole: no scroll
    // bar, nothing outside the visible area, no text cut short.
    void panelsShowEveryControlAtTheDefaultSize_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("area");
        QTest::newRow("Batch") << 0 << "sbBSettingsPanel";
        QTest::newRow("Watch Folder") << 1 << "sbWFSettingsPanel";
    }
    void panelsShowEveryControlAtTheDefaultSize() {
        QFETCH(int, page);
        QFETCH(QString, area);
        auto form = ShownForm();
        QVERIFY(form);
        QCOMPARE(form->size(), QSize(800, 785));
        Control<QTabWidget>(form.get(), "PageControl")->setCurrentIndex(page);
        auto* scroll = Control<QScrollArea>(form.get(), area.toLatin1().constData());
        QTRY_VERIFY(scroll->isVisible());
        // The page's layout settles in the events that follow its showing.
        QTRY_VERIFY2(!scroll->verticalScrollBar()->isVisible() &&
                         !scroll->horizontalScrollBar()->isVisible(),
                     qPrintable(QString("panel %1 in %2 x %3")
                                    .arg(scroll->widget()->minimumSizeHint().width())
                                    .arg(scroll->viewport()->width())
                                    .arg(scroll->viewport()->height())));
        const QRect visible(scroll->viewport()->mapTo(form.get(), QPoint(0, 0)),
                            scroll->viewport()->size());
        QVERIFY(form->rect().contains(visible));
        int checked = 0;
        for (const QWidget* control : scroll->widget()->findChildren<QWidget*>()) {
            if (!control->isVisibleTo(form.get()) || control->objectName().isEmpty())
                continue;
            const QRect place(control->mapTo(form.get(), QPoint(0, 0)), control->size());
            QVERIFY2(visible.contains(place), qPrintable(control->objectName()));
            const QString clipped = Clipped(control);
            QVERIFY2(clipped.isEmpty(), qPrintable(control->objectName() + ": " + clipped));
            ++checked;
        }
        QVERIFY(checked >= 40);
    }

    // The Tab key walks each panel down its first column, then down its second.
    void tabWalksEachPanelTopToBottom_data() { panelsShowEveryControlAtTheDefaultSize_data(); }
    void tabWalksEachPanelTopToBottom() {
        constexpr int kRowTolerance = 6;
        QFETCH(int, page);
        QFETCH(QString, area);
        auto form = ShownForm();
        QVERIFY(form);
        Control<QTabWidget>(form.get(), "PageControl")->setCurrentIndex(page);
        QWidget* panel = Control<QScrollArea>(form.get(), area.toLatin1().constData())->widget();
        QTRY_VERIFY(panel->isVisible());
        // The second column starts where the "Zero Page" group does.
        int second = -1;
        for (const QGroupBox* group : panel->findChildren<QGroupBox*>())
            if (group->title() == "Zero Page")
                second = group->mapTo(panel, QPoint(0, 0)).x();
        QVERIFY(second > 0);
        int column = 0, top = -1, walked = 0;
        for (QWidget* next = panel->nextInFocusChain(); next != panel;
             next = next->nextInFocusChain()) {
            if (!panel->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus) ||
                !next->isVisibleTo(form.get()))
                continue;
            const QPoint at = next->mapTo(panel, QPoint(0, 0));
            const int now = at.x() >= second ? 1 : 0;
            QVERIFY2(now >= column, qPrintable(next->objectName()));
            if (now > column)
                top = -1;
            // Controls of one row differ in height and are centred on it.
            QVERIFY2(at.y() >= top - kRowTolerance, qPrintable(next->objectName()));
            column = now;
            top = at.y();
            ++walked;
        }
        QVERIFY(walked >= 20);
    }

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
        QCOMPARE(Session(*form).PCSettings()->CheckClipsWidhDurationOver, ticked);
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
        QCOMPARE(Session(*form).PCSettings()->Comment, std::string("day"));
        QVERIFY(form->close());
    }

    // Stored widths win; "#" fits its numbers and the path columns share what is left, and
    // a larger window widens the paths alone.
    void columnWidthsStoredAndRestored() {
        StoreColumnWidth("WatchFolderList_1_Width", 123);
        StoreColumnWidth("PlaylistsCheckList_3_Width", 77);
        auto form = ShownForm();
        QVERIFY(form);
        QTableView* wf = Control<QTableView>(form.get(), "lvWatchFolder");
        QTableView* pc = Control<QTableView>(form.get(), "lvPlaylistFolder");
        Control<QTabWidget>(form.get(), "PageControl")->setCurrentIndex(1);
        QTRY_VERIFY(wf->isVisible());
        auto widths = [](const QTableView* view) {
            QList<int> all;
            for (int column = 0; column < view->model()->columnCount(); ++column)
                all << view->columnWidth(column);
            return all;
        };
        const QList<int> before = widths(wf);
        QCOMPARE(before[1], 123);
        QCOMPARE(before[3], 60);
        QVERIFY(before[0] < 60);
        QCOMPARE(before[0] + before[1] + before[2] + before[3], wf->viewport()->width());
        QCOMPARE(pc->columnWidth(3), 77);
        QVERIFY(pc->columnWidth(0) < 60);

        form->resize(form->width() + 200, form->height());
        QTRY_COMPARE(widths(wf)[1] + widths(wf)[2], before[1] + before[2] + 200);
        QCOMPARE(widths(wf)[0], before[0]);
        QCOMPARE(widths(wf)[3], before[3]);
        const int widened = widths(wf)[1];

        wf->setColumnWidth(2, 150);
        // A list takes the operator's widths once it was shown.
        Control<QTabWidget>(form.get(), "PageControl")->setCurrentIndex(2);
        QTRY_VERIFY(pc->isVisible());
        pc->setColumnWidth(1, 90);
        QVERIFY(form->close());
        QCOMPARE(StoredInteger("WatchFolderList_1_Width"), widened);
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
