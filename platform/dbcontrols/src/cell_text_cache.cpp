#include "cell_text_cache.h"

#include <QPainter>
#include <QtMath>

namespace platform::dbcontrols {

namespace {
/// More would mean the texts are not the same few: start again.
constexpr int kMostPictures = 512;
}  // namespace

void CellTextCache::prepare(const QSize& cell, const QFont& font, qreal pixelRatio) {
    if (cell == cell_ && pixelRatio == pixelRatio_ && font == font_) return;
    cell_ = cell;
    font_ = font;
    pixelRatio_ = pixelRatio;
    pictures_.clear();
}

const QImage& CellTextCache::picture(const QString& text, bool bold, const QColor& colour,
                                     const QColor& background) {
    const QString key = QString::number(colour.rgba(), 16) + QLatin1Char(' ') +
                        QString::number(background.rgba(), 16) +
                        (bold ? QLatin1Char('b') : QLatin1Char(' ')) + text;
    if (const auto found = pictures_.constFind(key); found != pictures_.constEnd()) return *found;
    if (pictures_.size() >= kMostPictures) pictures_.clear();

    QImage image(qCeil(cell_.width() * pixelRatio_), qCeil(cell_.height() * pixelRatio_),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio_);
    QPainter painter(&image);
    const QRect area(QPoint(0, 0), cell_);
    painter.fillRect(area, background);
    QFont font = font_;
    font.setBold(bold);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(area, Qt::AlignCenter, text);
    painter.end();
    return *pictures_.insert(key, image);
}

}  // namespace platform::dbcontrols
