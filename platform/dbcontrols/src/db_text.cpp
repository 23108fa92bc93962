#include "platform/dbcontrols/db_text.h"

#include <QPainter>
#include <QStyle>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"

namespace platform::dbcontrols {

namespace {
/// What a label without a size of its own asks its layout for: one line of
/// its font, as wide as a few characters.
constexpr int kHintChars = 10;
}  // namespace

DBText::DBText(QWidget* parent)
    : QFrame(parent),
      link_({.activeChanged = [this] { load(); },
             .dataSetChanged = [this] { load(); },
             .dataSetScrolled = [this] { load(); },
             .recordChanged = [this](platform::dataset::Field*) { load(); }}) {}

DBText::~DBText() {
    link_.setDataSource(nullptr);
}

void DBText::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    load();
}

platform::dataset::DataSource* DBText::dataSource() const {
    return link_.dataSource();
}

void DBText::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    load();
}

platform::dataset::Field* DBText::field() const {
    return link_.field();
}

void DBText::setAlignment(Qt::Alignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    update();
}

QSize DBText::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    const QMargins margins = contentsMargins();
    return {kHintChars * metrics.averageCharWidth() + margins.left() + margins.right(),
            metrics.height() + margins.top() + margins.bottom()};
}

QSize DBText::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

void DBText::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (text_.isEmpty()) return;
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    style()->drawItemText(&painter, contentsRect(),
                          static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment_)),
                          palette(), isEnabled(), text_, foregroundRole());
}

void DBText::load() {
    const platform::dataset::Field* f = field();
    QString text = f ? QString::fromStdString(f->displayText()) : QString();
    if (text == text_) return;
    text_ = std::move(text);
    update();
}

}  // namespace platform::dbcontrols
