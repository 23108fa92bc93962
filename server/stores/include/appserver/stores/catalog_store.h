#pragma once

#include <optional>
#include <string>
#include <vector>

#include "appserver/storage/database.h"
#include "appserver/storage/soci_includes.h"

namespace appserver {

/// Tasks and their activities, per branch.
struct TaskRecord {
    std::string branch, task, description, project, baseline, processCode, processName;
};

struct ActivityRecord {
    std::string branch, task, activity, processCode, processName, situation, workItemCode,
        workItemName, responsible;
};

std::vector<TaskRecord> tasksOfBranch(const Database::Lease& db, const std::string& branch);
std::optional<TaskRecord> findTask(const Database::Lease& db, const std::string& branch,
                                   const std::string& task);
std::optional<ActivityRecord> findActivity(const Database::Lease& db, const std::string& branch,
                                           const std::string& task, const std::string& activity);
/// An activity, and whether it is open to an operator (an activity with no
/// operators listed is open to everyone).
struct ActivityCheck {
    std::optional<ActivityRecord> activity;  ///< none: not in that task
    bool openToOperator = false;
};
ActivityCheck checkActivity(const Database::Lease& db, const std::string& branch,
                            const std::string& task, const std::string& activity,
                            const std::string& op);
/// The task's activities open to `op`, ordered by number.
std::vector<ActivityRecord> activitiesOpenTo(const Database::Lease& db, const std::string& branch,
                                             const std::string& task, const std::string& op);
/// Moves the activity's situation from "P" to "A"; any other situation stays.
/// True when it moved.
bool markActivityStarted(soci::session& sql, const std::string& branch, const std::string& task,
                         const std::string& activity);

}  // namespace appserver
