#include "platform/dbcontrols/grid_canvas.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace platform::dbcontrols {

Canvas::Canvas(QPainter& painter) : painter_(painter) {}

void Canvas::applyFont() {
    QFont font = painter_.font();
    font.setBold(bold_);
    painter_.setFont(font);
    painter_.setPen(fontColor_);
}

int Canvas::textWidth(const QString& text) const {
    QFont font = painter_.font();
    font.setBold(bold_);
    return QFontMetrics(font).horizontalAdvance(text);
}

void Canvas::forget(const QRect& filled) {
    // A fill hides whatever started inside it.
    marks_.erase(std::remove_if(marks_.begin(), marks_.end(),
                                [&](const Mark& m) { return filled.contains(m.area.topLeft()); }),
                 marks_.end());
}

void Canvas::fillRect(const QRect& rect) {
    painter_.fillRect(rect, brush_);
    forget(rect);
    if (rect.contains(cell_.center())) cellBackground_ = brush_;
}

void Canvas::textRect(const QRect& clip, int x, int y, const QString& text) {
    applyFont();
    painter_.save();
    painter_.setClipRect(clip);
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
    painter_.restore();
    marks_.push_back({QRect(x, y, 1, 1), true, text, fontColor_, bold_});
}

void Canvas::textOut(int x, int y, const QString& text) {
    applyFont();
    painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
    marks_.push_back({QRect(x, y, 1, 1), true, text, fontColor_, bold_});
}

void Canvas::brushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                       const QColor& replaced) {
    const QRect part = source.intersected(bitmap.rect());
    if (part.isEmpty()) return;
    QImage image = bitmap.copy(part).convertToFormat(QImage::Format_ARGB32);
    const QRgb from = replaced.rgb();
    const QRgb to = brush_.rgb();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00ffffffU) == (from & 0x00ffffffU)) line[x] = to;
        }
    }
    const QPoint at = dest.topLeft() + (part.topLeft() - source.topLeft());
    painter_.save();
    painter_.setClipRect(dest);
    painter_.drawImage(at, image);
    painter_.restore();
    marks_.push_back({QRect(at, part.size()), false, {}, {}, false});
}

void Canvas::beginCell(const QRect& cell) {
    cell_ = cell;
    cellBackground_ = QColor();
    marks_.clear();
}

CellDrawing Canvas::endCell() const {
    CellDrawing d;
    d.background = cellBackground_;
    for (const Mark& m : marks_) {
        if (m.isText) {
            d.text = m.text;
            d.fontColor = m.color;
            d.bold = m.bold;
            d.textOffset = m.area.topLeft() - cell_.topLeft();
        } else {
            d.bitmapDrawn = true;
        }
    }
    return d;
}

}  // namespace platform::dbcontrols
