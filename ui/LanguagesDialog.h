// The dialog in which the operator changes the two- and three-letter names that file names
// use for each language. It edits the custom language list in place: an applied change
// holds at once, and is stored when the program exits.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QTableWidget;
class IUserDialogs;

class TCustomLangForm : public QDialog {
    Q_OBJECT

public:
    TCustomLangForm(IUserDialogs& dialogs, QWidget* parent = nullptr);

    void RefreshListView();
    bool Editing() const;

    void FormShow();
    void btnEditClick();
    void btnAbortClick();
    void btnDefaultsClick();

    QTableWidget* lvLanguages = nullptr;
    QLineEdit* lbe2CharName = nullptr;
    QLineEdit* lbe3Charname = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnAbort = nullptr;
    QPushButton* btnDefaults = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetEditing(bool editing);

    IUserDialogs& dialogs_;
};

// Shows the dialog; the edits are in the custom language list when it returns. True unless
// something failed.
bool ConfigureCustomLanguages(IUserDialogs& dialogs, QWidget* parent = nullptr);
