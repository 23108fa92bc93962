#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>

namespace platform::dbcontrols {

/// Pictures of short texts centred in cells of one size, each drawn once:
/// a control that draws the same few texts in the same cells at every
/// paint (a calendar's day numbers) copies them instead of laying out and
/// rasterising each again. A picture is the cell filled with its background
/// and the text drawn on it as QPainter::drawText centres it, so copying it
/// gives the same pixels as drawing the text there, for texts that fit the
/// cell.
class CellTextCache {
public:
    /// The cells, font and pixel ratio the next pictures are for; any
    /// change forgets the pictures drawn for the old ones.
    void prepare(const QSize& cell, const QFont& font, qreal pixelRatio);

    /// The picture of `text` in the prepared font (bold or not), colour
    /// and background.
    const QImage& picture(const QString& text, bool bold, const QColor& colour,
                          const QColor& background);

    int size() const { return static_cast<int>(pictures_.size()); }

private:
    QSize cell_;
    QFont font_;
    qreal pixelRatio_ = 1;
    QHash<QString, QImage> pictures_;
};

}  // namespace platform::dbcontrols
