#include "ui/ListTableModel.h"

#include <QHeaderView>
#include <QTableView>

#include "platform/Trace.h"

TListTableModel::TListTableModel(QStringList headers, TCellFunction cell, QObject* parent)
    : QAbstractTableModel(parent), headers_(std::move(headers)), cell_(std::move(cell)) {}

void TListTableModel::SetRowCount(int count) {
    beginResetModel();
    rows_ = std::max(0, count);
    endResetModel();
}

int TListTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TListTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

QVariant TListTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_)
        return {};
    return Guarded("TListTableModel.data", QVariant(), [&] {
        return QVariant(QString::fromStdString(cell_(index.row(), index.column())));
    });
}

QVariant TListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= headers_.size())
        return {};
    return headers_[section];
}

QTableView* NewReportView(const QString& name, TListTableModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(true);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(false);
    view->setAccessibleName(name);
    return view;
}

void ApplyColumnWidths(QTableView* view, const std::vector<int32_t>& widths) {
    for (size_t column = 0; column < widths.size(); ++column)
        view->setColumnWidth(static_cast<int>(column), widths[column]);
}

void ReadColumnWidths(const QTableView* view, std::vector<int32_t>& widths) {
    for (size_t column = 0; column < widths.size(); ++column)
        widths[column] = view->columnWidth(static_cast<int>(column));
}
