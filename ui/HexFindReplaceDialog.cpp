#include "ui/HexFindReplaceDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "convert/HexEntry.h"
#include "platform/Trace.h"
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

bool CheckHexEdit(const QLineEdit* edit, int32_t& value) {
    return Guarded("CheckHexEdit", false, [&] { return ParseHexEntry(S(edit->text()), value); });
}

THexFindAndReplaceForm::THexFindAndReplaceForm(IUserDialogs& dialogs, QWidget* parent)
    : TListEditorDialog(dialogs,
                        {"HexFindAndReplaceForm",
                         "THexFindAndReplaceForm",
                         "Hex Find And Replace Configuration",
                         {461, 258},
                         std::nullopt,
                         "lvHexFindAndReplaceItems",
                         "Hex find and replace values",
                         {"#", "Find Hex", "Replace Hex"},
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

bool THexFindAndReplaceForm::CheckHexEdits(int32_t& findValue, int32_t& replaceValue,
                                           int32_t& numBytes) {
    return Guarded("THexFindAndReplaceForm.CheckHexEdits", false, [&] {
        THexFindAndReplaceValue item;
        const THexEntryCheck check =
            CheckHexEntries(S(lbeHexFind->text()), S(lbeHexReplace->text()), item);
        if (!check.Accepted) {
            if (!check.Message.empty())
                Dialogs().ShowMessage(check.Message);
            (check.Field == THexEntryField::Replace ? lbeHexReplace : lbeHexFind)->setFocus();
            return false;
        }
        findValue = item.FindHex;
        replaceValue = item.ReplaceHex;
        numBytes = item.NumBytes;
        return true;
    });
}

bool THexFindAndReplaceForm::AddListViewItem(int index, const THexFindAndReplaceValue& item) {
    return Guarded("THexFindAndReplaceForm.AddListViewItem", false, [&] {
        AddListViewRow(ListView(), {QString::number(index + 1),
                                    Q(HexValueToDisplay(item.FindHex, item.NumBytes)),
                                    Q(HexValueToDisplay(item.ReplaceHex, item.NumBytes))});
        return true;
    });
}

void THexFindAndReplaceForm::RefreshListView() {
    GuardedVoid("THexFindAndReplaceForm.RefreshListView", [&] {
        ListView()->setRowCount(0);
        for (size_t i = 0; i < List.size(); ++i)
            AddListViewItem(static_cast<int>(i), *List[i]);
    });
}

void THexFindAndReplaceForm::btnAddClick() {
    GuardedVoid("THexFindAndReplaceForm.btnAddClick", [&] {
        // The limit comes first: a full list refuses even entries that would not pass.
        if (List.size() >= static_cast<size_t>(kMaxHexFindAndReplaceValues)) {
            Dialogs().ShowMessage(kMaxHexItemsMessage);
            return;
        }
        int32_t findValue = 0, replaceValue = 0, numBytes = 0;
        if (!CheckHexEdits(findValue, replaceValue, numBytes))
            return;
        auto item = std::make_unique<THexFindAndReplaceValue>();
        item->NumBytes = numBytes;
        item->FindHex = findValue;
        item->ReplaceHex = replaceValue;
        List.push_back(std::move(item));
        AddListViewItem(static_cast<int>(List.size()) - 1, *List.back());
    });
}

void THexFindAndReplaceForm::LoadItem(int row) {
    const THexFindAndReplaceValue& item = *List[static_cast<size_t>(row)];
    lbeHexFind->setText(Q(HexValueToDisplay(item.FindHex, item.NumBytes)));
    lbeHexReplace->setText(Q(HexValueToDisplay(item.ReplaceHex, item.NumBytes)));
}

bool THexFindAndReplaceForm::StoreItem(int row) {
    int32_t findValue = 0, replaceValue = 0, numBytes = 0;
    if (!CheckHexEdits(findValue, replaceValue, numBytes))
        return false;
    // The item keeps its place; the limit does not apply, nothing is added.
    if (row >= 0 && row < static_cast<int>(List.size())) {
        THexFindAndReplaceValue& item = *List[static_cast<size_t>(row)];
        item.NumBytes = numBytes;
        item.FindHex = findValue;
        item.ReplaceHex = replaceValue;
    }
    return true;
}

void THexFindAndReplaceForm::btnDeleteClick() {
    GuardedVoid("THexFindAndReplaceForm.btnDeleteClick",
                [&] { DeleteOrCancel([&](int row) { List.erase(List.begin() + row); }); });
}

bool ConfigureHexFindReplace(THexFindAndReplaceList* list, IUserDialogs& dialogs, QWidget* parent) {
    if (!list) {
        TraceError("ConfigureHexFindReplace", "invalid arguments");
        return false;
    }
    return Guarded("ConfigureHexFindReplace", false, [&] {
        THexFindAndReplaceForm form(dialogs, parent);
        AssignHexFindAndReplaceList(list, &form.List);
        if (!dialogs.RunDialog(form))
            return false;
        AssignHexFindAndReplaceList(&form.List, list);
        return true;
    });
}
