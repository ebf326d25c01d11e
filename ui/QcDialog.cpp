#include "ui/QcDialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "ui/QtText.h"
#include "ui/SubtitleViewer.h"
#include "ui/UserDialogs.h"

namespace {

enum TColumn { colFile, colSeverity, colField, colBlock, colText, ColumnCount };

// The block column sorts by number, and a finding of the header or the file (no block) before
// block 1.
class TBlockItem : public QTableWidgetItem {
public:
    explicit TBlockItem(int block) : QTableWidgetItem(block > 0 ? QString::number(block) : "") {
        setData(Qt::UserRole, block);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return data(Qt::UserRole).toInt() < other.data(Qt::UserRole).toInt();
    }
};

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QString Summary(const std::vector<TQcReport>& reports) {
    int errors = 0;
    int warnings = 0;
    int clean = 0;
    for (const TQcReport& report : reports) {
        errors += report.Errors();
        warnings += report.Warnings();
        clean += report.Findings.empty() ? 1 : 0;
    }
    return QString("%1 file(s) checked: %2 error(s), %3 warning(s); %4 file(s) without findings")
        .arg(reports.size())
        .arg(errors)
        .arg(warnings)
        .arg(clean);
}

} // namespace

TQcDialog::TQcDialog(const std::vector<TQcReport>& reports, IUserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setWindowTitle("Check STL Files");
    setObjectName("QcDialog");
    resize(900, 500);
    auto* layout = new QVBoxLayout(this);
    lblSummary_ = new QLabel(this);
    lblSummary_->setObjectName("lblSummary");
    lvFindings_ = new QTableWidget(0, ColumnCount, this);
    lvFindings_->setObjectName("lvFindings");
    lvFindings_->setHorizontalHeaderLabels({"File", "Severity", "Field", "Block", "Text"});
    lvFindings_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFindings_->verticalHeader()->hide();
    lvFindings_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    lvFindings_->horizontalHeader()->setStretchLastSection(true);
    auto* copy = new QAction("Copy", lvFindings_);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    lvFindings_->addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { CopyRows(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* btnCopy = buttons->addButton("&Copy", QDialogButtonBox::ActionRole);
    btnCopy->setObjectName("btnCopy");
    buttons->button(QDialogButtonBox::Close)->setObjectName("btnClose");
    connect(btnCopy, &QPushButton::clicked, this, [this] { CopyRows(); });
    QPushButton* btnView = buttons->addButton("&View", QDialogButtonBox::ActionRole);
    btnView->setObjectName("btnView");
    connect(btnView, &QPushButton::clicked, this, [this] { ViewCurrent(); });
    connect(lvFindings_, &QTableWidget::cellDoubleClicked, this, [this] { ViewCurrent(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    layout->addWidget(lblSummary_);
    layout->addWidget(lvFindings_, 1);
    layout->addWidget(buttons);
    Fill(reports);
}

void TQcDialog::Fill(const std::vector<TQcReport>& reports) {
    lblSummary_->setText(Summary(reports));
    // A file without findings keeps a row of its own, so every file chosen is accounted for.
    for (const TQcReport& report : reports) {
        const QString file = Q(report.Path);
        if (report.Findings.empty()) {
            const int row = lvFindings_->rowCount();
            lvFindings_->insertRow(row);
            lvFindings_->setItem(row, colFile, Cell(file));
            lvFindings_->setItem(row, colSeverity, Cell(""));
            lvFindings_->setItem(row, colField, Cell(""));
            lvFindings_->setItem(row, colBlock, new TBlockItem(0));
            lvFindings_->setItem(row, colText, Cell("no findings"));
        }
        for (const TQcFinding& finding : report.Findings) {
            const int row = lvFindings_->rowCount();
            lvFindings_->insertRow(row);
            lvFindings_->setItem(row, colFile, Cell(file));
            lvFindings_->setItem(row, colSeverity, Cell(QcSeverityName(finding.Severity)));
            lvFindings_->setItem(row, colField, Cell(Q(finding.Field)));
            lvFindings_->setItem(row, colBlock, new TBlockItem(finding.Block));
            lvFindings_->setItem(row, colText, Cell(Q(finding.Text)));
        }
    }
    lvFindings_->resizeColumnsToContents();
    // Sorting is switched on after the fill, or each row would move while it is filled.
    lvFindings_->setSortingEnabled(true);
    lvFindings_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

QString TQcDialog::RowsAsText() const {
    QStringList lines;
    QStringList header;
    for (int column = 0; column < ColumnCount; ++column)
        header << lvFindings_->horizontalHeaderItem(column)->text();
    lines << header.join('\t');
    const bool all = lvFindings_->selectionModel()->selectedRows().isEmpty();
    for (int row = 0; row < lvFindings_->rowCount(); ++row) {
        if (!all && !lvFindings_->selectionModel()->isRowSelected(row, QModelIndex()))
            continue;
        QStringList cells;
        for (int column = 0; column < ColumnCount; ++column)
            cells << lvFindings_->item(row, column)->text();
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

void TQcDialog::CopyRows() const {
    QApplication::clipboard()->setText(RowsAsText());
}

void TQcDialog::ViewCurrent() {
    const int row = lvFindings_->currentRow();
    if (row < 0)
        return;
    const int block = lvFindings_->item(row, colBlock)->data(Qt::UserRole).toInt();
    ViewSTLFile(dialogs_, this, S(lvFindings_->item(row, colFile)->text()), uint32_t(block));
}

void CheckSTLFiles(IUserDialogs& dialogs, QWidget* parent) {
    GuardedVoid("CheckSTLFiles", [&] {
        const std::vector<std::string> files =
            dialogs.ChooseFiles("Check STL Files", "STL Files (*.stl);;All Files (*)");
        if (files.empty())
            return;
        std::vector<TQcReport> reports;
        reports.reserve(files.size());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (const std::string& file : files)
            reports.push_back(CheckSTLFile(file));
        QApplication::restoreOverrideCursor();
        TQcDialog dialog(reports, dialogs, parent);
        dialogs.RunDialog(dialog);
    });
}
