// The dialog that edits one list of hex find-and-replace items. It works on its own copy;
// the caller's list changes only when the operator confirms with OK.
#pragma once

#include <cstdint>

#include "convert/HexFindReplace.h"
#include "ui/ListEditorDialog.h"

class QLineEdit;
class IUserDialogs;

// The entry format of a value: "0x" (lower-case x) and exactly 2 or 4 hexadecimal digits.
bool CheckHexEdit(const QLineEdit* edit, int32_t& value);

class THexFindAndReplaceForm : public TListEditorDialog {
    Q_OBJECT

public:
    THexFindAndReplaceForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    // Both entries, checked in order; the first failure is shown and focuses its edit.
    bool CheckHexEdits(int32_t& findValue, int32_t& replaceValue, int32_t& numBytes);
    bool AddListViewItem(int index, const THexFindAndReplaceValue& item);
    void RefreshListView() override;

    void btnAddClick();
    void btnDeleteClick();
    void FormShow() override;

    // The dialog's own copy of the list.
    THexFindAndReplaceList List;

protected:
    int ItemCount() const override;
    void LoadItem(int row) override;
    bool StoreItem(int row) override;

private:
    QLineEdit* lbeHexFind = nullptr;
    QLineEdit* lbeHexReplace = nullptr;
};

// Opens the dialog on a copy of list; on OK the edited copy replaces list's content and the
// result is true. Cancel or closing the window leaves list as it was.
bool ConfigureHexFindReplace(THexFindAndReplaceList* list, IUserDialogs& dialogs,
                             QWidget* parent = nullptr);
