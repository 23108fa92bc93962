#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// Whose days a summary covers: a team's members or one operator (exactly
/// one of `team` and `operatorCode` is set), of those who work at the
/// branch, over [from, to] (days, both included).
struct PeriodSummaryQuery {
    std::string branch;
    std::string team;
    std::string operatorCode;
    platform::dataset::DateTime from, to;
};

/// One operator's day that holds appropriations at the branch or punches.
struct DaySummary {
    std::string operatorCode, operatorName;
    platform::dataset::DateTime day;
    /// The rows with an end, summed; none when the day has no row at the branch.
    std::optional<std::int64_t> appropriatedSeconds;
    /// The punches paired as Presence pairs them (0 without a complete pair);
    /// none when the day has no punch.
    std::optional<std::int64_t> punchedSeconds;
    bool monthClosed = false;  ///< the operator's month of the day is closed at the branch
};

/// An operator a month's summary lists, whether or not he has days in it.
struct ListedOperator {
    std::string code, name;
    bool monthClosed = false;  ///< the month is closed for him at the branch
};

/// One operator's day of a period that holds a total: rows at the branch,
/// punches, or both (as DaySummary's).
struct DayCell {
    long long day = 0;  ///< its day number
    std::optional<std::int64_t> appropriatedSeconds, punchedSeconds;
};
using DayCells = std::vector<DayCell>;

/// A listed operator's part of a period's summary.
struct OperatorPeriod {
    std::string code, name;
    /// His days that hold a total, in order; never null (shared with a cache).
    std::shared_ptr<const DayCells> days;
    /// His closed months that meet the period at the branch: [first, last] day numbers.
    std::vector<std::pair<long long, long long>> closed;

    bool closedOn(long long day) const;
};

class PeriodCellCache;

/// The operators a summary of the month starting at `firstDay` lists: the
/// team's members who work at the branch, or the one operator when he
/// does; ordered by code (byte order), each with whether that month is
/// closed for him at the branch. `from` and `to` of the query are not read.
std::vector<ListedOperator> summaryOperators(const Database::Lease& db,
                                             const PeriodSummaryQuery& query,
                                             const platform::dataset::DateTime& firstDay);

/// The query's days, ordered by operator code (byte order) and day, of the
/// operators summaryOperators() lists. Four short reads, each prepared once
/// per session and each in its key's order: the listed operators, their
/// closings, and the day totals the database keeps of their appropriations
/// and of their punches (paired as Presence pairs them); the days are put
/// together here.
std::vector<DaySummary> periodSummary(const Database::Lease& db, const PeriodSummaryQuery& query);

/// The same days, by operator: each listed operator (ordered by code) with
/// his days and closed months. With a cache, the team's members are read
/// with their versions (operator_totals_versions, 0 without a row: moved by
/// every change to his day totals, name, branches or closed months), and a
/// member's part (or that he is not listed) is taken from the cache when it
/// holds it for the query's branch and period at his version; only the
/// others are read, after their versions (so that what is read after a
/// change never passes for the version before it), and kept there. The
/// membership is read every time. Not with a cache inside a transaction
/// that writes: a version it moved may yet be rolled back and given again
/// to other data.
std::vector<OperatorPeriod> periodByOperator(const Database::Lease& db,
                                             const PeriodSummaryQuery& query,
                                             PeriodCellCache* cache = nullptr);

/// The reads periodSummary() and periodByOperator() make.
enum class SummaryRead { Members, Operators, Closings, Appropriations, Punches };

/// The statement of one read, for a team or for one operator, with its
/// parameters named :w (the team or the operator), :b (the branch), :f and
/// :l (the first and the last day number), each read naming those it needs.
std::string periodSummarySql(bool byTeam, SummaryRead read);

}  // namespace appserver
