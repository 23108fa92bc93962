#include "platform/dbcontrols/grid_canvas.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace platform::dbcontrols {

const QStaticText& TextLayouts::of(const QString& text, bool bold) {
    QHash<QString, QStaticText>& kept = bold ? bold_ : plain_;
    auto it = kept.find(text);
    if (it != kept.end()) return *it;
    if (kept.size() >= kMaxTexts) kept.clear();
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    return *kept.insert(text, laidOut);
}

Canvas::Canvas(QPainter& painter, TextLayouts* layouts) : painter_(painter), layouts_(layouts) {}

void Canvas::drawTextAt(int x, int y, const QString& text) {
    if (layouts_ && !text.contains(QLatin1Char('\n'))) {
        // The painter lays the text out again only when its font differs
        // from the one it was laid out in.
        painter_.drawStaticText(QPoint(x, y), layouts_->of(text, bold_));
    } else {
        painter_.drawText(QPoint(x, y + painter_.fontMetrics().ascent()), text);
    }
}

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

bool Canvas::hold(bool coversCell) {
    if (holding_) return true;
    if (held_.empty()) return false;
    if (coversCell) {
        held_.clear();  // painted over whole: never seen
    } else {
        flushHeld();
    }
    return false;
}

void Canvas::flushHeld() {
    std::vector<Held> held;
    held.swap(held_);
    const QColor brush = brush_;
    const QColor fontColor = fontColor_;
    const bool bold = bold_;
    for (const Held& h : held) {
        brush_ = h.brush;
        fontColor_ = h.fontColor;
        bold_ = h.bold;
        if (h.kind == Held::Kind::Fill)
            fillRect(h.rect);
        else
            textRect(h.rect, h.x, h.y, h.text);
    }
    brush_ = brush;
    fontColor_ = fontColor;
    bold_ = bold;
}

void Canvas::fillRect(const QRect& rect) {
    if (hold(rect.contains(cell_))) {
        held_.push_back({Held::Kind::Fill, rect, 0, 0, {}, brush_, fontColor_, bold_});
        return;
    }
    painter_.fillRect(rect, brush_);
    forget(rect);
    if (rect.contains(cell_.center())) cellBackground_ = brush_;
}

void Canvas::textRect(const QRect& clip, int x, int y, const QString& text) {
    if (hold(false)) {
        held_.push_back({Held::Kind::Text, clip, x, y, text, brush_, fontColor_, bold_});
        return;
    }
    applyFont();
    painter_.save();
    painter_.setClipRect(clip);
    drawTextAt(x, y, text);
    painter_.restore();
    marks_.push_back({QRect(x, y, 1, 1), true, text, fontColor_, bold_});
}

void Canvas::textOut(int x, int y, const QString& text) {
    hold(false);
    applyFont();
    drawTextAt(x, y, text);
    marks_.push_back({QRect(x, y, 1, 1), true, text, fontColor_, bold_});
}

void Canvas::brushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                       const QColor& replaced) {
    const QRect part = source.intersected(bitmap.rect());
    if (part.isEmpty()) return;
    hold(false);
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
    held_.clear();
    holding_ = false;
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
