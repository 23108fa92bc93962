#pragma once

#include <QColor>

#include <functional>

#include "framework/export.h"
#include "platform/dataset/datetime.h"
#include "platform/dbcontrols/db_calendar.h"

namespace platform::dataset {
class DataSource;
}

namespace framework {

/// The framework's month calendar: the platform's month grid with the
/// screens' way of driving it.
///
/// Change event. OnChange runs when the chosen day changes, by the user or
/// by code, unless it is suspended. SuspendChange/ResumeChange are a switch,
/// not a counter: one ResumeChange resumes however many SuspendChange calls
/// came before it, so that a load that failed half-way (leaving the event
/// suspended) is undone by the next load that completes. Code that must
/// leave the state as it found it uses ChangeSuspension.
///
/// Today. The day framed as "today" is only ever the date the program gives
/// with SetToday (the screens pass the server's date); until then no day is
/// framed. The calendar never reads the local clock and never moves by itself.
///
/// Dates are the data sets' civil dates: year (element 1), month (2), day (3).
class FRAMEWORK_EXPORT TNCalendar : public platform::dbcontrols::DBCalendar {
    Q_OBJECT
public:
    using ChangeEvent = std::function<void(TNCalendar& sender)>;

    explicit TNCalendar(QWidget* parent = nullptr);

    /// Year (1), month (2) or day (3) of the chosen date. Throws
    /// framework::Error for another element number.
    int GetDateElement(int element) const;
    /// Sets the year (1), month (2) or day (3); a day the month lacks becomes
    /// its last day. Raises OnChange when the date changed and the event is
    /// not suspended (the handler's exception reaches the caller). Throws
    /// framework::Error for another element or a value out of range.
    void SetDateElement(int element, int value);

    /// The chosen date (time 00:00:00).
    platform::dataset::DateTime CalendarDate() const;
    /// Chooses `date` (its date part); throws framework::Error for an invalid date.
    void SetCalendarDate(const platform::dataset::DateTime& date);

    void SuspendChange();
    void ResumeChange();
    bool ChangeSuspended() const { return changeSuspended(); }

    /// Suspends the change event for its lifetime and then puts it back as
    /// it was (still suspended when it was suspended before).
    class FRAMEWORK_EXPORT ChangeSuspension {
    public:
        explicit ChangeSuspension(TNCalendar& calendar);
        ~ChangeSuspension();
        ChangeSuspension(const ChangeSuspension&) = delete;
        ChangeSuspension& operator=(const ChangeSuspension&) = delete;

    private:
        TNCalendar& calendar_;
        bool wasSuspended_;
    };

    /// The day framed as today: the date part of `today` (the server's
    /// date). The zero date frames no day.
    void SetToday(const platform::dataset::DateTime& today);
    /// The date given to SetToday, or the zero date.
    platform::dataset::DateTime Today() const;

    /// Colour of the Sunday day numbers (red by default).
    void SetHolidayColor(const QColor& color) { setHolidayColor(color); }
    QColor HolidayColor() const { return holidayColor(); }
    /// First column of the week: 0 = Sunday … 6 = Saturday. Throws
    /// framework::Error for another value.
    void SetStartOfWeek(int day);
    int StartOfWeek() const { return startOfWeek(); }

    ChangeEvent OnChange;
};

/// The calendar bound to a date field of a data source: the days that the
/// data set behind the source holds in that field are marked (bold, in the
/// mark colour when one is set). The marks follow the data set as it loads,
/// changes and closes.
class FRAMEWORK_EXPORT TDBCalendar : public TNCalendar {
    Q_OBJECT
public:
    explicit TDBCalendar(QWidget* parent = nullptr);

    /// Not owned; null unbinds.
    void SetDataSource(platform::dataset::DataSource* source) { setDataSource(source); }
    platform::dataset::DataSource* DataSource() const { return dataSource(); }
    void SetDataField(const QString& fieldName) { setDataField(fieldName); }
    const QString& DataField() const { return dataField(); }

    /// The data set holds `date` (its date part) in the date field.
    bool IsMarked(const platform::dataset::DateTime& date) const;
};

}  // namespace framework
