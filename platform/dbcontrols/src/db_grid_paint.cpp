// Geometry and painting of DBGrid.
#include <QApplication>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QToolTip>

#include <algorithm>
#include <cstdlib>

#include "grid_editor.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dispatch.h"

namespace platform::dbcontrols {

namespace {
constexpr int kResizeMargin = 3;

// The grid's lines, one pixel wide, straight down or across, filled: the
// same pixels a one-pixel pen draws (both ends included), without the
// stroker a pen goes through, at a fraction of its cost for every cell.
void downLine(QPainter& painter, int x, int top, int bottom, const QColor& colour) {
    painter.fillRect(x, std::min(top, bottom), 1, std::abs(bottom - top) + 1, colour);
}

void acrossLine(QPainter& painter, int left, int right, int y, const QColor& colour) {
    painter.fillRect(std::min(left, right), y, std::abs(right - left) + 1, 1, colour);
}
constexpr int kButtonWidth = 16;
constexpr int kMinimumColumnWidth = 24;
constexpr int kTitleMargin = 2;
constexpr qreal kSmallestTitlePoints = 6.0;
constexpr qreal kSmallestTitleScale = 0.7;

/// Characters a field shows by default when it declares no display width.
int defaultDisplayChars(const platform::dataset::Field& field) {
    if (field.displayWidth() > 0) return field.displayWidth();
    switch (field.type()) {
        case platform::dataset::FieldType::String:
            return field.size();
        case platform::dataset::FieldType::DateTime:
            return 19;  // dd/mm/yyyy hh:nn:ss
        case platform::dataset::FieldType::Boolean:
            return 5;
        case platform::dataset::FieldType::Integer:
        case platform::dataset::FieldType::Float:
            return 10;
    }
    return 10;
}
}  // namespace

int DBGrid::defaultColumnWidth(const platform::dataset::Field* field, const QString& title) const {
    const QFontMetrics fm(font());
    int width = kMinimumColumnWidth;
    if (field)
        width = std::max(width,
                         defaultDisplayChars(*field) * fm.horizontalAdvance(QLatin1Char('0')) + 4);
    if (hasOption(Option::Titles)) width = std::max(width, fm.horizontalAdvance(title) + 4);
    return width;
}

int DBGrid::rowHeight() const {
    return QFontMetrics(font()).height() + 4;
}

int DBGrid::lineWidth() const {
    return hasOption(Option::ColLines) ? 1 : 0;
}

int DBGrid::rowStride() const {
    return rowHeight() + (hasOption(Option::RowLines) ? 1 : 0);
}

int DBGrid::titleHeight() const {
    return hasOption(Option::Titles) ? rowStride() : 0;
}

int DBGrid::columnWidth(int index) const {
    const auto i = static_cast<std::size_t>(index);
    return i < paintWidths_.size() ? paintWidths_[i] : column(index).width();
}

int DBGrid::columnLeft(int index) const {
    int x = -horizontalScrollBar()->value();
    const int line = lineWidth();
    for (int i = 0; i < index && i < columnCount(); ++i) x += columnWidth(i) + line;
    return x;
}

int DBGrid::totalWidth() const {
    return columnLeft(columnCount()) + horizontalScrollBar()->value();
}

int DBGrid::visibleRowCount() const {
    return std::max(1, (viewport()->height() - titleHeight()) / rowStride());
}

int DBGrid::topRow() const {
    return verticalScrollBar()->value();
}

QRect DBGrid::cellRect(int row, int index) const {
    if (row < 0 || row >= rowCount() || index < 0 || index >= columnCount()) return {};
    if (row < topRow() || row >= topRow() + visibleRowCount()) return {};
    const QRect rect(columnLeft(index), titleHeight() + (row - topRow()) * rowStride(),
                     column(index).width(), rowHeight());
    return rect.intersects(viewport()->rect()) ? rect : QRect();
}

bool DBGrid::columnShowsButton(int index) const {
    if (index < 0 || index >= columnCount() || index != selectedIndex_ || currentRow() < 0)
        return false;
    return column(index).buttonStyle() == ColumnButtonStyle::Ellipsis &&
           hasOption(Option::Editing) && !hasOption(Option::RowSelect) && !readOnly_;
}

QRect DBGrid::editButtonRect() const {
    if (!columnShowsButton(selectedIndex_)) return {};
    const QRect cell = cellRect(currentRow(), selectedIndex_);
    if (cell.isEmpty()) return {};
    const int width = std::min(kButtonWidth, cell.width());
    return QRect(cell.right() - width + 1, cell.top(), width, cell.height());
}

std::pair<int, int> DBGrid::cellAt(const QPoint& pos) const {
    if (pos.y() < titleHeight()) return {-1, -1};
    const int row = topRow() + (pos.y() - titleHeight()) / rowStride();
    if (row >= rowCount()) return {-1, -1};
    for (int i = 0; i < columnCount(); ++i) {
        const int left = columnLeft(i);
        if (pos.x() >= left && pos.x() < left + column(i).width() + lineWidth()) return {row, i};
    }
    return {-1, -1};
}

int DBGrid::resizeHandleAt(const QPoint& pos) const {
    if (!hasOption(Option::ColumnResize) || !hasOption(Option::Titles) || pos.y() >= titleHeight())
        return -1;
    for (int i = 0; i < columnCount(); ++i) {
        const int edge = columnLeft(i) + column(i).width();
        if (std::abs(pos.x() - edge) <= kResizeMargin) return i;
    }
    return -1;
}

void DBGrid::ensureCurrentVisible() {
    updateScrollBars();
    const int row = currentRow();
    if (row >= 0) {
        QScrollBar* v = verticalScrollBar();
        if (row < v->value())
            v->setValue(row);
        else if (row >= v->value() + visibleRowCount())
            v->setValue(row - visibleRowCount() + 1);
    }
    if (selectedIndex_ >= 0 && selectedIndex_ < columnCount()) {
        QScrollBar* h = horizontalScrollBar();
        const int left = columnLeft(selectedIndex_) + h->value();
        const int right = left + column(selectedIndex_).width();
        if (left < h->value())
            h->setValue(left);
        else if (right > h->value() + viewport()->width())
            h->setValue(std::min(left, right - viewport()->width()));
    }
}

void DBGrid::updateScrollBars() {
    verticalScrollBar()->setRange(0, std::max(0, rowCount() - visibleRowCount()));
    verticalScrollBar()->setPageStep(visibleRowCount());
    horizontalScrollBar()->setRange(0, std::max(0, totalWidth() - viewport()->width()));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
}

void DBGrid::refresh() {
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

void DBGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    refresh();
}

void DBGrid::scrollContentsBy(int, int) {
    placeEditor();
    viewport()->update();
}

DBGrid::DrawState DBGrid::drawStateOf(int row, int index) const {
    DrawState state;
    const bool currentCell =
        row == currentRow() && (index == selectedIndex_ || hasOption(Option::RowSelect));
    const bool gridHasFocus = hasFocus();
    const bool editorHasFocus = editorOpen_ && editor_->hasFocus();
    if (currentCell && (gridHasFocus || editorHasFocus || hasOption(Option::AlwaysShowSelection)))
        state |= DrawFlag::Selected;
    if (row == currentRow() && index == selectedIndex_ && gridHasFocus) state |= DrawFlag::Focused;
    return state;
}

std::optional<CellDrawing> DBGrid::cellDrawing(int row, int index) const {
    const auto it = drawings_.find({row, index});
    if (it == drawings_.end()) return std::nullopt;
    return it->second;
}

void DBGrid::defaultDrawColumnCell(Canvas& canvas, const QRect& rect, DBGridColumn& col,
                                   DrawState) {
    canvas.fillRect(rect);
    const platform::dataset::Field* field = col.field();
    canvas.textRect(rect, rect.left() + 2, rect.top() + 2,
                    field ? QString::fromStdString(field->displayText()) : QString());
}

void DBGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), cellColor());
    Canvas canvas(painter, &textLayouts_);
    if (event->rect().contains(viewport()->rect())) drawings_.clear();
    // Nothing a paint does changes a width; the handlers only draw.
    paintWidths_.clear();
    for (int i = 0; i < columnCount(); ++i) paintWidths_.push_back(column(i).width());
    const QScopeGuard widthsAsTheyChange([this] { paintWidths_.clear(); });
    if (hasOption(Option::Titles)) paintTitles(painter);
    paintRows(painter, canvas);
}

const DBGrid::TitleFit& DBGrid::titleFit(int index) const {
    if (titleFits_.size() != columns_.size()) titleFits_.resize(columns_.size());
    TitleFit& fit = titleFits_[static_cast<std::size_t>(index)];
    const DBGridColumn& col = column(index);
    const QFont base = font();
    if (fit.width == col.width() && fit.title == col.title() && fit.base == base) return fit;
    fit.width = col.width();
    fit.title = col.title();
    fit.base = base;
    fit.font = base;
    const int room = col.width() - 2 * kTitleMargin;
    const auto fits = [&](const QFont& f) {
        return QFontMetrics(f).horizontalAdvance(fit.title) <= room;
    };
    if (base.pointSizeF() > 0) {
        const qreal smallest =
            std::max(kSmallestTitlePoints, base.pointSizeF() * kSmallestTitleScale);
        while (!fits(fit.font) && fit.font.pointSizeF() - 0.5 >= smallest)
            fit.font.setPointSizeF(fit.font.pointSizeF() - 0.5);
    }
    fit.whole = fits(fit.font);
    return fit;
}

QFont DBGrid::titleFont(int index) const {
    return titleFit(index).font;
}

QString DBGrid::cutTitleAt(const QPoint& pos) const {
    if (!hasOption(Option::Titles) || pos.y() < 0 || pos.y() >= rowHeight()) return {};
    for (int i = 0; i < columnCount(); ++i) {
        const int left = columnLeft(i);
        if (pos.x() >= left && pos.x() < left + column(i).width())
            return titleFit(i).whole ? QString() : column(i).title();
    }
    return {};
}

bool DBGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString title = cutTitleAt(help->pos());
        if (title.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), title, viewport());
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void DBGrid::paintTitles(QPainter& painter) {
    const QColor face = palette().color(QPalette::Button);
    const QColor text = palette().color(QPalette::ButtonText);
    const QColor line = palette().color(QPalette::Mid);
    for (int i = 0; i < columnCount(); ++i) {
        const QRect rect(columnLeft(i), 0, columnWidth(i), rowHeight());
        if (!rect.intersects(viewport()->rect())) continue;
        painter.fillRect(rect, face);
        painter.setPen(text);
        painter.save();
        painter.setClipRect(rect);
        const TitleFit& fit = titleFit(i);
        painter.setFont(fit.font);
        const QRect room = rect.adjusted(kTitleMargin, 0, -kTitleMargin, 0);
        const QString shown =
            fit.whole ? fit.title
                      : QFontMetrics(fit.font).elidedText(fit.title, Qt::ElideRight, room.width());
        painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft, shown);
        painter.restore();
        downLine(painter, rect.right() + 1, rect.top(), rect.bottom() + 1, line);
        acrossLine(painter, rect.left(), rect.right() + 1, rect.bottom() + 1, line);
    }
}

void DBGrid::paintRows(QPainter& painter, Canvas& canvas) {
    platform::dataset::DataSet* ds = dataSet();
    if (!ds) return;
    const QColor line = palette().color(QPalette::Mid);
    const int last = std::min(rowCount(), topRow() + visibleRowCount() + 1);
    bool handlerFailed = false;
    for (int row = topRow(); row < last; ++row) {
        const int y = titleHeight() + (row - topRow()) * rowStride();
        auto shown = ds->showDisplayRow(row);
        for (int i = 0; i < columnCount(); ++i) {
            DBGridColumn& col = column(i);
            const QRect rect(columnLeft(i), y, columnWidth(i), rowHeight());
            if (!rect.intersects(viewport()->rect())) continue;
            const DrawState state = drawStateOf(row, i);
            const bool selected = state.testFlag(DrawFlag::Selected);
            canvas.beginCell(rect);
            canvas.setBrushColor(selected ? palette().color(QPalette::Highlight) : cellColor());
            canvas.setFontColor(selected ? palette().color(QPalette::HighlightedText)
                                         : palette().color(QPalette::Text));
            canvas.setFontBold(font().bold());
            // Under a handler the default drawing is held: a handler that
            // paints the whole cell over it (as they do) spares its text.
            const bool handled = onDrawColumnCell && !handlerFailed;
            canvas.holdDrawings(handled);
            if (defaultDrawing_) defaultDrawColumnCell(canvas, rect, col, state);
            canvas.holdDrawings(false);
            if (handled) {
                try {
                    onDrawColumnCell(*this, canvas, rect, i, col, state);
                } catch (...) {
                    // Not shown from inside the paint: a modal message here
                    // would paint again and fail again. Shown once, after it.
                    handlerFailed = true;
                    if (!drawReportPending_) {
                        drawReportPending_ = true;
                        QMetaObject::invokeMethod(
                            this,
                            [this, error = std::current_exception()] {
                                drawReportPending_ = false;
                                ui::reportException(error);
                            },
                            Qt::QueuedConnection);
                    }
                }
            }
            canvas.flushHeld();
            drawings_[{row, i}] = canvas.endCell();
            if (row == currentRow() && columnShowsButton(i))
                paintEditButton(painter, editButtonRect());
            if (hasOption(Option::ColLines))
                downLine(painter, rect.right() + 1, rect.top(), rect.bottom() + 1, line);
        }
        if (hasOption(Option::RowLines))
            acrossLine(painter, 0, std::min(totalWidth(), viewport()->width()), y + rowHeight(),
                       line);
    }
}

void DBGrid::paintEditButton(QPainter& painter, const QRect& rect) {
    if (rect.isEmpty()) return;
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect;
    option.text = QStringLiteral("...");
    option.state |= QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
}

}  // namespace platform::dbcontrols
