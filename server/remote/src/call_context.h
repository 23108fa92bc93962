#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "appserver/remote/session_info.h"
#include "appserver/remote/work_team_cache.h"
#include "appserver/storage/database.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// What one remote call runs with: the caller's session and address, a
/// borrowed database session and the server's "now", read once per call. A call that writes
/// runs inside `tx`, and reads the user's work team afresh inside it; the
/// cache of teams serves the calls that only read.
struct CallContext {
    CallContext(const SessionInfo& s, const std::string& from, const Database::Lease& lease,
                platform::dataset::DateTime at, WorkTeamCache& teams, std::string_view screenCode,
                WriteTransaction* write = nullptr)
        : session(s),
          address(from),
          db(lease),
          now(at),
          screen(screenCode),
          tx(write),
          teams_(teams) {}

    const SessionInfo& session;
    const std::string& address;  ///< the client's, as the HTTP layer saw it
    const Database::Lease& db;
    platform::dataset::DateTime now;
    std::string_view screen;     ///< the permission the called module's screen needs
    WriteTransaction* const tx;  ///< null for a call that only reads

    soci::session& sql() const { return db.sql(); }

    /// 403 unless `user` is the logged-in user.
    void requireSessionUser(const std::string& user) const;
    /// 403 unless `branch` is the session's branch.
    void requireSessionBranch(const std::string& branch) const;
    /// 403 unless `op` belongs to the logged-in user's work team (a writing
    /// call asks the database, inside its transaction).
    void requireWorkTeam(const std::string& op) const;
    /// 403 unless the user may use the module's screen at the session's branch.
    void requireScreen() const;
    /// Whether the user has the permission `screenCode` at the session's
    /// branch (read afresh inside a writing call, else within the cache's age).
    bool userMayUse(std::string_view screenCode) const;
    /// The logged-in user's work team, read once per call at most (from the
    /// cache for a call that only reads).
    const WorkTeam& workTeam() const;

private:
    WorkTeamCache& teams_;
    mutable std::shared_ptr<const WorkTeam> team_;
    mutable std::map<std::string, bool>
        checkedMembers_;  ///< a writing call's answers of inWorkTeam()
};

}  // namespace appserver
