#include "ui/HexFindReplaceDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "ui/DialogControls.h"
#include "ui/UserDialogs.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

bool CheckHexEdit(const QLineEdit* edit, int32_t& value) {
    return Guarded("CheckHexEdit", false, [&] {
        const std::string text = S(edit->text());
        if ((text.size() != 4 && text.size() != 6) || text[0] != '0' || text[1] != 'x')
            return false;
        int32_t number = 0;
        for (size_t i = 2; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                return false;
            number = number * 16 + digit;
        }
        value = number;
        return true;
    });
}

THexFindAndReplaceForm::THexFindAndReplaceForm(IUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName("HexFindAndReplaceForm");
    setWindowTitle("Hex Find And Replace Configuration");
    setFixedSize(461, 258);

    lvHexFindAndReplaceItems =
        NewItemListView("lvHexFindAndReplaceItems", "Hex find and replace values",
                        {"#", "Find Hex", "Replace Hex"}, {30, 100, 100}, this);

    lbeHexFind = new QLineEdit("0x0000", this);
    lbeHexFind->setObjectName("lbeHexFind");
    lbeHexFind->setMaxLength(6);
    lbeHexReplace = new QLineEdit("0x0000", this);
    lbeHexReplace->setObjectName("lbeHexReplace");
    lbeHexReplace->setMaxLength(6);

    btnAdd = NewButton("Add", "btnAdd", this);
    btnEdit = NewButton("Edit", "btnEdit", this);
    btnDelete = NewButton("Delete", "btnDelete", this);
    btnOK = NewButton("OK", "btnOK", this);
    btnCancel = NewButton("Cancel", "btnCancel", this);

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
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnEdit);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lvHexFindAndReplaceItems, 1);
    layout->addLayout(entries);
    layout->addLayout(buttons);

    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void THexFindAndReplaceForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void THexFindAndReplaceForm::FormShow() {
    GuardedVoid("THexFindAndReplaceForm.FormShow", [&] { RefreshListView(); });
}

bool THexFindAndReplaceForm::Editing() const {
    return btnEdit->text() == "Apply";
}

bool THexFindAndReplaceForm::CheckHexEdits(int32_t& findValue, int32_t& replaceValue,
                                           int32_t& numBytes) {
    return Guarded("THexFindAndReplaceForm.CheckHexEdits", false, [&] {
        auto refuse = [&](const char* message, QLineEdit* focus) {
            dialogs_.ShowMessage(message);
            focus->setFocus();
            return false;
        };
        if (!CheckHexEdit(lbeHexFind, findValue))
            return refuse("Invalid hex value. Find hex string must be in 0xXX or 0xXXXX format.",
                          lbeHexFind);
        if (!CheckHexEdit(lbeHexReplace, replaceValue))
            return refuse("Invalid hex value. Replace hex string must be in 0xXX or 0xXXXX format.",
                          lbeHexReplace);
        const qsizetype length = lbeHexFind->text().size();
        if (length != lbeHexReplace->text().size())
            return refuse("Both Find and Replace values must have equal number of bytes.",
                          lbeHexReplace);
        numBytes = length == 4 ? 1 : 2;
        if (findValue == replaceValue)
            return refuse("Find and Replace have the same value.", lbeHexFind);
        return true;
    });
}

bool THexFindAndReplaceForm::AddListViewItem(int index, const THexFindAndReplaceValue& item) {
    return Guarded("THexFindAndReplaceForm.AddListViewItem", false, [&] {
        AddListViewRow(lvHexFindAndReplaceItems,
                       {QString::number(index + 1),
                        Q(HexValueToDisplay(item.FindHex, item.NumBytes)),
                        Q(HexValueToDisplay(item.ReplaceHex, item.NumBytes))});
        return true;
    });
}

void THexFindAndReplaceForm::RefreshListView() {
    GuardedVoid("THexFindAndReplaceForm.RefreshListView", [&] {
        lvHexFindAndReplaceItems->setRowCount(0);
        for (size_t i = 0; i < List.size(); ++i)
            AddListViewItem(static_cast<int>(i), *List[i]);
    });
}

void THexFindAndReplaceForm::SetEditing(bool editing) {
    lvHexFindAndReplaceItems->setEnabled(!editing);
    btnDelete->setText(editing ? "Cancel" : "Delete");
    btnAdd->setEnabled(!editing);
    btnEdit->setText(editing ? "Apply" : "Edit");
}

void THexFindAndReplaceForm::btnAddClick() {
    GuardedVoid("THexFindAndReplaceForm.btnAddClick", [&] {
        // The limit comes first: a full list refuses even entries that would not pass.
        if (List.size() >= static_cast<size_t>(kMaxHexFindAndReplaceValues)) {
            dialogs_.ShowMessage("The max count of Hex Find And Replace values reached.");
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

void THexFindAndReplaceForm::btnEditClick() {
    GuardedVoid("THexFindAndReplaceForm.btnEditClick", [&] {
        if (!Editing()) {
            const int row = SelectedRow(lvHexFindAndReplaceItems);
            if (row < 0 || row >= static_cast<int>(List.size())) {
                dialogs_.ShowMessage("No item selected.");
                return;
            }
            const THexFindAndReplaceValue& item = *List[static_cast<size_t>(row)];
            lbeHexFind->setText(Q(HexValueToDisplay(item.FindHex, item.NumBytes)));
            lbeHexReplace->setText(Q(HexValueToDisplay(item.ReplaceHex, item.NumBytes)));
            editIndex_ = row;
            SetEditing(true);
            return;
        }
        int32_t findValue = 0, replaceValue = 0, numBytes = 0;
        if (!CheckHexEdits(findValue, replaceValue, numBytes))
            return;
        if (editIndex_ >= 0 && editIndex_ < static_cast<int>(List.size())) {
            THexFindAndReplaceValue& item = *List[static_cast<size_t>(editIndex_)];
            item.NumBytes = numBytes;
            item.FindHex = findValue;
            item.ReplaceHex = replaceValue;
        }
        SetEditing(false);
        RefreshListView();
    });
}

void THexFindAndReplaceForm::btnDeleteClick() {
    GuardedVoid("THexFindAndReplaceForm.btnDeleteClick", [&] {
        if (Editing()) {
            SetEditing(false);
            return;
        }
        const int row = SelectedRow(lvHexFindAndReplaceItems);
        if (row < 0 || row >= static_cast<int>(List.size())) {
            dialogs_.ShowMessage("No item selected.");
            return;
        }
        List.erase(List.begin() + row);
        RefreshListView();
    });
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
