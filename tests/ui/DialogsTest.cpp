// The configuration dialogs: the entry rules and messages of the two list editors, their
// limit, edit cycle and private copy, the preview, the languages dialog over the custom
// names, the properties, and the buttons and menu items that open them on the right data.
#include <algorithm>
#include <functional>
#include <memory>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "lang/STLCustomLangUtils.h"
#include "platform/Registry.h"
#include "platform/TextUtils.h"
#include "tests/common/TestSupport.h"
#include "tests/ui/PageTestSupport.h"
#include "ui/HexFindReplaceDialog.h"
#include "ui/LanguagesDialog.h"
#include "ui/PropertiesDialog.h"
#include "ui/QcDialog.h"
#include "ui/SettingsPanel.h"
#include "ui/SubtitleFileTypesDialog.h"

using namespace testsupport;

namespace {

QString Cell(const QTableWidget* view, int row, int column) {
    const QTableWidgetItem* item = view->item(row, column);
    return item ? item->text() : QString("<none>");
}

QStringList Row(const QTableWidget* view, int row) {
    QStringList cells;
    for (int column = 0; column < view->columnCount(); ++column)
        cells << Cell(view, row, column);
    return cells;
}

QStringList ListBoxLines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void AddHexItems(THexFindAndReplaceList& list, int count) {
    for (int i = 0; i < count; ++i)
        list.push_back(std::make_unique<THexFindAndReplaceValue>(
            THexFindAndReplaceValue{1, 0x41 + i, 0x61 + i}));
}

void AddFileTypes(TSubtitleFileTypeList& list, int count) {
    for (int i = 0; i < count; ++i)
        list.push_back(std::make_unique<TSubtitleFileType>(
            TSubtitleFileType{"T" + std::to_string(i), 10 + i, 1, 4, 6, 2, "sample.stl"}));
}

int LanguageRow(const QTableWidget* view, const QString& name) {
    for (int row = 0; row < view->rowCount(); ++row)
        if (Cell(view, row, 0) == name)
            return row;
    return -1;
}

// Each dialog's controls, found by their object names.
struct THexControls {
    explicit THexControls(const QObject* dialog) : form(dialog) {}
    const QObject* form;
    QTableWidget* lvHexFindAndReplaceItems =
        Control<QTableWidget>(form, "lvHexFindAndReplaceItems");
    QLineEdit* lbeHexFind = Control<QLineEdit>(form, "lbeHexFind");
    QLineEdit* lbeHexReplace = Control<QLineEdit>(form, "lbeHexReplace");
    QPushButton* btnAdd = Control<QPushButton>(form, "btnAdd");
    QPushButton* btnEdit = Control<QPushButton>(form, "btnEdit");
    QPushButton* btnDelete = Control<QPushButton>(form, "btnDelete");
};

struct TFileTypesControls {
    explicit TFileTypesControls(const QObject* dialog) : form(dialog) {}
    const QObject* form;
    QTableWidget* lvSubtitleFileTypes = Control<QTableWidget>(form, "lvSubtitleFileTypes");
    QLineEdit* lbeName = Control<QLineEdit>(form, "lbeName");
    QSpinBox* seFileNameCharsCount = Control<QSpinBox>(form, "seFileNameCharsCount");
    QSpinBox* seTapeIDParsingStartPosition =
        Control<QSpinBox>(form, "seTapeIDParsingStartPosition");
    QSpinBox* seTapeIDParsingCharectersCount =
        Control<QSpinBox>(form, "seTapeIDParsingCharectersCount");
    QSpinBox* seLanguageParsingStartPosition =
        Control<QSpinBox>(form, "seLanguageParsingStartPosition");
    QSpinBox* seLanguageParsingCharectersCount =
        Control<QSpinBox>(form, "seLanguageParsingCharectersCount");
    QLineEdit* lbeSamplePreviewFileName = Control<QLineEdit>(form, "lbeSamplePreviewFileName");
    QLineEdit* lbePreviewTapeID = Control<QLineEdit>(form, "lbePreviewTapeID");
    QLineEdit* lbePreviewLanguage = Control<QLineEdit>(form, "lbePreviewLanguage");
    QPushButton* btnAddSubtitleFileType = Control<QPushButton>(form, "btnAddSubtitleFileType");
    QPushButton* btnEdit = Control<QPushButton>(form, "btnEdit");
    QPushButton* btnDeleteSubtitleFileType =
        Control<QPushButton>(form, "btnDeleteSubtitleFileType");
};

struct TLanguagesControls {
    explicit TLanguagesControls(const QObject* dialog) : form(dialog) {}
    const QObject* form;
    QTableWidget* lvLanguages = Control<QTableWidget>(form, "lvLanguages");
    QLineEdit* lbe2CharName = Control<QLineEdit>(form, "lbe2CharName");
    QLineEdit* lbe3Charname = Control<QLineEdit>(form, "lbe3Charname");
    QPushButton* btnEdit = Control<QPushButton>(form, "btnEdit");
    QPushButton* btnAbort = Control<QPushButton>(form, "btnAbort");
    QPushButton* btnDefaults = Control<QPushButton>(form, "btnDefaults");
    QPushButton* btnCancel = Control<QPushButton>(form, "btnCancel");
};

struct TPropertiesControls {
    explicit TPropertiesControls(const QObject* dialog) : form(dialog) {}
    const QObject* form;
    QComboBox* cbFPSSource = Control<QComboBox>(form, "cbFPSSource");
    QComboBox* cbFPS = Control<QComboBox>(form, "cbFPS");
    QLineEdit* edLogsOutputFolder = Control<QLineEdit>(form, "edLogsOutputFolder");
    QLineEdit* edMessagesOutputFolder = Control<QLineEdit>(form, "edMessagesOutputFolder");
    QPushButton* btnLogsOutputFolder = Control<QPushButton>(form, "btnLogsOutputFolder");
    QPushButton* btnMessagesOutputFolder = Control<QPushButton>(form, "btnMessagesOutputFolder");
};

// A dialog script that closes the dialog with its OK button.
bool ClickOK(QDialog& dialog) {
    dialog.findChild<QPushButton*>("btnOK")->click();
    return dialog.result() == QDialog::Accepted;
}

bool ClickCancel(QDialog& dialog) {
    dialog.findChild<QPushButton*>("btnCancel")->click();
    return dialog.result() == QDialog::Accepted;
}

} // namespace

class TDialogsTest : public QObject, private TPageTest {
    Q_OBJECT

private:
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& asked : dialogs_.Asked)
            if (asked.rfind("Message: ", 0) == 0)
                messages.push_back(asked.substr(9));
        return messages;
    }

    std::unique_ptr<TCaplinForm> ShownForm() { return NewShownForm(&dialogs_); }

private Q_SLOTS:
    void init() {
        QVERIFY(StartHome("caplin-dialogs"));
        SetCustomLanguageListToDefault();
    }

    void cleanup() {
        SetCustomLanguageListToDefault();
        EndHome();
    }

    void hexEntryFormat_data() {
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("message"); // empty: the item is added
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("row");
        const QString badFind = "Invalid hex value. Find hex string must be in 0xXX or 0xXXXX "
                                "format.";
        const QString badReplace = "Invalid hex value. Replace hex string must be in 0xXX or "
                                   "0xXXXX format.";
        const QString widths = "Both Find and Replace values must have equal number of bytes.";
        const QString same = "Find and Replace have the same value.";
        QTest::newRow("lower-case digits") << "0x0a"
                                           << "0x0b"
                                           << ""
                                           << "" << QStringList{"1", "0x0A", "0x0B"};
        QTest::newRow("upper-case digits") << "0x0A"
                                           << "0x1f"
                                           << ""
                                           << "" << QStringList{"1", "0x0A", "0x1F"};
        QTest::newRow("two bytes") << "0x000a"
                                   << "0xC2a9"
                                   << ""
                                   << "" << QStringList{"1", "0x000A", "0xC2A9"};
        QTest::newRow("upper-case X") << "0X0A"
                                      << "0x0B" << badFind << "lbeHexFind" << QStringList();
        QTest::newRow("three characters") << "0x0"
                                          << "0x0B" << badFind << "lbeHexFind" << QStringList();
        QTest::newRow("five characters") << "0x00A"
                                         << "0x0B" << badFind << "lbeHexFind" << QStringList();
        QTest::newRow("no prefix") << "000A"
                                   << "0x0B" << badFind << "lbeHexFind" << QStringList();
        QTest::newRow("not hexadecimal") << "0x0G"
                                         << "0x0B" << badFind << "lbeHexFind" << QStringList();
        QTest::newRow("replace refused") << "0x0A"
                                         << "0x0" << badReplace << "lbeHexReplace" << QStringList();
        QTest::newRow("mixed widths") << "0x00"
                                      << "0x0000" << widths << "lbeHexReplace" << QStringList();
        QTest::newRow("initial texts") << "0x0000"
                                       << "0x0000" << same << "lbeHexFind" << QStringList();
        QTest::newRow("same value, other case") << "0x0a"
                                                << "0x0A" << same << "lbeHexFind" << QStringList();
        // Both invalid: only the first check speaks.
        QTest::newRow("both refused") << "0x"
                                      << "xx" << badFind << "lbeHexFind" << QStringList();
    }

    void hexEntryFormat() {
        QFETCH(QString, find);
        QFETCH(QString, replace);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, row);
        THexFindAndReplaceForm form(dialogs_);
        const THexControls ui(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.lbeHexFind->setText(find);
        ui.lbeHexReplace->setText(replace);
        ui.btnAdd->click();

        if (message.isEmpty()) {
            QVERIFY(dialogs_.Asked.empty());
            QCOMPARE(form.List.size(), size_t(1));
            // The shown value is the stored one: 0x0a and 0x0A both hold the one-byte 10.
            QCOMPARE(Row(ui.lvHexFindAndReplaceItems, 0), row);
            QCOMPARE(QString::fromStdString(
                         HexValueToDisplay(form.List[0]->FindHex, form.List[0]->NumBytes)),
                     row[1]);
        } else {
            QCOMPARE(Messages(), std::vector<std::string>{message.toStdString()});
            QVERIFY(form.List.empty());
            QCOMPARE(ui.lvHexFindAndReplaceItems->rowCount(), 0);
            QCOMPARE(form.focusWidget()->objectName(), focus);
        }
    }

    void hexLimitComesBeforeAnyCheck() {
        THexFindAndReplaceForm form(dialogs_);
        const THexControls ui(&form);
        AddHexItems(form.List, 16);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(ui.lvHexFindAndReplaceItems->rowCount(), 16);
        ui.lbeHexFind->setText("0X0A"); // would fail its own check
        ui.btnAdd->click();
        QCOMPARE(Messages(),
                 std::vector<std::string>{"The max count of Hex Find And Replace values reached."});
        QCOMPARE(form.List.size(), size_t(16));

        // A full list still edits in place.
        ui.lvHexFindAndReplaceItems->selectRow(3);
        ui.btnEdit->click();
        QCOMPARE(ui.lbeHexFind->text(), QString("0x44"));
        QCOMPARE(ui.lbeHexReplace->text(), QString("0x64"));
        ui.lbeHexFind->setText("0x1234");
        ui.lbeHexReplace->setText("0xabcd");
        ui.btnEdit->click();
        QCOMPARE(form.List.size(), size_t(16));
        QCOMPARE(*form.List[3], (THexFindAndReplaceValue{2, 0x1234, 0xABCD}));
        QCOMPARE(Row(ui.lvHexFindAndReplaceItems, 3), (QStringList{"4", "0x1234", "0xABCD"}));
        QCOMPARE(Messages().size(), size_t(1));
    }

    void hexEditCycle() {
        THexFindAndReplaceForm form(dialogs_);
        const THexControls ui(&form);
        AddHexItems(form.List, 3);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        ui.btnEdit->click();
        QCOMPARE(Messages(), std::vector<std::string>{"No item selected."});
        QCOMPARE(Caption(ui.btnEdit), QString("Edit"));

        ui.lvHexFindAndReplaceItems->selectRow(1);
        ui.btnEdit->click();
        QCOMPARE(Caption(ui.btnEdit), QString("Apply"));
        QCOMPARE(Caption(ui.btnDelete), QString("Cancel"));
        QVERIFY(!ui.btnAdd->isEnabled());
        QVERIFY(!ui.lvHexFindAndReplaceItems->isEnabled());

        // A refused Apply stays in editing; Cancel then leaves the item as it was.
        ui.lbeHexFind->setText("0x62");
        ui.btnEdit->click();
        QCOMPARE(Messages().back(), std::string("Find and Replace have the same value."));
        QCOMPARE(Caption(ui.btnEdit), QString("Apply"));
        ui.btnDelete->click();
        QCOMPARE(Caption(ui.btnEdit), QString("Edit"));
        QCOMPARE(Caption(ui.btnDelete), QString("Delete"));
        QVERIFY(ui.btnAdd->isEnabled());
        QVERIFY(ui.lvHexFindAndReplaceItems->isEnabled());
        QCOMPARE(*form.List[1], (THexFindAndReplaceValue{1, 0x42, 0x62}));

        // Delete takes the selected row; the later ones move up and are numbered again.
        ui.lvHexFindAndReplaceItems->selectRow(0);
        ui.btnDelete->click();
        QCOMPARE(form.List.size(), size_t(2));
        QCOMPARE(Row(ui.lvHexFindAndReplaceItems, 0), (QStringList{"1", "0x42", "0x62"}));
        QCOMPARE(Row(ui.lvHexFindAndReplaceItems, 1), (QStringList{"2", "0x43", "0x63"}));
    }

    void listEditorsReachTheCallerOnlyOnOK_data() {
        QTest::addColumn<bool>("subtitleTypes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("hex, OK") << false << true;
        QTest::newRow("hex, Cancel") << false << false;
        QTest::newRow("file types, OK") << true << true;
        QTest::newRow("file types, Cancel") << true << false;
    }

    void listEditorsReachTheCallerOnlyOnOK() {
        QFETCH(bool, subtitleTypes);
        QFETCH(bool, ok);
        THexFindAndReplaceList hex;
        AddHexItems(hex, 2);
        TSubtitleFileTypeList types;
        AddFileTypes(types, 2);
        const THexFindAndReplaceValue* firstHex = hex[0].get();
        const TSubtitleFileType firstType = *types[0];

        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            if (qobject_cast<THexFindAndReplaceForm*>(&dialog)) {
                const THexControls ui(&dialog);
                ui.lvHexFindAndReplaceItems->selectRow(0);
                ui.btnDelete->click();
                ui.lbeHexFind->setText("0x7f");
                ui.lbeHexReplace->setText("0x20");
                ui.btnAdd->click();
            } else if (qobject_cast<TSubtitleFileTypesForm*>(&dialog)) {
                const TFileTypesControls ui(&dialog);
                ui.lbeName->setText("new");
                ui.btnAddSubtitleFileType->click();
                ui.lvSubtitleFileTypes->selectRow(0);
                ui.btnDeleteSubtitleFileType->click();
            }
            return ok ? ClickOK(dialog) : ClickCancel(dialog);
        });
        const bool result = subtitleTypes ? ConfigureSubtitleFileTypes(&types, dialogs_)
                                          : ConfigureHexFindReplace(&hex, dialogs_);
        QCOMPARE(result, ok);
        QVERIFY(dialogs_.DialogScripts.empty());
        if (subtitleTypes) {
            QCOMPARE(types.size(), size_t(2));
            QCOMPARE(types[0]->Name, ok ? std::string("T1") : firstType.Name);
            QCOMPARE(types[1]->Name, ok ? std::string("new") : std::string("T1"));
        } else {
            QCOMPARE(hex.size(), size_t(2));
            if (ok)
                QCOMPARE(*hex[1], (THexFindAndReplaceValue{1, 0x7F, 0x20}));
            else
                QCOMPARE(hex[0].get(), firstHex); // not even copied over
        }
    }

    void missingListIsRefused() {
        TraceCapture trace;
        QVERIFY(!ConfigureHexFindReplace(nullptr, dialogs_));
        QVERIFY(!ConfigureSubtitleFileTypes(nullptr, dialogs_));
        QCOMPARE(trace.Lines(),
                 (std::vector<std::string>{
                     "vlm: Error in ConfigureHexFindReplace - invalid arguments.",
                     "vlm: Error in ConfigureSubtitleFileTypes - invalid arguments."}));
        QVERIFY(dialogs_.Asked.empty());
    }

    void fileTypesLimitAndEditCycle() {
        TSubtitleFileTypesForm form(dialogs_);
        const TFileTypesControls ui(&form);
        AddFileTypes(form.List, 16);
        form.List[5]->SampleFileName.clear();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.btnAddSubtitleFileType->click();
        QCOMPARE(Messages(),
                 std::vector<std::string>{"The max count of Subtitle File Types reached."});
        QCOMPARE(form.List.size(), size_t(16));

        // A record without a sample gets the default one, in the edit and in the record.
        ui.lvSubtitleFileTypes->selectRow(5);
        form.btnEditClick();
        QCOMPARE(ui.lbeSamplePreviewFileName->text(), QString(kDefaultSampleFileName));
        QCOMPARE(form.List[5]->SampleFileName, std::string(kDefaultSampleFileName));
        QCOMPARE(ui.seFileNameCharsCount->value(), 15);
        QCOMPARE(Caption(ui.btnEdit), QString("Apply"));
        QCOMPARE(Caption(ui.btnDeleteSubtitleFileType), QString("Cancel"));
        QVERIFY(!ui.btnAddSubtitleFileType->isEnabled());
        QVERIFY(!ui.lvSubtitleFileTypes->isEnabled());

        ui.seFileNameCharsCount->setValue(40);
        ui.btnDeleteSubtitleFileType->click(); // Cancel: nothing written
        QCOMPARE(form.List[5]->CharsCount, 15);
        QVERIFY(ui.btnAddSubtitleFileType->isEnabled());

        ui.btnEdit->click();
        ui.lbeName->setText("renamed");
        ui.seLanguageParsingCharectersCount->setValue(3);
        ui.btnEdit->click(); // Apply, in place
        QCOMPARE(form.List.size(), size_t(16));
        QCOMPARE(*form.List[5],
                 (TSubtitleFileType{"renamed", 15, 1, 4, 6, 3, kDefaultSampleFileName}));
        QCOMPARE(Row(ui.lvSubtitleFileTypes, 5),
                 (QStringList{"6", "renamed", "15", "1", "4", "6", "3"}));
        QCOMPARE(Caption(ui.btnEdit), QString("Edit"));
    }

    void okWhileEditingKeepsTheEdit_data() {
        QTest::addColumn<QString>("close");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("name");
        QTest::newRow("OK") << "btnOK" << true << "edited";
        QTest::newRow("Cancel") << "btnCancel" << false << "T0";
        QTest::newRow("close box") << "" << false << "T0";
    }

    void okWhileEditingKeepsTheEdit() {
        QFETCH(QString, close);
        QFETCH(bool, result);
        QFETCH(QString, name);
        TSubtitleFileTypeList types;
        AddFileTypes(types, 1);
        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            auto& form = static_cast<TSubtitleFileTypesForm&>(dialog);
            const TFileTypesControls ui(&form);
            ui.lvSubtitleFileTypes->selectRow(0);
            ui.btnEdit->click();
            ui.lbeName->setText("edited");
            if (close.isEmpty())
                form.close();
            else
                form.findChild<QPushButton*>(close)->click();
            return form.result() == QDialog::Accepted;
        });
        QCOMPARE(ConfigureSubtitleFileTypes(&types, dialogs_), result);
        QCOMPARE(types.size(), size_t(1));
        QCOMPARE(QString::fromStdString(types[0]->Name), name);
    }

    void preview_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<int>("tapeStart");
        QTest::addColumn<int>("tapeCount");
        QTest::addColumn<int>("langStart");
        QTest::addColumn<int>("langCount");
        QTest::addColumn<QString>("tapeID");
        QTest::addColumn<QString>("language");
        QTest::newRow("defaults") << "" << 1 << 1 << 1 << 2 << "F"
                                  << "Fi";
        QTest::newRow("tape 6/4, language 11/2") << "" << 6 << 4 << 11 << 2 << "0123"
                                                 << "PT";
        QTest::newRow("cut at the end") << "" << 14 << 16 << 15 << 3 << "STL"
                                        << "TL";
        QTest::newRow("start past the end") << "" << 17 << 4 << 40 << 2 << ""
                                            << "";
        QTest::newRow("other sample") << "AB123456_EN1.stl" << 1 << 8 << 10 << 2 << "AB123456"
                                      << "EN";
    }

    void preview() {
        QFETCH(QString, sample);
        QFETCH(int, tapeStart);
        QFETCH(int, tapeCount);
        QFETCH(int, langStart);
        QFETCH(int, langCount);
        QFETCH(QString, tapeID);
        QFETCH(QString, language);
        TraceCapture trace;
        TSubtitleFileTypesForm form(dialogs_);
        const TFileTypesControls ui(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(ui.lbeSamplePreviewFileName->text(), QString("File_0123_PT.STL"));
        if (!sample.isEmpty())
            ui.lbeSamplePreviewFileName->setText(sample);
        ui.seTapeIDParsingStartPosition->setValue(tapeStart);
        ui.seTapeIDParsingCharectersCount->setValue(tapeCount);
        ui.seLanguageParsingStartPosition->setValue(langStart);
        ui.seLanguageParsingCharectersCount->setValue(langCount);
        QCOMPARE(ui.lbePreviewTapeID->text(), tapeID);
        QCOMPARE(ui.lbePreviewLanguage->text(), language);
        QVERIFY(ui.lbePreviewTapeID->isReadOnly());
        QVERIFY(dialogs_.Asked.empty());
        QVERIFY(trace.Lines().empty());
    }

    void languagesStoreEmptyNames() {
        TCustomLangForm form(dialogs_);
        const TLanguagesControls ui(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableWidget* view = ui.lvLanguages;
        QCOMPARE(view->rowCount(), STL_LANGUAGE_COUNT);

        ui.btnEdit->click();
        QCOMPARE(Messages(), std::vector<std::string>{"No item selected."});
        QCOMPARE(Caption(ui.btnEdit), QString("Edit"));
        QVERIFY(!ui.btnAbort->isEnabled());
        QVERIFY(ui.btnDefaults->isEnabled());

        const int english = LanguageRow(view, "English");
        QVERIFY(english >= 0);
        QCOMPARE(Row(view, english), (QStringList{"English", "09", "en", "eng"}));
        view->selectRow(english);
        ui.btnEdit->click();
        QCOMPARE(ui.lbe2CharName->text(), QString("en"));
        QCOMPARE(ui.lbe3Charname->text(), QString("eng"));
        QVERIFY(ui.btnAbort->isEnabled());
        QVERIFY(!ui.btnDefaults->isEnabled());
        QVERIFY(!view->isEnabled());
        ui.lbe2CharName->clear();
        ui.lbe3Charname->clear();
        ui.btnEdit->click();

        QCOMPARE(STLCustomLanguages[9].Lang2CharName, std::string());
        QCOMPARE(STLCustomLanguages[9].Lang3CharName, std::string());
        QCOMPARE(Row(view, LanguageRow(view, "English")), (QStringList{"English", "09", "", ""}));
        QVERIFY(view->isEnabled());
        QVERIFY(!ui.btnAbort->isEnabled());
        // Rebuilt in the order of the names, not of the table.
        for (int row = 1; row < view->rowCount(); ++row)
            QVERIFY2(Cell(view, row - 1, 0) <= Cell(view, row, 0), qPrintable(Cell(view, row, 0)));
        QVERIFY(Cell(view, 0, 0) != QString::fromStdString(STLLanguages[0].LangLongName));

        // A restart gives the row its default names back.
        QVERIFY(SaveCustomLanguageListToRegistry(STL_CUSTOM_LANGUAGES_KEY));
        QVERIFY(SetCustomLanguageListToDefault());
        STLCustomLanguages[9].Lang2CharName = "xx";
        QVERIFY(LoadCustomLanguageListFromRegistry(STL_CUSTOM_LANGUAGES_KEY));
        QCOMPARE(STLCustomLanguages[9].Lang2CharName, std::string("en"));
        QCOMPARE(STLCustomLanguages[9].Lang3CharName, std::string("eng"));
    }

    void languagesAbortAndDefaults_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Defaults answered No") << false;
        QTest::newRow("Defaults answered Yes") << true;
    }

    void languagesAbortAndDefaults() {
        QFETCH(bool, yes);
        STLCustomLanguages[15].Lang2CharName = "fx"; // French, changed earlier
        TCustomLangForm form(dialogs_);
        const TLanguagesControls ui(&form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableWidget* view = ui.lvLanguages;
        const int french = LanguageRow(view, "French");
        view->selectRow(french);
        ui.btnEdit->click();
        ui.lbe2CharName->setText("zz");
        ui.btnAbort->click();
        QCOMPARE(Caption(ui.btnEdit), QString("Edit"));
        QVERIFY(ui.btnDefaults->isEnabled());
        QCOMPARE(STLCustomLanguages[15].Lang2CharName, std::string("fx"));
        QCOMPARE(Cell(view, french, 2), QString("fx"));

        dialogs_.YesNoAnswers.push_back(yes);
        ui.btnDefaults->click();
        QCOMPARE(dialogs_.Asked.back(),
                 std::string("YesNo: Do you want to reset all languages to their default values?"));
        const QString expected = yes ? "fr" : "fx";
        QCOMPARE(QString::fromStdString(STLCustomLanguages[15].Lang2CharName), expected);
        QCOMPARE(Cell(view, LanguageRow(view, "French"), 2), expected);
    }

    void propertiesFpsChoice_data() {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("fps");
        QTest::addColumn<int>("shownFps");
        QTest::newRow("from source, 30") << 0 << "STL30.01" << 1;
        QTest::newRow("overwrite, 25") << 1 << "STL25.01" << 0;
        QTest::newRow("overwrite, 30") << 1 << "STL30.01" << 1;
    }

    void propertiesFpsChoice() {
        QFETCH(int, source);
        QFETCH(QString, fps);
        QFETCH(int, shownFps);
        int32_t fpsSource = source;
        std::string rate = fps.toStdString();
        std::string logs = "/logs/";
        std::string messages = "/messages/";
        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            const TPropertiesControls ui(&dialog);
            [&] {
                QCOMPARE(ui.cbFPSSource->currentIndex(), source);
                QCOMPARE(ui.cbFPS->currentIndex(), shownFps);
                QCOMPARE(ui.cbFPS->isEnabled(), source == 1);
                QCOMPARE(ui.edLogsOutputFolder->text(), QString("/logs/"));
                QCOMPARE(ui.edMessagesOutputFolder->text(), QString("/messages/"));
                // The choice follows the source at once, both ways.
                ui.cbFPSSource->setCurrentIndex(1 - source);
                QCOMPARE(ui.cbFPS->isEnabled(), source == 0);
                ui.cbFPSSource->setCurrentIndex(source);
                QCOMPARE(ui.cbFPS->isEnabled(), source == 1);
            }();
            return ClickOK(dialog);
        });
        QVERIFY(ShowProperties(fpsSource, rate, logs, messages, dialogs_));
        QCOMPARE(fpsSource, source);
        QCOMPARE(QString::fromStdString(rate), fps);
        QCOMPARE(logs, std::string("/logs/"));
        QCOMPARE(messages, std::string("/messages/"));
    }

    void propertiesCancelKeepsTheValues() {
        int32_t fpsSource = 0;
        std::string fps = "STL25.01";
        std::string logs = "/logs/";
        std::string messages = "/messages/";
        for (bool ok : {false, true}) {
            dialogs_.FolderAnswers = {std::string("/new/logs"), std::string("/new/messages")};
            dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
                const TPropertiesControls ui(&dialog);
                ui.cbFPSSource->setCurrentIndex(1);
                ui.cbFPS->setCurrentIndex(1);
                ui.btnLogsOutputFolder->click();
                ui.btnMessagesOutputFolder->click();
                return ok ? ClickOK(dialog) : ClickCancel(dialog);
            });
            QCOMPARE(ShowProperties(fpsSource, fps, logs, messages, dialogs_), ok);
            QCOMPARE(fpsSource, ok ? 1 : 0);
            QCOMPARE(fps, std::string(ok ? "STL30.01" : "STL25.01"));
            QCOMPARE(logs, std::string(ok ? "/new/logs" : "/logs/"));
            QCOMPARE(messages, std::string(ok ? "/new/messages" : "/messages/"));
        }
        // Each browse started at the folder in its edit.
        QCOMPARE(std::count(dialogs_.Asked.begin(), dialogs_.Asked.end(),
                            "Folder: Logs Output Folder: /logs/"),
                 2);
        QCOMPARE(std::count(dialogs_.Asked.begin(), dialogs_.Asked.end(),
                            "Folder: Messages Output Folder: /messages/"),
                 2);
    }

    void configureButtonsEditTheirPanelsList_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("ok");
        QTest::newRow("B tape ID") << "btnBTapeIDConfigure"
                                   << "Subtitle File Types Configuration" << true;
        QTest::newRow("B hex") << "btnBHexConfigure"
                               << "Hex Find And Replace Configuration" << true;
        QTest::newRow("WF tape ID") << "btnWFTapeIDConfigure"
                                    << "Subtitle File Types Configuration" << true;
        QTest::newRow("WF hex") << "btnWFHexConfigure"
                                << "Hex Find And Replace Configuration" << true;
        QTest::newRow("WF hex cancelled") << "btnWFHexConfigure"
                                          << "Hex Find And Replace Configuration" << false;
    }

    void configureButtonsEditTheirPanelsList() {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(bool, ok);
        auto form = ShownForm();
        QVERIFY(form);
        const bool watchFolder = button.startsWith("btnWF");
        TSTLConvertSettings& edited =
            watchFolder ? *form->Session().WFSettings() : *form->Session().BatchSettings();
        TSTLConvertSettings& other =
            watchFolder ? *form->Session().BatchSettings() : *form->Session().WFSettings();
        AddHexItems(edited.HexFindAndReplaceItems, 1);
        auto* panel = form->findChild<TConversionSettingsPanel*>(watchFolder ? "pnWFSettings"
                                                                             : "pnBSettings");
        QVERIFY(panel);
        QCOMPARE(panel->Settings(), &edited);
        panel->SettingsChanged = false;

        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            if (auto* hex = qobject_cast<THexFindAndReplaceForm*>(&dialog)) {
                if (hex->List.size() != 1) // the panel's own list, copied
                    return false;
                const THexControls ui(hex);
                ui.lbeHexFind->setText("0x8a");
                ui.lbeHexReplace->setText("0x20");
                ui.btnAdd->click();
            } else if (qobject_cast<TSubtitleFileTypesForm*>(&dialog)) {
                const TFileTypesControls ui(&dialog);
                ui.lbeName->setText("Profile");
                ui.seFileNameCharsCount->setValue(16);
                ui.btnAddSubtitleFileType->click();
            }
            return ok ? ClickOK(dialog) : ClickCancel(dialog);
        });
        form->findChild<QPushButton*>(button)->click();

        QCOMPARE(dialogs_.Asked, std::vector<std::string>{"Dialog: " + title.toStdString()});
        QVERIFY(dialogs_.DialogScripts.empty());
        QVERIFY(other.HexFindAndReplaceItems.empty());
        QVERIFY(other.SubtitleFileTypes.empty());
        if (title.startsWith("Hex")) {
            QCOMPARE(edited.HexFindAndReplaceItems.size(), size_t(ok ? 2 : 1));
            QCOMPARE(ListBoxLines(panel->lbHexFindAndReplace),
                     ok ? (QStringList{"0x41 - 0x61", "0x8A - 0x20"}) : QStringList());
        } else {
            QCOMPARE(edited.SubtitleFileTypes.size(), size_t(1));
            QCOMPARE(ListBoxLines(panel->lbxTapeID), QStringList{"Profile, Chars Count = 16"});
        }
        QCOMPARE(panel->SettingsChanged, watchFolder && ok);
    }

    void propertiesMenuAppliesTheValues_data() {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    void propertiesMenuAppliesTheValues() {
        QFETCH(bool, ok);
        auto form = ShownForm();
        QVERIFY(form);
        form->Session().WatchFolderList()->Items.push_back(
            form->Session().WatchFolderList()->NewItem(*form->Session().WFSettings()));
        const TMainSettings before = form->Session().MainSettings();
        QCOMPARE(before.FPSSource, 1);
        const std::string newFolder = Path("newlogs");
        QVERIFY(QDir().mkpath(QString::fromStdString(newFolder)));
        dialogs_.FolderAnswers = {newFolder};
        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            const TPropertiesControls ui(&dialog);
            ui.cbFPS->setCurrentIndex(1);
            ui.btnLogsOutputFolder->click();
            return ok ? ClickOK(dialog) : ClickCancel(dialog);
        });
        Control<QAction>(form.get(), "Properties1")->trigger();

        QCOMPARE(dialogs_.Asked.front(), std::string("Dialog: Properties"));
        const std::string fps = ok ? "STL30.01" : "STL25.01";
        QCOMPARE(form->Session().MainSettings().FPS, fps);
        QCOMPARE(form->Session().MainSettings().LogsOutputFolder,
                 ok ? newFolder : before.LogsOutputFolder);
        QCOMPARE(form->Session().MainSettings().MessagesOutputFolder, before.MessagesOutputFolder);
        if (ok) {
            const std::vector<const TSTLConvertSettings*> all = {
                form->Session().BatchSettings(), form->Session().WFSettings(),
                &form->Session().WatchFolderList()->Items[0]->Settings};
            for (const TSTLConvertSettings* settings : all) {
                QCOMPARE(settings->FramesPerSecond, fps);
                QCOMPARE(settings->FramesPerSecondSource, 1);
            }
        }
        // The next line goes into the folder in force.
        form->Session().Logs().LogFunction("after the properties");
        const std::string expectedFolder = ok ? newFolder : before.LogsOutputFolder;
        QCOMPARE(QString::fromStdString(form->Session().Logs().CurrentLogsFileName())
                     .startsWith(QString::fromStdString(IncludeTrailingSlash(expectedFolder))),
                 true);
        form->close();
    }

    void languagesSetupMenuEditsTheCustomNames() {
        auto form = ShownForm();
        QVERIFY(form);
        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            const TLanguagesControls ui(&dialog);
            ui.lvLanguages->selectRow(LanguageRow(ui.lvLanguages, "German"));
            ui.btnEdit->click();
            ui.lbe2CharName->setText("GE");
            ui.btnEdit->click();
            ui.btnCancel->click(); // "Close"
            return dialog.result() == QDialog::Accepted;
        });
        Control<QAction>(form.get(), "LanguagesSetup1")->trigger();
        QCOMPARE(dialogs_.Asked, std::vector<std::string>{"Dialog: Custom Language Configuration"});
        int32_t index = -1;
        QVERIFY(GetCustom2CharNameIndex("ge", index));
        QCOMPARE(STLLanguages[static_cast<size_t>(index)].LangLongName, std::string("German"));

        // Stored at exit, not before.
        TRegistry registry;
        std::string stored;
        QVERIFY(!registry.OpenKey(STL_CUSTOM_LANGUAGES_KEY, false) ||
                !registry.ReadString("STL_LANG_CUSTOM_Lang2CharName_" + std::to_string(index),
                                     stored) ||
                stored != "GE");
        form->close();
        QVERIFY(registry.OpenKey(STL_CUSTOM_LANGUAGES_KEY, false));
        QVERIFY(
            registry.ReadString("STL_LANG_CUSTOM_Lang2CharName_" + std::to_string(index), stored));
        QCOMPARE(stored, std::string("GE"));
    }

    void checkSTLFilesShowsEveryFileAndSortsAndCopies() {
        auto form = ShownForm();
        QVERIFY(form);
        // Cancelled: nothing checked, no dialog.
        Control<QAction>(form.get(), "CheckSTLFiles1")->trigger();
        QCOMPARE(dialogs_.Asked.size(), size_t(1));

        const std::string bad = CAPLIN_SOURCE_DIR "/tests/data/disk-format-code-invalid.stl";
        const std::string missing = Path("missing.stl");
        dialogs_.FilesAnswers = {{bad, missing}};
        QString copied;
        QStringList blocks;
        dialogs_.DialogScripts.push_back([&](QDialog& dialog) {
            auto* table = dialog.findChild<QTableWidget*>("lvFindings");
            // Sorted by block, descending: numbers first, header and file findings last.
            table->sortItems(3, Qt::DescendingOrder);
            for (int row = 0; row < table->rowCount(); ++row)
                blocks << table->item(row, 3)->text();
            copied = static_cast<TQcDialog&>(dialog).RowsAsText();
            return false;
        });
        Control<QAction>(form.get(), "CheckSTLFiles1")->trigger();
        QCOMPARE(dialogs_.Asked.back(), std::string("Dialog: Check STL Files"));

        const QStringList lines = copied.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.front(), QString("File\tSeverity\tField\tBlock\tText"));
        QVERIFY(lines.size() >= 3);
        QVERIFY(lines.filter(QString::fromStdString(missing) + "\tError\tfile\t\t").size() == 1);
        QVERIFY(lines.filter(QString::fromStdString(bad) + "\tError\tDFC\t\t").size() == 1);
        for (int i = 1; i < blocks.size(); ++i)
            QVERIFY(blocks[i - 1].toInt() >= blocks[i].toInt());
        form->close();
    }

    void dialogsHaveTheirCaptionAndSize_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        QTest::newRow("hex") << 0 << "Hex Find And Replace Configuration" << QSize(461, 258);
        QTest::newRow("file types") << 1 << "Subtitle File Types Configuration" << QSize(776, 322);
        QTest::newRow("languages") << 2 << "Custom Language Configuration" << QSize(461, 258);
        QTest::newRow("properties") << 3 << "Properties" << QSize(496, 130);
    }

    void dialogsHaveTheirCaptionAndSize() {
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QSize, size);
        std::unique_ptr<QDialog> dialog;
        switch (kind) {
        case 0:
            dialog = std::make_unique<THexFindAndReplaceForm>(dialogs_);
            break;
        case 1:
            dialog = std::make_unique<TSubtitleFileTypesForm>(dialogs_);
            break;
        case 2:
            dialog = std::make_unique<TCustomLangForm>(dialogs_);
            break;
        default:
            dialog = std::make_unique<TPropertiesForm>(dialogs_);
        }
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->size(), size);
        QCOMPARE(AccessKeyProblem(dialog->findChildren<QPushButton*>()), QString());
        // Every control fits inside the fixed client area.
        for (const QWidget* child : dialog->findChildren<QWidget*>()) {
            if (!child->isVisible() || child->objectName().isEmpty())
                continue;
            const QRect box(child->mapTo(dialog.get(), QPoint(0, 0)), child->size());
            QVERIFY2(dialog->rect().contains(box), qPrintable(child->objectName()));
            // and no caption is cut short.
            if (const auto* label = qobject_cast<const QLabel*>(child))
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
        }
        if (kind == 3) {
            const auto items = [](const QComboBox* combo) {
                QStringList texts;
                for (int i = 0; i < combo->count(); ++i)
                    texts << combo->itemText(i);
                return texts;
            };
            const TPropertiesControls ui(dialog.get());
            QCOMPARE(items(ui.cbFPSSource),
                     QStringList({"Use FPS value from source", "Overwrite FPS value"}));
            QCOMPARE(items(ui.cbFPS), QStringList({"25", "30"}));
        }
    }
};

int RunDialogsTest(int argc, char** argv) {
    TDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogsTest.moc"
