// The frame shared by the dialogs that edit a list of records: a report list on top, the
// edit controls below it, and a row of buttons. "Edit" loads the selected record into the
// controls and switches to editing; there the button reads "Apply" and stores them back.
// While editing, the list and the buttons that change it are unavailable.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include <QFont>
#include <QSize>
#include <QStringList>

#include "platform/Trace.h"
#include "session/ListChange.h"
#include "session/ListViews.h"
#include "ui/DialogControls.h"
#include "ui/UserDialogs.h"

class QFrame;
class QPushButton;
class QTableWidget;
class QVBoxLayout;
class IUserDialogs;

// What sets one list editor apart from another before its own controls are made.
struct TListEditorSetup {
    const char* name;      // the dialog's object name
    const char* traceName; // the class name its failure traces carry
    const char* title;
    QSize size;
    std::optional<QFont> font; // set before any control, so the list is measured in it
    const char* listName;
    QString listAccessibleName;
    QStringList columns;
    std::vector<int> columnWidths;
};

class TListEditorDialog : public TConfigDialog {
    Q_OBJECT

public:
    bool Editing() const { return mode_ == TEditMode::Editing; }
    virtual void RefreshListView() = 0;

    // Browsing: the selected record into the controls, then editing. Editing: the controls
    // into that record, then browsing; a record the dialog refuses keeps it editing.
    void btnEditClick();

protected:
    TListEditorDialog(IUserDialogs& dialogs, const TListEditorSetup& setup, QWidget* parent);

    IUserDialogs& Dialogs() const { return dialogs_; }
    QTableWidget* ListView() const { return listView_; }
    // The record being edited, or -1.
    int EditRow() const { return editRow_; }

    // The buttons, made in the order of the Tab key. "Edit" / "Apply":
    QPushButton* NewEditButton();
    // "Delete", which reads "Cancel" while editing:
    QPushButton* NewDeleteButton(const char* name);
    // Buttons usable only while browsing, or only while editing:
    QPushButton* NewBrowsingButton(const char* caption, const char* name);
    QPushButton* NewEditingButton(const char* caption, const char* name);
    // A lowered panel for the edit controls, named pnEdit.
    QFrame* NewEditPanel();
    // The list over whatever the caller adds next; then the buttons, left and right.
    QVBoxLayout* NewListLayout(int margin);
    static void AddButtonRow(QVBoxLayout* layout, std::initializer_list<QPushButton*> left,
                             std::initializer_list<QPushButton*> right);

    void SetEditing(bool editing);
    // The selected record's row; with none, says "No item selected." and gives -1.
    int SelectedItem();
    // "Delete" / "Cancel": leaves editing unchanged, or removes the selected record (its
    // refusal said).
    void DeleteOrCancel(const std::function<TListChange(int row)>& remove);
    // The list view shows rows; or gains row at its end.
    void ShowRows(const std::vector<TListRow>& rows);
    void AppendRow(const TListRow& row);

    virtual int ItemCount() const = 0;
    virtual void LoadItem(int row) = 0;
    // False keeps the dialog editing.
    virtual bool StoreItem(int row) = 0;

private:
    enum class TEditMode { Browsing, Editing };

    IUserDialogs& dialogs_;
    std::string traceName_;
    QTableWidget* listView_ = nullptr;
    QPushButton* editButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    std::vector<QPushButton*> browsingButtons_;
    std::vector<QPushButton*> editingButtons_;
    TEditMode mode_ = TEditMode::Browsing;
    int editRow_ = -1;
};

// Opens a dialog of type Form on a copy of list; on OK the edited copy replaces list's content
// (assign copies a list) and the result is true. Cancel or closing the window leaves list as
// it was.
template <class Form, class List>
bool EditListCopy(const char* routine, List* list, IUserDialogs& dialogs, QWidget* parent,
                  bool (*assign)(const List*, List*)) {
    if (!list) {
        TraceError(routine, "invalid arguments");
        return false;
    }
    return Guarded(routine, false, [&] {
        Form form(dialogs, parent);
        assign(list, &form.List);
        if (!dialogs.RunDialog(form))
            return false;
        assign(&form.List, list);
        return true;
    });
}
