#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

/// The query's days, ordered by operator code (byte order) and day: one
/// statement for the whole period and every operator, prepared once per
/// session, over the indexes the day's reads use (operator and day first).
std::vector<DaySummary> periodSummary(const Database::Lease& db, const PeriodSummaryQuery& query);

/// The statement periodSummary() runs, for a team or for one operator, with
/// its parameters in the order it binds them: the team or the operator, the
/// branch, the first and the last day number (each arm repeats them).
std::string periodSummarySql(DatabaseKind kind, bool byTeam);

}  // namespace appserver
