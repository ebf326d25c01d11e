#include "ui/DialogControls.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TConfigDialog::TConfigDialog(const char* name, const char* title, QSize size, QWidget* parent)
    : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(title);
    setFixedSize(size);
}

QPushButton* TConfigDialog::NewOKButton(std::function<void()> onOK) {
    QPushButton* button = NewButton("&OK", "btnOK", this);
    connect(button, &QPushButton::clicked, this, std::move(onOK));
    return button;
}

QPushButton* TConfigDialog::NewCancelButton(const char* caption) {
    QPushButton* button = NewButton(caption, "btnCancel", this);
    connect(button, &QPushButton::clicked, this, &QDialog::reject);
    return button;
}

void TConfigDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

QPushButton* NewButton(const char* caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QTableWidget* NewItemListView(const char* name, const QString& accessibleName,
                              const QStringList& captions, const std::vector<int>& widths,
                              QWidget* parent) {
    auto* view = new QTableWidget(0, static_cast<int>(captions.size()), parent);
    view->setObjectName(name);
    view->setAccessibleName(accessibleName);
    view->setHorizontalHeaderLabels(captions);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(false);
    // A column is never narrower than its caption, whatever font the desktop gives.
    // Some styles draw captions in bold.
    QFont captionFont = view->horizontalHeader()->font();
    captionFont.setBold(true);
    const QFontMetrics metrics(captionFont);
    for (size_t column = 0; column < widths.size(); ++column) {
        const int caption = column < static_cast<size_t>(captions.size())
                                ? metrics.horizontalAdvance(captions[static_cast<int>(column)]) + 20
                                : 0;
        view->setColumnWidth(static_cast<int>(column), std::max(widths[column], caption));
    }
    QPalette palette = view->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    view->setPalette(palette);
    return view;
}

void AddListViewRow(QTableWidget* view, const QStringList& cells) {
    const int row = view->rowCount();
    view->insertRow(row);
    for (int column = 0; column < cells.size() && column < view->columnCount(); ++column)
        view->setItem(row, column, new QTableWidgetItem(cells[column]));
}

int SelectedRow(const QTableWidget* view) {
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

QWidget* WithCaptionAbove(QWidget* control, const QString& caption, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(caption, box);
    label->setObjectName(control->objectName() + "Label");
    label->setBuddy(control);
    layout->addWidget(label);
    layout->addWidget(control);
    return box;
}
