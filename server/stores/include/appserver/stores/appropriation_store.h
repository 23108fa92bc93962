#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "appserver/storage/soci_includes.h"

#include "platform/dataset/datetime.h"

namespace appserver {

/// One recorded appropriation, with what the day's answer shows of its task and activity.
struct AppropriationRecord {
    std::int64_t id = 0;
    std::string operatorCode, branch, task, activity;
    platform::dataset::DateTime start;
    std::optional<platform::dataset::DateTime> end;
    platform::dataset::DateTime stampStart;
    std::optional<platform::dataset::DateTime> stampEnd;
    std::string description;
    // From the task and the activity (filled by reads only).
    std::string taskDescription, processName, situation;
};

struct PunchRecord {
    std::string company, operatorCode;
    platform::dataset::DateTime at;
    std::string direction, event;
    platform::dataset::DateTime day;
    std::string origin;
    /// Minutes east of UTC of `at`'s wall clock, when a time clock told it.
    std::optional<int> utcOffsetMinutes;
};

/// The name a write transaction locks (WriteTransaction::lockName) before it
/// changes an operator's rows or what governs them, such as his closed
/// months: two such transactions of one operator never interleave.
std::string operatorSaveLock(const std::string& op);

/// The operator's appropriations of one branch and day, ordered by start.
std::vector<AppropriationRecord> appropriationsOfDay(const Database::Lease& db,
                                                     const std::string& op,
                                                     const std::string& branch,
                                                     const platform::dataset::DateTime& day);
std::optional<AppropriationRecord> findAppropriation(soci::session& sql, std::int64_t id);
/// The operator's appropriations of the day (any branch when `branch` is
/// empty) whose span clashes with [start, end): recorded start < end and
/// recorded end > start. A row without end clashes when its start lies in
/// [start, end). `excludeId` (0 for none) is left out.
std::vector<AppropriationRecord> clashingAppropriations(const Database::Lease& db,
                                                        const std::string& op,
                                                        const std::string& branch,
                                                        const platform::dataset::DateTime& start,
                                                        const platform::dataset::DateTime& end,
                                                        std::int64_t excludeId);
/// The latest day before `day` that holds an appropriation with an end of
/// the operator at the branch (what a day can be copied from), or nothing.
std::optional<platform::dataset::DateTime> previousDayWithClosedAppropriations(
    const Database::Lease& db, const std::string& op, const std::string& branch,
    const platform::dataset::DateTime& day);
/// The distinct days of `year` that hold appropriations of the operator at the branch.
std::vector<platform::dataset::DateTime> daysWithAppropriations(const Database::Lease& db,
                                                                const std::string& op,
                                                                const std::string& branch,
                                                                int year);

std::int64_t insertAppropriation(soci::session& sql, const AppropriationRecord& r);
/// The same insert, prepared once per database session (the save path).
std::int64_t insertAppropriation(const Database::Lease& db, const AppropriationRecord& r);
void updateAppropriation(soci::session& sql, const AppropriationRecord& r);
void deleteAppropriation(soci::session& sql, std::int64_t id);

/// The operator's punches of the day, in the order numbered on import (the
/// true instants), then by time.
std::vector<PunchRecord> punchesOfDay(const Database::Lease& db, const std::string& op,
                                      const platform::dataset::DateTime& day);
void insertPunch(soci::session& sql, const PunchRecord& p);

}  // namespace appserver
