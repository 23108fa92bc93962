#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/remote/call_args.h"
#include "appserver/remote/server_clock.h"
#include "appserver/remote/session_info.h"
#include "appserver/remote/work_team_cache.h"
#include "appserver/storage/database.h"

namespace appserver {

/// The remote modules this server serves, each the methods of its contract
/// (protocol/) with their handlers: "Zep00700.rdmApropriacao", the
/// appropriation screen's, and "Zep00710.rdmResumo", the summary screen's.
/// They share the sessions and the cache of work teams.
class RemoteModules {
public:
    RemoteModules(Database& db, const ServerClock& clock, std::chrono::seconds workTeamAge)
        : db_(db), clock_(clock), teams_(workTeamAge) {}

    /// The modules' names, as a call's "server" names them.
    static std::vector<std::string_view> names();

    /// Runs `method` of the module `server` for the session, called from the
    /// client `address`. Returns the answer packet in wire form (JSON text),
    /// or "null" for the methods that return no data. Throws ApiError
    /// (not found for a server or method that does not exist).
    std::string call(const SessionInfo& session, const std::string& address,
                     const std::string& server, const std::string& method,
                     std::vector<CallArg> args);

private:
    Database& db_;
    const ServerClock& clock_;
    WorkTeamCache teams_;
};

}  // namespace appserver
