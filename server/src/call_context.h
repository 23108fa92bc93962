#pragma once

#include <string>

#include "database.h"
#include "dataset/datetime.h"
#include "session_store.h"
#include "work_team_cache.h"

namespace appserver {

/// What one remote call runs with: the caller's session, a borrowed database
/// session and the server's "now", read once per call.
struct CallContext {
    CallContext(const SessionInfo& s, const Database::Lease& lease, dataset::DateTime at, WorkTeamCache& teams)
        : session(s), db(lease), now(at), teams_(teams) {}

    const SessionInfo& session;
    const Database::Lease& db;
    dataset::DateTime now;

    soci::session& sql() const { return db.sql(); }

    /// 403 unless `user` is the logged-in user.
    void requireSessionUser(const std::string& user) const;
    /// 403 unless `branch` is the session's branch.
    void requireSessionBranch(const std::string& branch) const;
    /// 403 unless `op` belongs to the logged-in user's work team.
    void requireWorkTeam(const std::string& op) const;
    /// The logged-in user's work team, read once per call at most.
    const WorkTeam& workTeam() const;

private:
    WorkTeamCache& teams_;
    mutable std::shared_ptr<const WorkTeam> team_;
};

}  // namespace appserver
