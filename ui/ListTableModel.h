// A read-only table model over a list the window owns: the row count is set explicitly, as
// the list views are virtual, and every cell is asked of a row function that bounds-checks.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

class QTableView;

class TListTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Cell text of a row and column; never called with a row outside [0, RowCount).
    using TCellFunction = std::function<std::string(int row, int column)>;

    TListTableModel(QStringList headers, TCellFunction cell, QObject* parent = nullptr);

    // Sets the row count and repaints.
    void SetRowCount(int count);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList headers_;
    TCellFunction cell_;
    int rows_ = 0;
};

// A report-style list view: read-only, whole-row single selection, grid lines, no row
// headers.
QTableView* NewReportView(const QString& name, TListTableModel* model, QWidget* parent);
void ApplyColumnWidths(QTableView* view, const std::vector<int32_t>& widths);
void ReadColumnWidths(const QTableView* view, std::vector<int32_t>& widths);
