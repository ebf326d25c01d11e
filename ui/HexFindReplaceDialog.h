// The dialog that edits one list of hex find-and-replace items. It works on its own copy;
// the caller's list changes only when the operator confirms with OK.
#pragma once

#include "convert/HexFindReplace.h"
#include "ui/ListEditorDialog.h"

class QLineEdit;
class IUserDialogs;
struct THexEntryCheck;

class THexFindAndReplaceForm : public TListEditorDialog {
    Q_OBJECT

public:
    THexFindAndReplaceForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

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
    // True for entries accepted; else the refusal is shown and focuses the entry it is about.
    bool Accepted(const THexEntryCheck& check);

    QLineEdit* lbeHexFind = nullptr;
    QLineEdit* lbeHexReplace = nullptr;
};

// Opens the dialog on a copy of list; on OK the edited copy replaces list's content and the
// result is true. Cancel or closing the window leaves list as it was.
bool ConfigureHexFindReplace(THexFindAndReplaceList* list, IUserDialogs& dialogs,
                             QWidget* parent = nullptr);
