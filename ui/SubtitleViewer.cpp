#include "ui/SubtitleViewer.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/Trace.h"
#include "qc/QualityCheck.h"
#include "ui/QtText.h"
#include "ui/SubtitlePreview.h"
#include "ui/UserDialogs.h"

// The subtitles as rows, each cell made when the view asks for it: a list of 10,000
// subtitles costs no more to show than one of ten.
class TSubtitleListModel : public QAbstractTableModel {
public:
    enum TColumn { colNumber, colIn, colOut, colText, ColumnCount };

    TSubtitleListModel(const TSTLFileView& view, QObject* parent)
        : QAbstractTableModel(parent), view_(view),
          warning_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)),
          error_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical)) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(view_.Text.Subtitles.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* captions[] = {"#", "In", "Out", "Text"};
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= ColumnCount)
            return {};
        return captions[section];
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const size_t row = size_t(index.row());
        const TSTLSubtitle& subtitle = view_.Text.Subtitles[row];
        const std::vector<uint32_t>& findings = view_.SubtitleFindings[row];
        switch (role) {
        case Qt::DisplayRole:
            return Display(subtitle, index.column());
        case Qt::DecorationRole:
            if (index.column() != colNumber || findings.empty())
                return {};
            return HasError(findings) ? error_ : warning_;
        case Qt::ToolTipRole: {
            QStringList lines;
            for (const uint32_t finding : findings)
                lines << Q(FormatQcFinding(view_.Findings[finding]));
            return lines.isEmpty() ? QVariant() : lines.join('\n');
        }
        case Qt::ForegroundRole:
            // A comment is never shown on air.
            return subtitle.Comment
                       ? QVariant(QApplication::palette().color(QPalette::Disabled, QPalette::Text))
                       : QVariant();
        default:
            return {};
        }
    }

private:
    QString Display(const TSTLSubtitle& subtitle, int column) const {
        char time[16];
        switch (column) {
        case colNumber:
            return QString::number(subtitle.Number);
        case colIn:
            return QString::fromLatin1(time, FormatSTLTimeCode(subtitle.In, time));
        case colOut:
            return QString::fromLatin1(time, FormatSTLTimeCode(subtitle.Out, time));
        default: {
            std::string text = subtitle.Comment ? "(comment) " : "";
            AppendSTLShownRows(subtitle, text, '\n');
            if (!text.empty() && text.back() == '\n')
                text.pop_back();
            return Q(text).replace('\n', " | ");
        }
        }
    }
    bool HasError(const std::vector<uint32_t>& findings) const {
        for (const uint32_t finding : findings)
            if (view_.Findings[finding].Severity == TQcSeverity::Error)
                return true;
        return false;
    }

    const TSTLFileView& view_;
    QIcon warning_;
    QIcon error_;
};

namespace {

QString TableName(const TSTLTextHeader& header) {
    static const char* names[] = {"Latin", "Latin/Cyrillic", "Latin/Arabic", "Latin/Greek",
                                  "Latin/Hebrew"};
    if (!header.TableKnown)
        return QString("character table \"%1\" unknown, read as 00 Latin")
            .arg(Q(header.CharacterTableField));
    return QString("character table %1 %2")
        .arg(STLCharacterTableField(header.Table), names[int(header.Table)]);
}

QString Summary(const TSTLFileView& view) {
    const TSTLTextHeader& header = view.Text.Header;
    int errors = 0;
    for (const TQcFinding& finding : view.Findings)
        errors += finding.Severity == TQcSeverity::Error ? 1 : 0;
    return QString("%1 subtitle(s), %2 (Display Standard Code \"%3\"), %4; quality check: "
                   "%5 error(s), %6 warning(s)")
        .arg(view.Text.Subtitles.size())
        .arg(header.Teletext ? "teletext" : "open subtitles")
        .arg(Q(header.DisplayStandardField))
        .arg(TableName(header))
        .arg(errors)
        .arg(int(view.Findings.size()) - errors);
}

} // namespace

TSubtitleViewer::TSubtitleViewer(TSTLFileView view, QWidget* parent)
    : QDialog(parent), view_(std::move(view)) {
    setWindowTitle("View STL File - " + Q(view_.Path));
    setObjectName("SubtitleViewer");
    resize(1100, 760);
    auto* layout = new QVBoxLayout(this);
    lblSummary_ = new QLabel(Summary(view_), this);
    lblSummary_->setObjectName("lblSummary");
    lblSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    lvHeader_ = new QTableWidget(int(view_.Header.size()), 2, this);
    lvHeader_->setObjectName("lvHeader");
    lvHeader_->setAccessibleName("Header fields");
    lvHeader_->setHorizontalHeaderLabels({"Field", "Value"});
    lvHeader_->verticalHeader()->hide();
    lvHeader_->horizontalHeader()->setStretchLastSection(true);
    lvHeader_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (size_t i = 0; i < view_.Header.size(); ++i) {
        lvHeader_->setItem(int(i), 0, new QTableWidgetItem(Q(view_.Header[i].Name)));
        lvHeader_->setItem(int(i), 1, new QTableWidgetItem(Q(view_.Header[i].Value)));
    }
    lvHeader_->resizeColumnToContents(0);
    lvHeader_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    model_ = new TSubtitleListModel(view_, this);
    lvSubtitles_ = new QTableView(this);
    lvSubtitles_->setObjectName("lvSubtitles");
    lvSubtitles_->setAccessibleName("Subtitles");
    lvSubtitles_->setModel(model_);
    lvSubtitles_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvSubtitles_->setSelectionMode(QAbstractItemView::SingleSelection);
    lvSubtitles_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvSubtitles_->setWordWrap(false);
    lvSubtitles_->verticalHeader()->hide();
    // Fixed row heights and column widths from the font: nothing is measured row by row, so
    // a long file opens and scrolls at once.
    lvSubtitles_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lvSubtitles_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int digits = fontMetrics().horizontalAdvance("000000");
    const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize);
    lvSubtitles_->setColumnWidth(TSubtitleListModel::colNumber, digits + icon + 12);
    const int time = fontMetrics().horizontalAdvance("00:00:00:00") + 16;
    lvSubtitles_->setColumnWidth(TSubtitleListModel::colIn, time);
    lvSubtitles_->setColumnWidth(TSubtitleListModel::colOut, time);
    lvSubtitles_->horizontalHeader()->setStretchLastSection(true);

    pbPreview_ = new TSubtitlePreview(this);
    pbPreview_->setObjectName("pbPreview");
    pbPreview_->setAccessibleName("Preview of the selected subtitle");
    lblFindings_ = new QLabel(this);
    lblFindings_->setObjectName("lblFindings");
    lblFindings_->setWordWrap(true);
    lblFindings_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(pbPreview_, 1);
    rightLayout->addWidget(lblFindings_);
    auto* lists = new QSplitter(Qt::Vertical, this);
    lists->addWidget(lvSubtitles_);
    lists->addWidget(lvHeader_);
    lists->setStretchFactor(0, 3);
    lists->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName("splViewer");
    split->addWidget(lists);
    split->addWidget(right);
    split->setSizes({520, 560});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName("btnClose");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(lblSummary_);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);

    connect(lvSubtitles_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowSelected(); });
    SelectSubtitle(0);
    ShowSelected();
    // The keys walk the subtitles first.
    setTabOrder(lvSubtitles_, lvHeader_);
    lvSubtitles_->setFocus();
}

TSubtitleViewer::~TSubtitleViewer() = default;

void TSubtitleViewer::SelectBlock(uint32_t block) {
    SelectSubtitle(view_.SubtitleAtBlock(block));
}

void TSubtitleViewer::SelectSubtitle(int index) {
    if (index < 0 || index >= model_->rowCount())
        return;
    const QModelIndex cell = model_->index(index, 0);
    lvSubtitles_->setCurrentIndex(cell);
    lvSubtitles_->scrollTo(cell, QAbstractItemView::PositionAtCenter);
}

int TSubtitleViewer::SelectedSubtitle() const {
    const QModelIndex current = lvSubtitles_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TSubtitleViewer::ShowSelected() {
    const int index = SelectedSubtitle();
    const TSTLSubtitle* subtitle = index >= 0 ? &view_.Text.Subtitles[size_t(index)] : nullptr;
    pbPreview_->ShowSubtitle(view_.Text.Header, view_.MaximumRows, subtitle);
    QStringList lines;
    if (subtitle != nullptr) {
        if (subtitle->Comment)
            lines << "A comment: not shown on air.";
        for (const uint32_t finding : view_.SubtitleFindings[size_t(index)])
            lines << Q(FormatQcFinding(view_.Findings[finding]));
    }
    lblFindings_->setText(lines.join('\n'));
}

void ViewSTLFile(IUserDialogs& dialogs, QWidget* parent, const std::string& path, uint32_t block) {
    GuardedVoid("ViewSTLFile", [&] {
        TSTLFileView view;
        std::string failure;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool read = ReadSTLFileView(path, view, failure);
        QApplication::restoreOverrideCursor();
        if (!read) {
            dialogs.ShowError("View STL File", "Cannot open STL file " + path + ": " + failure);
            return;
        }
        TSubtitleViewer viewer(std::move(view), parent);
        if (block > 0)
            viewer.SelectBlock(block);
        dialogs.RunDialog(viewer);
    });
}

void ChooseAndViewSTLFile(IUserDialogs& dialogs, QWidget* parent) {
    const std::optional<std::string> file =
        dialogs.ChooseFile("View STL File", "STL Files (*.stl);;All Files (*)");
    if (file)
        ViewSTLFile(dialogs, parent, *file);
}
