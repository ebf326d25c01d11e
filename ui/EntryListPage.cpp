#include "ui/EntryListPage.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "session/CaplinSession.h"
#include "session/EntryLists.h"
#include "ui/ListTableModel.h"
#include "ui/PageContext.h"
#include "ui/QtText.h"
#include "ui/UserDialogs.h"

TEntryListPage::TEntryListPage(TPageContext& context, QWidget* page, const TEntryList& entries,
                               const char* prefix, const char* runCaption, const char* viewName,
                               const QString& accessibleName)
    : QObject(page), context_(context), entries_(entries) {
    model_ = new TListTableModel(
        QTexts(entries.Captions()),
        [this](int row, int column) -> std::string {
            if (removing_ || !RowExists(row))
                return {};
            const TListRow cells = entries_.Row(context_.Session, size_t(row));
            return column >= 0 && size_t(column) < cells.size() ? cells[size_t(column)] : "";
        },
        this);
    host_ = new QWidget(page);
    auto* layout = new QVBoxLayout(host_);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = NewReportView(viewName, model_, host_);
    view_->setAccessibleName(accessibleName);
    view_->setWordWrap(false); // rows keep one height, as a report list's do
    layout->addWidget(view_, 1);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* caption) {
        auto* made = new QPushButton(caption, host_);
        made->setObjectName(QString("btn") + prefix + QString(caption).remove('&').remove(' '));
        buttons->addWidget(made);
        return made;
    };
    btnRun_ = button(runCaption);
    btnClearList_ = button("Clear Li&st");
    btnAdd_ = button("&Add");
    btnRemove_ = button("Remo&ve");
    btnUpdate_ = button("&Update");
    btnClearParams_ = button("Clear &Params");
    buttons->addStretch();
    layout->addLayout(buttons);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);
}

bool TEntryListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete && RowExists(SelectedRow())) {
        RemoveSelectedEntry();
        return true;
    }
    // The view has moved its selection by the time a button or key is released. The handler
    // runs after the view's own handling, as it may ask a question.
    const bool click = watched == view_->viewport() &&
                       event->type() == QEvent::MouseButtonRelease &&
                       static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    const bool key = watched == view_ && event->type() == QEvent::KeyRelease &&
                     !static_cast<QKeyEvent*>(event)->isAutoRepeat();
    if (click || key)
        QMetaObject::invokeMethod(
            this, [this, key] { RowSelected(key); }, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

int TEntryListPage::SelectedRow() const {
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool TEntryListPage::RowExists(int row) const {
    return row >= 0 && size_t(row) < entries_.Count(context_.Session);
}

void TEntryListPage::RefreshRowCount() {
    model_->SetRowCount(int(entries_.Count(context_.Session)));
}

void TEntryListPage::RepaintList() {
    view_->viewport()->update();
}

void TEntryListPage::EnableListControls(bool idle) {
    for (QWidget* control : std::initializer_list<QWidget*>{view_, btnAdd_, btnRemove_, btnUpdate_,
                                                            btnClearList_, btnClearParams_})
        control->setEnabled(idle);
}

void TEntryListPage::ApplyColumnWidths(const std::vector<int32_t>& widths,
                                       const std::vector<bool>& stored) {
    FitColumns(view_,
               {{TColumnFit::Text, "99999"},
                {TColumnFit::Path, {}},
                {TColumnFit::Path, {}},
                {TColumnFit::Keep, {}}},
               widths, stored);
}

void TEntryListPage::ReadColumnWidths(std::vector<int32_t>& widths) const {
    ::ReadColumnWidths(view_, widths);
}

void TEntryListPage::AddEntry() {
    const TListChange change = entries_.Add(context_.Session);
    if (!change.IsMade()) {
        if (!change.Refusal().empty())
            context_.Dialogs.ShowMessage(change.Refusal());
        return;
    }
    RefreshRowCount();
    KeepSelection();
    ClearPanel();
    PanelChanged() = false;
}

void TEntryListPage::UpdateEntry() {
    const int row = SelectedRow();
    const TListChange change = entries_.Update(context_.Session, row, [&] {
        return context_.Dialogs.AskYesNo(UpdatePrompt(size_t(row), false));
    });
    if (!change.Refusal().empty())
        return context_.Dialogs.ShowMessage(change.Refusal());
    if (!change.IsMade())
        return;
    RepaintList();
    PanelChanged() = false;
}

void TEntryListPage::RemoveSelected() {
    TListChange change;
    {
        TFlagScope removing(removing_);
        change = entries_.Remove(context_.Session, SelectedRow());
        if (change.IsMade()) {
            // The rows after it moved up: a later prompt must not store into the entry that
            // now holds this index.
            selectedIndex_ = -1;
            RefreshRowCount();
        }
    }
    if (!change.Refusal().empty())
        context_.Dialogs.ShowMessage(change.Refusal());
}

void TEntryListPage::SelectEntry() {
    TCaplinSession& session = context_.Session;
    if (!session.Initialized())
        return;
    const int row = SelectedRow();
    if (RowExists(row)) {
        const int previous = selectedIndex_;
        if (RowExists(previous) && PanelChanged() &&
            context_.Dialogs.AskYesNo(UpdatePrompt(size_t(previous), true))) {
            entries_.StoreEdited(session, size_t(previous));
            RepaintList();
        }
        entries_.LoadEdited(session, size_t(row));
        ShowEditedEntry();
    }
    selectedIndex_ = RowExists(row) ? row : -1;
    PanelChanged() = false;
}

void TEntryListPage::KeepSelection() {
    // Resizing the view drops its selection; the selected entry is still where it was.
    if (RowExists(selectedIndex_))
        view_->selectRow(selectedIndex_);
}
