#include "platform/dbcontrols/db_calendar.h"

#include "cell_text_cache.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <stdexcept>

#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dbcontrols/focus_lookup.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace platform::dbcontrols {

namespace {
constexpr int kColumns = 7;
constexpr int kWeekRows = 6;
// Initials of Sunday … Saturday.
const char* const kWeekdayInitials[kColumns] = {"D", "S", "T", "Q", "Q", "S", "S"};
// Two-digit days must read apart: each keeps this much of its cell clear on both sides.
constexpr int kDayGap = 2;
constexpr qreal kSmallestDayPoints = 6.0;

int qtToSundayBased(int qtDayOfWeek) {
    return qtDayOfWeek % 7;
}  // Qt: Monday 1 … Sunday 7
}  // namespace

DBCalendar::DBCalendar(QWidget* parent)
    : QWidget(parent),
      link_({.activeChanged = [this] { reloadMarks(); },
             .dataSetChanged = [this] { reloadMarks(); },
             .recordChanged = [this](platform::dataset::Field*) { reloadMarks(); }}),
      cellTexts_(std::make_unique<CellTextCache>()) {
    setFocusPolicy(Qt::StrongFocus);
}

DBCalendar::~DBCalendar() {
    link_.setDataSource(nullptr);
}

void DBCalendar::setDataSource(platform::dataset::DataSource* source) {
    link_.setDataSource(source);
    reloadMarks();
}

platform::dataset::DataSource* DBCalendar::dataSource() const {
    return link_.dataSource();
}

void DBCalendar::setDataField(const QString& fieldName) {
    link_.setDataField(fieldName);
    reloadMarks();
}

void DBCalendar::reloadMarks() {
    marks_.clear();
    platform::dataset::DataSet* ds = link_.openDataSet();
    platform::dataset::Field* field = link_.field();
    if (field) {
        // Read every row without moving the cursor (no scroll events).
        for (int row = 0; row < ds->displayRowCount(); ++row) {
            auto shown = ds->showDisplayRow(row);
            if (field->isNull()) continue;
            const platform::dataset::DateTime value = field->asDateTime();
            const QDate day(value.year, value.month, value.day);
            if (day.isValid()) marks_.insert(day.toJulianDay());
        }
    }
    update();
}

bool DBCalendar::isMarked(const QDate& date) const {
    return marks_.count(date.toJulianDay()) > 0;
}

void DBCalendar::setDate(const QDate& date) {
    if (!date.isValid()) throw std::invalid_argument("Data inválida para o calendário.");
    changeDate(date);
}

void DBCalendar::changeDate(const QDate& date) {
    if (date == date_) return;
    date_ = date;
    update();
    if (!changeSuspended() && onChange) onChange(*this);
}

void DBCalendar::chooseByUser(const QDate& date) {
    if (!date.isValid() || date == date_) return;
    ui::dispatch([&] { changeDate(date); });
}

int DBCalendar::GetDateElement(int element) const {
    switch (element) {
        case 1:
            return date_.year();
        case 2:
            return date_.month();
        case 3:
            return date_.day();
        default:
            throw std::invalid_argument("Elemento de data inválido: " + std::to_string(element));
    }
}

void DBCalendar::SetDateElement(int element, int value) {
    int year = date_.year();
    int month = date_.month();
    int day = date_.day();
    switch (element) {
        case 1:
            if (value < 1 || value > 9999)
                throw std::invalid_argument("Ano inválido: " + std::to_string(value));
            year = value;
            break;
        case 2:
            if (value < 1 || value > 12)
                throw std::invalid_argument("Mês inválido: " + std::to_string(value));
            month = value;
            break;
        case 3:
            if (value < 1) throw std::invalid_argument("Dia inválido: " + std::to_string(value));
            day = value;
            break;
        default:
            throw std::invalid_argument("Elemento de data inválido: " + std::to_string(element));
    }
    day = std::min(day, QDate(year, month, 1).daysInMonth());
    changeDate(QDate(year, month, day));
}

void DBCalendar::setStartOfWeek(int day) {
    if (day < 0 || day > 6)
        throw std::invalid_argument("Início da semana inválido: " + std::to_string(day));
    startOfWeek_ = day;
    update();
}

void DBCalendar::setHolidayColor(const QColor& color) {
    holidayColor_ = color;
    update();
}

void DBCalendar::setMarkColor(const QColor& color) {
    markColor_ = color;
    update();
}

void DBCalendar::setToday(const QDate& today) {
    today_ = today;
    update();
}

void DBCalendar::setShowCurrentDay(bool show) {
    showCurrentDay_ = show;
    update();
}

void DBCalendar::suspendChange() {
    ++suspended_;
}

void DBCalendar::resumeChange() {
    if (suspended_ > 0) --suspended_;
}

QColor DBCalendar::dayColor(const QDate& date) const {
    if (isMarked(date) && markColor_.isValid()) return markColor_;
    if (qtToSundayBased(date.dayOfWeek()) == 0) return holidayColor_;
    return palette().color(QPalette::WindowText);
}

bool DBCalendar::dayBold(const QDate& date) const {
    return isMarked(date);
}

int DBCalendar::columnOf(const QDate& date) const {
    return (qtToSundayBased(date.dayOfWeek()) - startOfWeek_ + kColumns) % kColumns;
}

QRect DBCalendar::cellRect(int row, int column) const {
    const int w = width() / kColumns;
    const int h = height() / (kWeekRows + 1);
    return QRect(column * w, row * h, w, h);
}

QRect DBCalendar::dayRect(const QDate& date) const {
    return dayRectIn(date_, date);
}

QRect DBCalendar::dayRectIn(const QDate& shown, const QDate& date) const {
    if (!date.isValid() || date.year() != shown.year() || date.month() != shown.month()) return {};
    const int index = columnOf(QDate(date.year(), date.month(), 1)) + date.day() - 1;
    return cellRect(1 + index / kColumns, index % kColumns);
}

void DBCalendar::clickDay(const QDate& date) {
    if (dayRect(date).isEmpty()) return;
    if (!hasFocus() && focusPolicy() != Qt::NoFocus) {
        if (ui::FocusManager* manager = findFocusManager(this)) {
            if (!manager->setFocusTo(this, Qt::MouseFocusReason)) return;
        } else {
            setFocus(Qt::MouseFocusReason);
        }
    }
    chooseByUser(date);
}

QSize DBCalendar::sizeHint() const {
    const QFontMetrics fm(font());
    return {kColumns * (fm.horizontalAdvance(QStringLiteral("00")) + 6),
            (kWeekRows + 1) * (fm.height() + 2)};
}

QFont DBCalendar::dayFont() const {
    QFont fitted = font();
    if (fitted.pointSizeF() <= 0) return fitted;
    const QRect cell = cellRect(0, 0);
    const auto fits = [&cell](QFont f) {
        f.setBold(true);
        const QFontMetrics fm(f);
        return fm.horizontalAdvance(QStringLiteral("00")) + 2 * kDayGap <= cell.width() &&
               fm.height() <= cell.height();
    };
    while (!fits(fitted) && fitted.pointSizeF() - 0.5 >= kSmallestDayPoints)
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    return fitted;
}

void DBCalendar::paintEvent(QPaintEvent*) {
    drawnMonth_ = date_;
    QPainter painter(this);
    const QColor base = palette().color(QPalette::Base);
    painter.fillRect(rect(), base);
    const QFont fitted = dayFont();
    // Every cell is of one size: its texts are drawn once and copied after.
    cellTexts_->prepare(cellRect(0, 0).size(), fitted, devicePixelRatio());
    for (int c = 0; c < kColumns; ++c) {
        const int weekday = (c + startOfWeek_) % kColumns;
        painter.drawImage(
            cellRect(0, c).topLeft(),
            cellTexts_->picture(
                QString::fromLatin1(kWeekdayInitials[weekday]), fitted.bold(),
                weekday == 0 ? holidayColor_ : palette().color(QPalette::WindowText), base));
    }
    for (int day = 1; day <= date_.daysInMonth(); ++day) {
        const QDate d(date_.year(), date_.month(), day);
        const QRect r = dayRect(d);
        const QColor background =
            d == date_ ? palette().color(hasFocus() ? QPalette::Highlight : QPalette::Midlight)
                       : base;
        const QColor colour =
            d == date_ && hasFocus() ? palette().color(QPalette::HighlightedText) : dayColor(d);
        painter.drawImage(
            r.topLeft(), cellTexts_->picture(QString::number(day), dayBold(d), colour, background));
        if (showCurrentDay_ && d == today_) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
}

void DBCalendar::mousePressEvent(QMouseEvent* event) {
    // The day under the pointer in the month the user saw: what the press
    // set off before it arrived here (the focus leaving another control,
    // whose handlers may move the calendar) does not change what was aimed at.
    const QDate shown = drawnMonth_.isValid() ? drawnMonth_ : date_;
    const QPoint pos = event->position().toPoint();
    for (int day = 1; day <= shown.daysInMonth(); ++day) {
        const QDate d(shown.year(), shown.month(), day);
        if (dayRectIn(shown, d).contains(pos)) {
            chooseByUser(d);
            return;
        }
    }
}

void DBCalendar::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            step = -1;
            break;
        case Qt::Key_Right:
            step = 1;
            break;
        case Qt::Key_Up:
            step = -kColumns;
            break;
        case Qt::Key_Down:
            step = kColumns;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
    const QDate target = date_.addDays(step);
    // The keys move within the shown month, as its grid does.
    if (target.month() == date_.month() && target.year() == date_.year()) chooseByUser(target);
}

}  // namespace platform::dbcontrols
