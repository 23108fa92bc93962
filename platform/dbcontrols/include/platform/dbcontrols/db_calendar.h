#pragma once

#include <QColor>
#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>
#include <set>

#include "platform/dbcontrols/export.h"
#include "platform/dbcontrols/field_link.h"

namespace platform::dataset {
class DataSource;
}

namespace platform::dbcontrols {

class CellTextCache;

/// A month calendar: seven columns (the first one the start of the week),
/// one row per week, the day numbers of the shown month. The shown month is
/// that of the chosen date. Days that the data set behind the data source
/// holds in its date field are marked (bold, in the mark colour when one is
/// set). The "current day" is a date the program gives (setToday: the
/// server's today), never the local clock; the calendar never moves by
/// itself.
///
/// Change event. onChange runs whenever the chosen date changes, by the
/// user (click, arrow keys: run through ui::dispatch(), so errors are shown) or
/// by code (setDate, SetDateElement: the handler's exception reaches the
/// caller), unless the event is suspended. suspendChange()/resumeChange()
/// nest as a counter; a change made while suspended is not replayed on
/// resume.
class PLATFORM_DBCONTROLS_EXPORT DBCalendar : public QWidget {
    Q_OBJECT
public:
    using ChangeEvent = std::function<void(DBCalendar& sender)>;

    explicit DBCalendar(QWidget* parent = nullptr);
    ~DBCalendar() override;

    void setDataSource(platform::dataset::DataSource* source);
    platform::dataset::DataSource* dataSource() const;
    /// The date(-time) field whose values mark days.
    void setDataField(const QString& fieldName);
    const QString& dataField() const { return link_.dataField(); }

    /// The chosen date (1 January 2000 until one is set).
    QDate date() const { return date_; }
    /// Throws std::invalid_argument for an invalid date.
    void setDate(const QDate& date);

    /// Year (1), month (2) or day (3) of the chosen date. Throws
    /// std::invalid_argument for another element number.
    int GetDateElement(int element) const;
    /// Sets the year (1, 1..9999), month (2, 1..12) or day (3, from 1) of the
    /// chosen date. A day the month lacks (and the day kept when the year or
    /// month changes to a shorter month) becomes the month's last day.
    /// Throws std::invalid_argument for another element or a value out of range.
    void SetDateElement(int element, int value);

    /// 0 = Sunday … 6 = Saturday.
    void setStartOfWeek(int day);
    int startOfWeek() const { return startOfWeek_; }
    /// Colour of the Sunday day numbers.
    void setHolidayColor(const QColor& color);
    QColor holidayColor() const { return holidayColor_; }
    /// Colour of marked days; invalid (the default): marked days keep their
    /// colour and are only bold.
    void setMarkColor(const QColor& color);
    QColor markColor() const { return markColor_; }
    /// The program's today (the server's date), framed when shown.
    void setToday(const QDate& today);
    QDate today() const { return today_; }
    void setShowCurrentDay(bool show);
    bool showCurrentDay() const { return showCurrentDay_; }

    /// The data set holds `date` in its date field.
    bool isMarked(const QDate& date) const;
    /// Colour and weight a day number is drawn in.
    QColor dayColor(const QDate& date) const;
    bool dayBold(const QDate& date) const;

    void suspendChange();
    void resumeChange();
    bool changeSuspended() const { return suspended_ > 0; }

    /// Suspends the change event for the life of a scope.
    class SuspendedChange {
    public:
        explicit SuspendedChange(DBCalendar& calendar) : calendar_(calendar) {
            calendar_.suspendChange();
        }
        ~SuspendedChange() { calendar_.resumeChange(); }
        SuspendedChange(const SuspendedChange&) = delete;
        SuspendedChange& operator=(const SuspendedChange&) = delete;

    private:
        DBCalendar& calendar_;
    };

    /// Rectangle of a day of the shown month; empty for other dates.
    QRect dayRect(const QDate& date) const;
    /// Chooses a day of the shown month as a click does: the calendar takes
    /// the focus first (through the focus manager, whose exit handlers may
    /// refuse, and then nothing is chosen), then the day (through dispatch).
    void clickDay(const QDate& date);

    ChangeEvent onChange;

    /// The font the weekday initials and day numbers are drawn in: the
    /// calendar's own, made smaller until a two-digit day in bold leaves a
    /// gap of its cell on each side (at 6 points it stops shrinking).
    QFont dayFont() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reloadMarks();
    void changeDate(const QDate& date);
    void chooseByUser(const QDate& date);
    int columnOf(const QDate& date) const;
    QRect cellRect(int row, int column) const;
    /// Rectangle of `date` when the calendar shows the month of `shown`.
    QRect dayRectIn(const QDate& shown, const QDate& date) const;

    FieldLink link_;
    QDate date_{2000, 1, 1};
    QDate today_;
    int startOfWeek_ = 0;
    QColor holidayColor_{Qt::red};
    QColor markColor_;
    bool showCurrentDay_ = true;
    int suspended_ = 0;
    std::set<qint64> marks_;  // Julian day numbers
    /// A day of the month last drawn: the one the user sees and clicks on.
    QDate drawnMonth_;
    /// The weekday initials and day numbers, drawn once in their cells.
    std::unique_ptr<CellTextCache> cellTexts_;
};

}  // namespace platform::dbcontrols
