#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/dataset/datetime.h"
#include "platform/dataset/packet.h"

namespace Cli_Zep00710 {

/// One operator's day: the appropriated and the punched time in seconds,
/// each absent when the day has no row, or no punch.
struct DayFigures {
    std::optional<std::int64_t> appropriated;
    std::optional<std::int64_t> punched;

    bool empty() const { return !appropriated && !punched; }
    /// Appropriated minus punched, an absent time counting as none.
    std::int64_t difference() const { return appropriated.value_or(0) - punched.value_or(0); }
};

/// How a day cell is coloured: the appropriated time short of the punched,
/// or beyond it, by more than the tolerance; or within it.
enum class DayTone { WithinTolerance, Short, Over };

/// The tolerance between appropriated and punched time: 10 minutes.
inline constexpr std::int64_t kToleranceSeconds = 10 * 60;

/// "-4:39", "+0:30" or "0:00": the day's difference to the minute, the
/// seconds dropped; empty for a day with neither rows nor punches.
QString dayCellText(const DayFigures& day);
DayTone dayTone(const DayFigures& day);
/// The day has punches and no appropriation at all.
bool punchedWithoutRows(const DayFigures& day);
/// Hours and minutes with as many hour digits as needed, seconds dropped:
/// "176:00", "3:30", "-4:39".
QString totalText(std::int64_t seconds);
/// Seconds of a "HH:MM:SS" text; nullopt for an empty one. Throws
/// framework::Error for a text that is not a duration.
std::optional<std::int64_t> durationSeconds(const QString& text);

/// One operator's month: his days (by day of the month) and whether the
/// month is closed for him.
struct OperatorMonth {
    QString code;
    QString name;
    bool closed = false;
    std::map<int, DayFigures> days;

    std::int64_t appropriatedTotal() const;
    std::int64_t punchedTotal() const;
    /// The figures of `day`; empty ones when the day has neither.
    DayFigures day(int dayOfMonth) const;
};

/// An operator the month lists whether or not he has days in it.
struct Member {
    QString code;
    QString name;
    bool closed = false;  ///< the month is closed for him
};

/// The rows of GetOperadoresResumo (CDOPERADOR, NMOPERADOR, IDFECHADO).
std::vector<Member> membersOf(const platform::dataset::DataPacket& packet);

/// A team's or an operator's month, one entry per operator, ordered by code,
/// built from the rows of GetResumoPeriodo (one per operator and day) and
/// the operators it must list even without a day (GetOperadoresResumo's).
class MonthSummary {
public:
    MonthSummary() = default;
    /// `firstDay` is the month's first day; rows of other months are refused.
    /// Each of `members` has an entry, empty when the period has no day of
    /// his; an operator of the period missing from them has one too.
    MonthSummary(const platform::dataset::DataPacket& period,
                 const platform::dataset::DateTime& firstDay,
                 const std::vector<Member>& members = {});

    const platform::dataset::DateTime& firstDay() const { return firstDay_; }
    int daysInMonth() const;
    const std::vector<OperatorMonth>& operators() const { return operators_; }
    /// nullptr when the operator has no row in the month.
    const OperatorMonth* find(const QString& code) const;

    /// The grid's rows: CDOPERADOR, NMOPERADOR, D01 … Dnn (the days the
    /// month has, as dayCellText), TOTAPRO, TOTPONTO, TOTDIFER (totalText)
    /// and IDFECHADO ("S" or "N").
    platform::dataset::DataPacket gridPacket() const;

private:
    /// The period's rows into the operators' months (refusing another month's).
    void addPeriod(const platform::dataset::DataPacket& period,
                   std::map<QString, OperatorMonth>& byCode) const;

    platform::dataset::DateTime firstDay_;
    std::vector<OperatorMonth> operators_;
};

/// "D01" … "D31".
QString dayFieldName(int dayOfMonth);
/// The day of the month of a "Dnn" field, or 0 for any other field.
int dayOfField(const QString& fieldName);

}  // namespace Cli_Zep00710
