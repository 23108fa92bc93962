#include "framework/calendar.h"

#include <QDate>

#include <stdexcept>

#include "framework/errors.h"

namespace framework {

namespace {

QDate toQDate(const platform::dataset::DateTime& date) {
    return QDate(date.year, date.month, date.day);
}

platform::dataset::DateTime fromQDate(const QDate& date) {
    if (!date.isValid()) return {};
    return platform::dataset::DateTime::date(date.year(), date.month(), date.day());
}

// The platform grid reports bad arguments as std::invalid_argument; the
// screens expect the framework's error with the same (Portuguese) text.
template <typename Call>
auto asFrameworkError(Call call) {
    try {
        return call();
    } catch (const std::invalid_argument& e) {
        throw Error(std::string(e.what()));
    }
}

}  // namespace

TNCalendar::TNCalendar(QWidget* parent) : platform::dbcontrols::DBCalendar(parent) {
    onChange = [this](platform::dbcontrols::DBCalendar&) {
        if (OnChange) OnChange(*this);
    };
}

int TNCalendar::GetDateElement(int element) const {
    return asFrameworkError(
        [&] { return platform::dbcontrols::DBCalendar::GetDateElement(element); });
}

void TNCalendar::SetDateElement(int element, int value) {
    asFrameworkError([&] { platform::dbcontrols::DBCalendar::SetDateElement(element, value); });
}

platform::dataset::DateTime TNCalendar::CalendarDate() const {
    return fromQDate(date());
}

void TNCalendar::SetCalendarDate(const platform::dataset::DateTime& value) {
    const QDate day = toQDate(value);
    if (!value.isValid() || !day.isValid()) {
        throw Error(QStringLiteral("Data inválida para o calendário: \"%1\".")
                        .arg(QString::fromStdString(value.toDisplayDate())));
    }
    setDate(day);
}

void TNCalendar::SuspendChange() {
    if (!changeSuspended()) suspendChange();
}

void TNCalendar::ResumeChange() {
    while (changeSuspended()) resumeChange();
}

TNCalendar::ChangeSuspension::ChangeSuspension(TNCalendar& calendar)
    : calendar_(calendar), wasSuspended_(calendar.ChangeSuspended()) {
    calendar_.SuspendChange();
}

TNCalendar::ChangeSuspension::~ChangeSuspension() {
    if (!wasSuspended_) calendar_.ResumeChange();
}

void TNCalendar::SetToday(const platform::dataset::DateTime& value) {
    if (value.isZero()) {
        setToday(QDate());
        return;
    }
    const QDate day = toQDate(value);
    if (!value.isValid() || !day.isValid()) {
        throw Error(QStringLiteral("Data inválida para o dia de hoje do calendário: \"%1\".")
                        .arg(QString::fromStdString(value.toDisplayDate())));
    }
    setToday(day);
}

platform::dataset::DateTime TNCalendar::Today() const {
    return fromQDate(today());
}

void TNCalendar::SetStartOfWeek(int day) {
    asFrameworkError([&] { setStartOfWeek(day); });
}

TDBCalendar::TDBCalendar(QWidget* parent) : TNCalendar(parent) {}

bool TDBCalendar::IsMarked(const platform::dataset::DateTime& value) const {
    const QDate day = toQDate(value);
    return day.isValid() && isMarked(day);
}

}  // namespace framework
