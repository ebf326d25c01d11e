#include "ui/ListEditorDialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

TListEditorDialog::TListEditorDialog(IUserDialogs& dialogs, const TListEditorSetup& setup,
                                     QWidget* parent)
    : TConfigDialog(setup.name, setup.title, setup.size, parent), dialogs_(dialogs),
      traceName_(setup.traceName) {
    if (setup.font)
        setFont(*setup.font);
    listView_ = NewItemListView(setup.listName, setup.listAccessibleName, setup.columns,
                                setup.columnWidths, this);
}

QPushButton* TListEditorDialog::NewEditButton() {
    editButton_ = NewButton("&Edit", "btnEdit", this);
    connect(editButton_, &QPushButton::clicked, this, [this] { btnEditClick(); });
    return editButton_;
}

QPushButton* TListEditorDialog::NewDeleteButton(const char* name) {
    deleteButton_ = NewButton("&Delete", name, this);
    return deleteButton_;
}

QPushButton* TListEditorDialog::NewBrowsingButton(const char* caption, const char* name) {
    browsingButtons_.push_back(NewButton(caption, name, this));
    return browsingButtons_.back();
}

QPushButton* TListEditorDialog::NewEditingButton(const char* caption, const char* name) {
    editingButtons_.push_back(NewButton(caption, name, this));
    editingButtons_.back()->setEnabled(false);
    return editingButtons_.back();
}

QFrame* TListEditorDialog::NewEditPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName("pnEdit");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    return panel;
}

QVBoxLayout* TListEditorDialog::NewListLayout(int margin) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->addWidget(listView_, 1);
    return layout;
}

void TListEditorDialog::AddButtonRow(QVBoxLayout* layout, std::initializer_list<QPushButton*> left,
                                     std::initializer_list<QPushButton*> right) {
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : left)
        buttons->addWidget(button);
    buttons->addStretch();
    for (QPushButton* button : right)
        buttons->addWidget(button);
    layout->addLayout(buttons);
}

void TListEditorDialog::SetEditing(bool editing) {
    mode_ = editing ? TEditMode::Editing : TEditMode::Browsing;
    // In this order: a control disabled while it has the focus hands it on to the next one
    // enabled at that moment, so the focus leaving "Abort" passes over "Defaults" to "Close".
    listView_->setEnabled(!editing);
    for (QPushButton* button : editingButtons_)
        button->setEnabled(editing);
    if (deleteButton_)
        deleteButton_->setText(editing ? "Ca&ncel" : "&Delete");
    for (QPushButton* button : browsingButtons_)
        button->setEnabled(!editing);
    editButton_->setText(editing ? "A&pply" : "&Edit");
}

int TListEditorDialog::SelectedItem() {
    const int row = SelectedRow(listView_);
    if (row < 0 || row >= ItemCount()) {
        dialogs_.ShowMessage(kNoItemSelected);
        return -1;
    }
    return row;
}

void TListEditorDialog::ShowRows(const std::vector<TListRow>& rows) {
    listView_->setRowCount(0);
    for (const TListRow& row : rows)
        AppendRow(row);
}

void TListEditorDialog::AppendRow(const TListRow& row) {
    AddListViewRow(listView_, QTexts(row));
}

void TListEditorDialog::btnEditClick() {
    GuardedVoid((traceName_ + ".btnEditClick").c_str(), [&] {
        if (!Editing()) {
            const int row = SelectedItem();
            if (row < 0)
                return;
            LoadItem(row);
            editRow_ = row;
            SetEditing(true);
            return;
        }
        if (!StoreItem(editRow_))
            return;
        SetEditing(false);
        RefreshListView();
    });
}

void TListEditorDialog::DeleteOrCancel(const std::function<TListChange(int row)>& remove) {
    if (Editing()) {
        SetEditing(false);
        return;
    }
    const TListChange change = remove(SelectedRow(listView_));
    if (!change.IsMade()) {
        if (!change.Refusal().empty())
            dialogs_.ShowMessage(change.Refusal());
        return;
    }
    RefreshListView();
}
