#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStaticText>
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

/// Texts laid out once and drawn many times: a grid paints the same texts at
/// every repaint, and laying a text out (shaping it into glyphs) costs more
/// than drawing it. Kept by the grid between paints; bounded.
class PLATFORM_DBCONTROLS_EXPORT TextLayouts {
public:
    /// The text laid out for drawing in a font of weight `bold`.
    const QStaticText& of(const QString& text, bool bold);

private:
    static constexpr qsizetype kMaxTexts = 4096;
    QHash<QString, QStaticText> plain_;
    QHash<QString, QStaticText> bold_;
};

/// The drawing surface a grid hands to its draw-cell handler: a brush
/// colour, a font colour and weight, and the few drawing calls the
/// platform's grids offer. Coordinates are those of the grid's viewport,
/// the same as the cell rectangle passed to the handler. The canvas also
/// records what each cell ends up showing (see CellDrawing), for tests.
class PLATFORM_DBCONTROLS_EXPORT Canvas {
public:
    /// Draws through `painter` (not owned; must outlive the canvas), with the
    /// texts' layouts kept in `layouts` when given (not owned).
    explicit Canvas(QPainter& painter, TextLayouts* layouts = nullptr);

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

    /// From here to holdDrawings(false), drawing calls are held instead of
    /// done: the grid's default drawing of a cell, which a draw-cell handler
    /// usually paints over whole. The first call after that which fills the
    /// whole cell drops them unseen; any other call, or endCell's caller
    /// through flushHeld(), does them first, as they were asked.
    void holdDrawings(bool hold) { holding_ = hold; }
    void flushHeld();

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
    /// Draws `text` with its top left at (x, y) in the current font and colour.
    void drawTextAt(int x, int y, const QString& text);
    /// What a call does to the held drawings before it is done: held when
    /// holding; dropped when `covers` the whole cell; else done first.
    /// True when the call itself is to be held.
    bool hold(bool coversCell);

    /// A drawing call held with the colours and weight it was asked with.
    struct Held {
        enum class Kind { Fill, Text } kind;
        QRect rect;
        int x = 0;
        int y = 0;
        QString text;
        QColor brush;
        QColor fontColor;
        bool bold = false;
    };

    QPainter& painter_;
    TextLayouts* layouts_;
    QColor brush_;
    QColor fontColor_;
    bool bold_ = false;

    QRect cell_;
    QColor cellBackground_;
    std::vector<Mark> marks_;
    bool holding_ = false;
    std::vector<Held> held_;
};

}  // namespace platform::dbcontrols
