#include "ui/SubtitlePreview.h"

#include <algorithm>
#include <climits>

#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>

namespace {

constexpr int TELETEXT_COLUMNS = 40;
constexpr int TELETEXT_ROWS = 24;

QColor TeletextColour(TSTLColour colour) {
    static const QColor colours[] = {Qt::black, Qt::red,     Qt::green, Qt::yellow,
                                     Qt::blue,  Qt::magenta, Qt::cyan,  Qt::white};
    return colours[int(colour) & 7];
}

QString SpanText(const TSTLSubtitle& subtitle, const TSTLSpan& span) {
    const std::string_view text = subtitle.SpanText(span);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Each character with the marks combined with it, one to a cell.
QStringList Graphemes(const QString& text) {
    QStringList graphemes;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        graphemes << text.mid(start, finder.position() - start);
        start = finder.position();
    }
    return graphemes;
}

} // namespace

TSubtitlePreview::TSubtitlePreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TSubtitlePreview::ShowSubtitle(const TSTLTextHeader& header, int maximumRows,
                                    const TSTLSubtitle* subtitle) {
    header_ = header;
    maximumRows_ = maximumRows;
    subtitle_ = subtitle;
    update();
}

QRect TSubtitlePreview::PictureRect() const {
    // Teletext belongs to the 4:3 picture of its time; open subtitles to a 16:9 one.
    const int across = header_.Teletext ? 4 : 16;
    const int down = header_.Teletext ? 3 : 9;
    const QRect room = rect().adjusted(4, 4, -4, -4);
    int width = room.width();
    int height = width * down / across;
    if (height > room.height()) {
        height = room.height();
        width = height * across / down;
    }
    return {room.left() + (room.width() - width) / 2, room.top() + (room.height() - height) / 2,
            width, height};
}

QRect TSubtitlePreview::CellRect(int column, int row) const {
    const QRect picture = PictureRect();
    // The grid keeps clear of the picture's edges, as a receiver's display does.
    const QRect grid = picture.adjusted(picture.width() / 10, picture.height() / 20,
                                        -picture.width() / 10, -picture.height() / 20);
    const auto x = [&](int c) { return grid.left() + grid.width() * c / TELETEXT_COLUMNS; };
    const auto y = [&](int r) { return grid.top() + grid.height() * r / TELETEXT_ROWS; };
    return {x(column), y(row), x(column + 1) - x(column), y(row + 1) - y(row)};
}

int TSubtitlePreview::JustifiedShift(const TSTLSubtitle& subtitle, size_t firstSpan, size_t endSpan,
                                     bool boxMode) {
    // The row's extent on air: its boxed cells in box mode, else its text, spaces at either
    // end left out.
    int left = INT_MAX;
    int right = INT_MIN;
    for (size_t i = firstSpan; i < endSpan; ++i) {
        const TSTLSpan& span = subtitle.Spans[i];
        int begin = span.Column;
        int end = span.Column + span.Cells;
        if (boxMode) {
            if (!span.Boxed)
                continue;
        } else {
            const std::string_view text = subtitle.SpanText(span);
            const size_t front = text.find_first_not_of(' ');
            if (span.Control || front == std::string_view::npos)
                continue;
            begin += int(front);
            end -= int(text.size() - 1 - text.find_last_not_of(' '));
        }
        left = std::min(left, begin);
        right = std::max(right, end);
    }
    if (left > right)
        return 0;
    switch (subtitle.Justification) {
    case 1:
        return -left;
    case 2:
        return (TELETEXT_COLUMNS - (right - left)) / 2 - left;
    case 3:
        return TELETEXT_COLUMNS - right;
    default:
        return 0; // as the text field places it
    }
}

void TSubtitlePreview::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    // A dim picture stands in for the programme, so that what is not boxed shows as on air.
    const QRect picture = PictureRect();
    QLinearGradient shade(picture.topLeft(), picture.bottomLeft());
    shade.setColorAt(0, QColor(70, 82, 96));
    shade.setColorAt(1, QColor(38, 44, 52));
    painter.fillRect(picture, shade);
    if (subtitle_ == nullptr || subtitle_->Comment)
        return;
    // A row longer than the screen (a text field holds 112 cells) is cut where the picture ends.
    painter.setClipRect(picture);
    if (header_.Teletext)
        PaintTeletext(painter);
    else
        PaintOpen(painter);
}

void TSubtitlePreview::PaintTeletext(QPainter& painter) const {
    const TSTLSubtitle& subtitle = *subtitle_;
    const std::vector<TSTLSpan>& spans = subtitle.Spans;
    // In box mode only boxed cells reach the screen; a subtitle with no box at all is shown
    // whole, as a decoder without box mode would, rather than not at all.
    const bool boxMode =
        std::any_of(spans.begin(), spans.end(), [](const TSTLSpan& s) { return s.Boxed; });
    QFont font("DejaVu Sans Mono");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(std::max(6, CellRect(0, 0).height() * 9 / 10));
    painter.setFont(font);
    int coveredRow = -1; // the lower half of a double-height row shows nothing of its own
    for (size_t begin = 0; begin < spans.size();) {
        size_t end = begin;
        while (end < spans.size() && spans[end].Row == spans[begin].Row)
            ++end;
        const int row = subtitle.VerticalPosition + spans[begin].Row;
        const int shift = JustifiedShift(subtitle, begin, end, boxMode);
        bool doubled = false;
        for (size_t i = begin; i < end && row != coveredRow && row >= 0 && row < TELETEXT_ROWS;
             ++i) {
            const TSTLSpan& span = spans[i];
            doubled = doubled || span.DoubleHeight;
            if (boxMode && !span.Boxed)
                continue;
            const int rows = span.DoubleHeight && row + 1 < TELETEXT_ROWS ? 2 : 1;
            const int column = span.Column + shift;
            const QRect first = CellRect(column, row);
            const QRect area(first.topLeft(),
                             CellRect(column + span.Cells - 1, row + rows - 1).bottomRight());
            painter.fillRect(area, TeletextColour(span.Background));
            if (span.Control)
                continue;
            painter.setPen(TeletextColour(span.Colour));
            int cell = column;
            for (const QString& grapheme : Graphemes(SpanText(subtitle, span))) {
                const QRect box = CellRect(cell++, row);
                if (grapheme == " " || cell > column + span.Cells)
                    continue;
                painter.save();
                painter.translate(box.topLeft());
                painter.scale(1, rows);
                painter.drawText(QRect(0, 0, box.width(), box.height()), Qt::AlignCenter, grapheme);
                painter.restore();
            }
        }
        if (doubled)
            coveredRow = row + 1;
        begin = end;
    }
}

void TSubtitlePreview::PaintOpen(QPainter& painter) const {
    const TSTLSubtitle& subtitle = *subtitle_;
    const QRect picture = PictureRect();
    // Title safe: a tenth of the picture kept clear on each side.
    const QRect safe = picture.adjusted(picture.width() / 10, picture.height() / 10,
                                        -picture.width() / 10, -picture.height() / 10);
    const int pixels = std::max(6, picture.height() / 16);
    const int lineHeight = pixels * 5 / 4;
    std::vector<TSTLShownRow> rows;
    STLShownRows(subtitle, rows);
    if (rows.empty())
        return;
    // The rows keep their distance from each other; the first sits on the header's grid of
    // rows, and the whole is kept inside the safe area.
    const int grid = maximumRows_ > 0 ? maximumRows_ : 23;
    const int firstRow = subtitle.Spans[rows.front().First].Row;
    const int lastRow = subtitle.Spans[rows.back().First].Row;
    int top = safe.top() + safe.height() * std::clamp(subtitle.VerticalPosition, 0, grid) / grid;
    top = std::min(top, safe.bottom() + 1 - (lastRow - firstRow + 1) * lineHeight);
    top = std::max(top, safe.top());

    for (const TSTLShownRow& row : rows) {
        struct TPiece {
            QString Text;
            QFont Font;
            bool Boxed;
            int Width;
        };
        std::vector<TPiece> pieces;
        int width = 0;
        for (size_t i = row.First; i < row.End; ++i) {
            const TSTLSpan& span = subtitle.Spans[i];
            const std::string_view text = STLShownText(subtitle, row, i);
            QFont font("DejaVu Sans");
            font.setPixelSize(pixels);
            font.setItalic(span.Italic);
            font.setUnderline(span.Underline);
            TPiece piece{QString::fromUtf8(text.data(), qsizetype(text.size())), font, span.Boxed,
                         0};
            piece.Width = QFontMetrics(font).horizontalAdvance(piece.Text);
            width += piece.Width;
            pieces.push_back(piece);
        }
        int x = safe.left() + (safe.width() - width) / 2;
        if (subtitle.Justification == 1)
            x = safe.left();
        else if (subtitle.Justification == 3)
            x = safe.right() + 1 - width;
        const int y = top + (subtitle.Spans[row.First].Row - firstRow) * lineHeight;
        for (const TPiece& piece : pieces) {
            if (piece.Boxed)
                painter.fillRect(QRect(x, y, piece.Width, lineHeight), Qt::black);
            QPainterPath path;
            path.addText(x, y + QFontMetrics(piece.Font).ascent() + (lineHeight - pixels) / 2,
                         piece.Font, piece.Text);
            // A dark edge keeps white text readable on a light picture, as on air.
            painter.setRenderHint(QPainter::Antialiasing);
            painter.strokePath(path, QPen(Qt::black, std::max(2, pixels / 8)));
            painter.fillPath(path, Qt::white);
            // Underline is not part of the glyph outline; it is drawn as a bar.
            if (piece.Font.underline())
                painter.fillRect(QRect(x, y + lineHeight - std::max(2, pixels / 10), piece.Width,
                                       std::max(2, pixels / 14)),
                                 Qt::white);
            x += piece.Width;
        }
    }
}
