#pragma once

#include <set>
#include <string>

#include "database.h"
#include "dataset/datetime.h"
#include "session_store.h"

namespace appserver {

/// What one remote call runs with: the caller's session, a borrowed database
/// session and the server's "now", read once per call.
struct CallContext {
    CallContext(const SessionInfo& s, const Database::Lease& lease, dataset::DateTime at) : session(s), db(lease), now(at) {}

    const SessionInfo& session;
    const Database::Lease& db;
    dataset::DateTime now;

    soci::session& sql() const { return db.sql(); }

    /// 403 unless `user` is the logged-in user.
    void requireSessionUser(const std::string& user) const;
    /// 403 unless `branch` is the session's branch.
    void requireSessionBranch(const std::string& branch) const;
    /// 403 unless `op` belongs to the logged-in user's work team. An operator
    /// found in the team is remembered for the rest of the call, which may
    /// name him once per changed row.
    void requireWorkTeam(const std::string& op) const;

private:
    mutable std::set<std::string> teamChecked_;
};

}  // namespace appserver
