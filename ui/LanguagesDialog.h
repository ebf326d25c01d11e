// The dialog in which the operator changes the two- and three-letter names that file names
// use for each language. It edits the custom language list in place: an applied change
// holds at once, and is stored when the program exits.
#pragma once

#include "ui/ListEditorDialog.h"

class QLineEdit;
class IUserDialogs;

class TCustomLangForm : public TListEditorDialog {
    Q_OBJECT

public:
    TCustomLangForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    void RefreshListView() override;

    void FormShow() override;
    void btnAbortClick();
    void btnDefaultsClick();

protected:
    int ItemCount() const override;
    void LoadItem(int row) override;
    bool StoreItem(int row) override;

private:
    QLineEdit* lbe2CharName = nullptr;
    QLineEdit* lbe3Charname = nullptr;
};

// Shows the dialog; the edits are in the custom language list when it returns. True unless
// something failed.
bool ConfigureCustomLanguages(IUserDialogs& dialogs, QWidget* parent = nullptr);
