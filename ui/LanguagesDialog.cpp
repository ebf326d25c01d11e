#include "ui/LanguagesDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "lang/STLCustomLangUtils.h"
#include "platform/Trace.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

namespace {

enum TLanguageColumn : int { colLanguage = 0, colCode = 1, col2CharName = 2, col3CharName = 3 };

QLineEdit* NewNameEdit(const char* name, int maxLength, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

} // namespace

TCustomLangForm::TCustomLangForm(IUserDialogs& dialogs, QWidget* parent)
    : TListEditorDialog(dialogs,
                        {"CustomLangForm",
                         "TCustomLangForm",
                         "Custom Language Configuration",
                         {461, 258},
                         QFont("Tahoma", 8),
                         "lvLanguages",
                         "Languages",
                         {"Language", "Code", "2-char Name", "3-char Name"},
                         {140, 80, 80, 80}},
                        parent) {
    QFrame* panel = NewEditPanel();
    lbe2CharName = NewNameEdit("lbe2CharName", 2, panel);
    lbe3Charname = NewNameEdit("lbe3Charname", 3, panel);
    auto* edits = new QHBoxLayout(panel);
    edits->setContentsMargins(8, 4, 8, 4);
    edits->addWidget(WithCaptionAbove(lbe2CharName, "2-char Language Name", panel));
    edits->addWidget(WithCaptionAbove(lbe3Charname, "3-char Language Name", panel));
    edits->addStretch();

    QPushButton* btnEdit = NewEditButton();
    QPushButton* btnAbort = NewEditingButton("&Abort", "btnAbort");
    QPushButton* btnDefaults = NewBrowsingButton("&Defaults", "btnDefaults");
    QPushButton* btnCancel = NewCancelButton("&Close");

    QVBoxLayout* layout = NewListLayout(6);
    layout->setSpacing(4);
    layout->addWidget(panel);
    AddButtonRow(layout, {btnEdit, btnAbort}, {btnDefaults, btnCancel});

    connect(btnAbort, &QPushButton::clicked, this, [this] { btnAbortClick(); });
    connect(btnDefaults, &QPushButton::clicked, this, [this] { btnDefaultsClick(); });
}

void TCustomLangForm::FormShow() {
    GuardedVoid("TCustomLangForm.FormShow", [&] { RefreshListView(); });
}

int TCustomLangForm::ItemCount() const {
    return ListView()->rowCount();
}

void TCustomLangForm::RefreshListView() {
    GuardedVoid("TCustomLangForm.RefreshListView", [&] {
        QTableWidget* view = ListView();
        view->setRowCount(0);
        for (const TSTLLang& lang : STLCustomLanguages)
            AddListViewRow(view, {Q(lang.LangLongName), Q(lang.LangCode), Q(lang.Lang2CharName),
                                  Q(lang.Lang3CharName)});
        // Shown in alphabetical order of the names, not in table order.
        view->sortItems(colLanguage, Qt::AscendingOrder);
    });
}

void TCustomLangForm::LoadItem(int row) {
    lbe2CharName->setText(ListView()->item(row, col2CharName)->text());
    lbe3Charname->setText(ListView()->item(row, col3CharName)->text());
}

bool TCustomLangForm::StoreItem(int row) {
    // The list cannot change its selection while editing, so row is still the selected one.
    QTableWidget* view = ListView();
    view->item(row, col2CharName)->setText(lbe2CharName->text());
    view->item(row, col3CharName)->setText(lbe3Charname->text());
    const std::string code = S(view->item(row, colCode)->text());
    for (TSTLLang& lang : STLCustomLanguages)
        if (lang.LangCode == code) {
            // Kept as typed: an empty name is accepted here.
            lang.Lang2CharName = S(lbe2CharName->text());
            lang.Lang3CharName = S(lbe3Charname->text());
            break;
        }
    return true;
}

void TCustomLangForm::btnAbortClick() {
    GuardedVoid("TCustomLangForm.btnAbortClick", [&] { SetEditing(false); });
}

void TCustomLangForm::btnDefaultsClick() {
    GuardedVoid("TCustomLangForm.btnDefaultsClick", [&] {
        if (!Dialogs().AskYesNo("Do you want to reset all languages to their default values?"))
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
