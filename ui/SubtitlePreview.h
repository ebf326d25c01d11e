// One subtitle drawn as it goes to air: teletext on its 40 x 24 grid of cells with colours,
// boxes and double height, or open subtitles as white text within the safe area.
#pragma once

#include <QWidget>

#include "stl/STLText.h"

class TSubtitlePreview : public QWidget {
    Q_OBJECT

public:
    explicit TSubtitlePreview(QWidget* parent = nullptr);

    // Nothing is drawn but the picture when subtitle is null. maximumRows: the header's MNR
    // (0 when not a number), the grid open subtitles are placed on.
    void ShowSubtitle(const TSTLTextHeader& header, int maximumRows, const TSTLSubtitle* subtitle);

    // Where the picture and a teletext cell are drawn at the widget's present size.
    QRect PictureRect() const;
    QRect CellRect(int column, int row) const;
    // The columns a teletext row's cells move by for the subtitle's justification: what shows
    // of the row (its boxed cells in box mode, else its text) goes left, centre or right.
    static int JustifiedShift(const TSTLSubtitle& subtitle, size_t firstSpan, size_t endSpan,
                              bool boxMode);

    QSize sizeHint() const override { return {640, 480}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintTeletext(class QPainter& painter) const;
    void PaintOpen(class QPainter& painter) const;

    TSTLTextHeader header_;
    int maximumRows_ = 0;
    const TSTLSubtitle* subtitle_ = nullptr;
};
