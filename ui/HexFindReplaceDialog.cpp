#include "ui/HexFindReplaceDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "session/ItemLists.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

namespace {

QLineEdit* NewHexEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit("0x0000", parent);
    edit->setObjectName(name);
    edit->setMaxLength(6);
    return edit;
}

} // namespace

THexFindAndReplaceForm::THexFindAndReplaceForm(IUserDialogs& dialogs, QWidget* parent)
    : TListEditorDialog(dialogs,
                        {"HexFindAndReplaceForm",
                         "THexFindAndReplaceForm",
                         "Hex Find And Replace Configuration",
                         {461, 258},
                         std::nullopt,
                         "lvHexFindAndReplaceItems",
                         "Hex find and replace values",
                         QTexts(HexItemCaptions()),
                         {30, 100, 100}},
                        parent) {
    lbeHexFind = NewHexEdit("lbeHexFind", this);
    lbeHexReplace = NewHexEdit("lbeHexReplace", this);
    QPushButton* btnAdd = NewBrowsingButton("&Add", "btnAdd");
    QPushButton* btnEdit = NewEditButton();
    QPushButton* btnDelete = NewDeleteButton("btnDelete");
    QPushButton* btnOK = NewOKButton([this] { accept(); });
    QPushButton* btnCancel = NewCancelButton("&Cancel");

    // The list over the two entries, each captioned at its left, and one row of buttons.
    auto* entries = new QGridLayout;
    auto caption = [&](const char* text, QLineEdit* edit, int row) {
        auto* label = new QLabel(text, this);
        label->setObjectName(edit->objectName() + "Label");
        label->setBuddy(edit);
        entries->addWidget(label, row, 0);
        entries->addWidget(edit, row, 1);
    };
    caption("Hex Find Value (0xXX or 0xXXXX format)", lbeHexFind, 0);
    caption("Hex Replace Value (0xXX or 0xXXXX format)", lbeHexReplace, 1);
    entries->setColumnStretch(2, 1);
    QVBoxLayout* layout = NewListLayout(8);
    layout->addLayout(entries);
    AddButtonRow(layout, {btnAdd, btnEdit, btnDelete}, {btnOK, btnCancel});

    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
}

void THexFindAndReplaceForm::FormShow() {
    GuardedVoid("THexFindAndReplaceForm.FormShow", [&] { RefreshListView(); });
}

int THexFindAndReplaceForm::ItemCount() const {
    return static_cast<int>(List.size());
}

bool THexFindAndReplaceForm::Accepted(const THexEntryCheck& check) {
    if (check.Accepted)
        return true;
    if (!check.Message.empty())
        Dialogs().ShowMessage(check.Message);
    if (check.Field != THexEntryField::None)
        (check.Field == THexEntryField::Replace ? lbeHexReplace : lbeHexFind)->setFocus();
    return false;
}

void THexFindAndReplaceForm::RefreshListView() {
    GuardedVoid("THexFindAndReplaceForm.RefreshListView",
                [&] { ShowRows(HexItemTable(List).Rows); });
}

void THexFindAndReplaceForm::btnAddClick() {
    GuardedVoid("THexFindAndReplaceForm.btnAddClick", [&] {
        if (Accepted(AddHexItem(List, S(lbeHexFind->text()), S(lbeHexReplace->text()))))
            AppendRow(HexItemRow(*List.back(), List.size() - 1));
    });
}

void THexFindAndReplaceForm::LoadItem(int row) {
    const THexFindAndReplaceValue& item = *List[static_cast<size_t>(row)];
    lbeHexFind->setText(Q(HexValueToDisplay(item.FindHex, item.NumBytes)));
    lbeHexReplace->setText(Q(HexValueToDisplay(item.ReplaceHex, item.NumBytes)));
}

bool THexFindAndReplaceForm::StoreItem(int row) {
    return Accepted(UpdateHexItem(List, row, S(lbeHexFind->text()), S(lbeHexReplace->text())));
}

void THexFindAndReplaceForm::btnDeleteClick() {
    GuardedVoid("THexFindAndReplaceForm.btnDeleteClick",
                [&] { DeleteOrCancel([&](int row) { return RemoveListItem(List, row); }); });
}

bool ConfigureHexFindReplace(THexFindAndReplaceList* list, IUserDialogs& dialogs, QWidget* parent) {
    return EditListCopy<THexFindAndReplaceForm>("ConfigureHexFindReplace", list, dialogs, parent,
                                                AssignHexFindAndReplaceList);
}
