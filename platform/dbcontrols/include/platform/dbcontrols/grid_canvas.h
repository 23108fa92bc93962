#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <vector>

#include "platform/dbcontrols/export.h"

class QPainter;

namespace platform::dbcontrols {

/// What one grid cell showed when it was last painted: the last text still
/// visible in it (a later fill over the text's start hides it), the colour
/// and weight it was drawn in, and whether a bitmap is visible in it.
struct PLATFORM_DBCONTROLS_EXPORT CellDrawing {
    QString text;
    QColor fontColor;
    bool bold = false;
    QColor background;  ///< brush colour of the last fill over the cell
    bool bitmapDrawn = false;
    QPoint textOffset;  ///< where the text starts, relative to the cell's top left
};

/// The drawing surface a grid hands to its draw-cell handler: a brush
/// colour, a font colour and weight, and the few drawing calls the
/// platform's grids offer. Coordinates are those of the grid's viewport,
/// the same as the cell rectangle passed to the handler. The canvas also
/// records what each cell ends up showing (see CellDrawing), for tests.
class PLATFORM_DBCONTROLS_EXPORT Canvas {
public:
    /// Draws through `painter` (not owned; must outlive the canvas).
    explicit Canvas(QPainter& painter);

    QColor brushColor() const { return brush_; }
    void setBrushColor(const QColor& color) { brush_ = color; }
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& color) { fontColor_ = color; }
    bool fontBold() const { return bold_; }
    void setFontBold(bool bold) { bold_ = bold; }

    /// Fills `rect` with the brush colour.
    void fillRect(const QRect& rect);
    /// Draws `text` with its top left at (x, y), clipped to `clip`.
    void textRect(const QRect& clip, int x, int y, const QString& text);
    /// Draws `text` with its top left at (x, y), unclipped.
    void textOut(int x, int y, const QString& text);
    /// Copies the part `source` of `bitmap` to `dest` (top left aligned, not
    /// stretched; what lies outside the bitmap is not drawn), every pixel
    /// of colour `replaced` taking the brush colour instead.
    void brushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                   const QColor& replaced);

    /// Width of `text` in the current font.
    int textWidth(const QString& text) const;

    // --- Recording, used by the grid around each cell ------------------------
    void beginCell(const QRect& cell);
    CellDrawing endCell() const;

private:
    struct Mark {
        QRect area;
        bool isText = false;
        QString text;
        QColor color;
        bool bold = false;
    };
    void applyFont();
    void forget(const QRect& filled);

    QPainter& painter_;
    QColor brush_;
    QColor fontColor_;
    bool bold_ = false;

    QRect cell_;
    QColor cellBackground_;
    std::vector<Mark> marks_;
};

}  // namespace platform::dbcontrols
