#include "ui/ListTableModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QResizeEvent>
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

namespace {

constexpr int kRowPadding = 6;

} // namespace

void UseReportRows(QTableView* view) {
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + kRowPadding);
}

QTableView* NewReportView(const QString& name, TListTableModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setShowGrid(true);
    UseReportRows(view);
    view->horizontalHeader()->setStretchLastSection(false);
    view->setAccessibleName(name);
    view->setMinimumHeight(kListViewMinimumHeight);
    return view;
}

void ApplyColumnWidths(QTableView* view, const std::vector<int32_t>& widths) {
    for (size_t column = 0; column < widths.size(); ++column)
        view->setColumnWidth(static_cast<int>(column), widths[column]);
}

void ReadColumnWidths(QTableView* view, std::vector<int32_t>& widths) {
    SettleColumns(view);
    for (size_t column = 0; column < widths.size(); ++column)
        widths[column] = view->columnWidth(static_cast<int>(column));
}

namespace {

constexpr int kMinimumPathWidth = 60;
// Room around a cell's text: the cell's margins and the grid line.
constexpr int kCellPadding = 16;

// Splits delta over the columns, none narrower than the least path width.
void SpreadWidth(QTableView* view, const std::vector<int>& columns, int delta) {
    for (size_t i = 0; i < columns.size() && delta != 0; ++i) {
        const int share = delta / int(columns.size() - i);
        const int width = std::max(kMinimumPathWidth, view->columnWidth(columns[i]) + share);
        delta -= width - view->columnWidth(columns[i]);
        view->setColumnWidth(columns[i], width);
    }
}

// Sizes the columns of one view: until the view is first shown, to the widths asked for at
// whatever width it has then; from then on, whatever width it gains or loses goes to its path
// columns.
class TColumnFitter : public QObject {
public:
    TColumnFitter(QTableView* view, std::vector<TColumnSpec> columns, std::vector<int32_t> widths,
                  std::vector<bool> stored)
        : QObject(view), view_(view), columns_(std::move(columns)), widths_(std::move(widths)),
          stored_(std::move(stored)) {
        setObjectName("ColumnFitter");
        for (size_t column = 0; column < columns_.size(); ++column)
            if (columns_[column].Fit == TColumnFit::Path)
                paths_.push_back(int(column));
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        // A view already on screen (the window's start-up runs in its show) has its size.
        shown_ = view->isVisible();
        Apply();
    }

    // The widths asked for, at the width the view has now, when it was never shown: the
    // widths of a list the operator never looked at are still the ones it would show.
    void Settle() {
        if (!shown_)
            Apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched == view_)
            shown_ = true;
        if (event->type() == QEvent::Resize && watched == view_->viewport()) {
            const auto* resize = static_cast<QResizeEvent*>(event);
            if (!shown_)
                Apply();
            else if (resize->oldSize().width() > 0)
                SpreadWidth(view_, paths_, resize->size().width() - resize->oldSize().width());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // Stored widths as they are; a text column fits its caption and sample; path columns
    // without a stored width share what the others leave.
    void Apply() {
        const QFontMetrics text = view_->fontMetrics();
        const QFontMetrics caption = view_->horizontalHeader()->fontMetrics();
        std::vector<int> unstoredPaths;
        int used = 0;
        for (size_t column = 0; column < columns_.size() && column < widths_.size(); ++column) {
            const int index = int(column);
            const bool own = column < stored_.size() && stored_[column];
            int width = widths_[column];
            if (!own && columns_[column].Fit == TColumnFit::Text)
                width =
                    std::max(text.horizontalAdvance(columns_[column].Sample),
                             caption.horizontalAdvance(
                                 view_->model()->headerData(index, Qt::Horizontal).toString())) +
                    kCellPadding;
            if (!own && columns_[column].Fit == TColumnFit::Path)
                unstoredPaths.push_back(index);
            view_->setColumnWidth(index, width);
            used += width;
        }
        // A view never shown has not laid out its viewport: the width it will have is known.
        const int room = shown_ ? view_->viewport()->width() : view_->maximumViewportSize().width();
        SpreadWidth(view_, unstoredPaths, room - used);
    }

    QTableView* view_;
    std::vector<TColumnSpec> columns_;
    std::vector<int32_t> widths_;
    std::vector<bool> stored_;
    std::vector<int> paths_;
    bool shown_ = false;
};

} // namespace

void FitColumns(QTableView* view, const std::vector<TColumnSpec>& columns,
                const std::vector<int32_t>& widths, const std::vector<bool>& stored) {
    view->horizontalHeader()->setStretchLastSection(false);
    delete view->findChild<QObject*>("ColumnFitter", Qt::FindDirectChildrenOnly);
    new TColumnFitter(view, columns, widths, stored);
}

void SettleColumns(QTableView* view) {
    if (auto* fitter = view->findChild<QObject*>("ColumnFitter", Qt::FindDirectChildrenOnly))
        static_cast<TColumnFitter*>(fitter)->Settle();
}
