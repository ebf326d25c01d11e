#include "ui/LanguagesDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "lang/STLCustomLangUtils.h"
#include "platform/Trace.h"
#include "ui/DialogControls.h"
#include "ui/UserDialogs.h"

namespace {

enum TLanguageColumn : int { colLanguage = 0, colCode = 1, col2CharName = 2, col3CharName = 3 };

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TCustomLangForm::TCustomLangForm(IUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName("CustomLangForm");
    setWindowTitle("Custom Language Configuration");
    setFont(QFont("Tahoma", 8));
    setFixedSize(461, 258);

    lvLanguages = NewItemListView("lvLanguages", "Languages",
                                  {"Language", "Code", "2-char Name", "3-char Name"},
                                  {140, 80, 80, 80}, this);

    auto* panel = new QFrame(this);
    panel->setObjectName("pnEdit");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    lbe2CharName = new QLineEdit(panel);
    lbe2CharName->setObjectName("lbe2CharName");
    lbe2CharName->setMaxLength(2);
    lbe3Charname = new QLineEdit(panel);
    lbe3Charname->setObjectName("lbe3Charname");
    lbe3Charname->setMaxLength(3);
    auto* edits = new QHBoxLayout(panel);
    edits->setContentsMargins(8, 4, 8, 4);
    edits->addWidget(WithCaptionAbove(lbe2CharName, "2-char Language Name", panel));
    edits->addWidget(WithCaptionAbove(lbe3Charname, "3-char Language Name", panel));
    edits->addStretch();

    btnEdit = NewButton("Edit", "btnEdit", this);
    btnAbort = NewButton("Abort", "btnAbort", this);
    btnAbort->setEnabled(false);
    btnDefaults = NewButton("Defaults", "btnDefaults", this);
    btnCancel = NewButton("Close", "btnCancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnEdit);
    buttons->addWidget(btnAbort);
    buttons->addStretch();
    buttons->addWidget(btnDefaults);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(lvLanguages, 1);
    layout->addWidget(panel);
    layout->addLayout(buttons);

    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });
    connect(btnDefaults, &QPushButton::clicked, this, [this] { btnDefaultsClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TCustomLangForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TCustomLangForm::FormShow() {
    GuardedVoid("TCustomLangForm.FormShow", [&] { RefreshListView(); });
}

bool TCustomLangForm::Editing() const {
    return btnEdit->text() == "Apply";
}

void TCustomLangForm::RefreshListView() {
    GuardedVoid("TCustomLangForm.RefreshListView", [&] {
        lvLanguages->setRowCount(0);
        for (const TSTLLang& lang : STLCustomLanguages)
            AddListViewRow(lvLanguages, {Q(lang.LangLongName), Q(lang.LangCode),
                                         Q(lang.Lang2CharName), Q(lang.Lang3CharName)});
        // Shown in alphabetical order of the names, not in table order.
        lvLanguages->sortItems(colLanguage, Qt::AscendingOrder);
    });
}

void TCustomLangForm::SetEditing(bool editing) {
    lvLanguages->setEnabled(!editing);
    btnAbort->setEnabled(editing);
    btnDefaults->setEnabled(!editing);
    btnEdit->setText(editing ? "Apply" : "Edit");
}

void TCustomLangForm::btnEditClick() {
    GuardedVoid("TCustomLangForm.btnEditClick", [&] {
        const int row = SelectedRow(lvLanguages);
        if (!Editing()) {
            if (row < 0) {
                dialogs_.ShowMessage("No item selected.");
                return;
            }
            lbe2CharName->setText(lvLanguages->item(row, col2CharName)->text());
            lbe3Charname->setText(lvLanguages->item(row, col3CharName)->text());
            SetEditing(true);
            return;
        }
        // The list cannot change its selection while editing, so row is the edited one.
        if (row >= 0) {
            lvLanguages->item(row, col2CharName)->setText(lbe2CharName->text());
            lvLanguages->item(row, col3CharName)->setText(lbe3Charname->text());
            const std::string code = S(lvLanguages->item(row, colCode)->text());
            for (TSTLLang& lang : STLCustomLanguages)
                if (lang.LangCode == code) {
                    // Kept as typed: an empty name is accepted here.
                    lang.Lang2CharName = S(lbe2CharName->text());
                    lang.Lang3CharName = S(lbe3Charname->text());
                    break;
                }
        }
        SetEditing(false);
        RefreshListView();
    });
}

void TCustomLangForm::btnAbortClick() {
    GuardedVoid("TCustomLangForm.btnAbortClick", [&] { SetEditing(false); });
}

void TCustomLangForm::btnDefaultsClick() {
    GuardedVoid("TCustomLangForm.btnDefaultsClick", [&] {
        if (!dialogs_.AskYesNo("Do you want to reset all languages to their default values?"))
            return;
        SetCustomLanguageListToDefault();
        RefreshListView();
    });
}

bool ConfigureCustomLanguages(IUserDialogs& dialogs, QWidget* parent) {
    return Guarded("ConfigureCustomLanguages", false, [&] {
        TCustomLangForm form(dialogs, parent);
        dialogs.RunDialog(form);
        return true;
    });
}
