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

// The least height of a list view: its header and about four rows.
constexpr int kListViewMinimumHeight = 100;

// No row numbers, rows one line high, as a report list's are.
void UseReportRows(QTableView* view);
// A report-style list view: read-only, whole-row single selection, grid lines, report rows.
QTableView* NewReportView(const QString& name, TListTableModel* model, QWidget* parent);
void ApplyColumnWidths(QTableView* view, const std::vector<int32_t>& widths);

// How a column of a list view is sized when no width of its own was stored.
enum class TColumnFit {
    Text, // fits its caption and the widest text it shows (Sample)
    Path, // shares the width the other columns leave, and any width the view gains later
    Keep, // keeps the default width given
};
struct TColumnSpec {
    TColumnFit Fit;
    QString Sample; // Text: the widest text the column shows
};
// Stored widths win; the other columns fit as their spec says. From then on, whatever width
// the view gains or loses goes to its path columns, so a larger window widens the paths.
void FitColumns(QTableView* view, const std::vector<TColumnSpec>& columns,
                const std::vector<int32_t>& widths, const std::vector<bool>& stored);
// The widths now; a list never shown gets the widths it would show at its present size.
void ReadColumnWidths(QTableView* view, std::vector<int32_t>& widths);
// A list never shown sizes its columns again for the size its page has now.
void SettleColumns(QTableView* view);
