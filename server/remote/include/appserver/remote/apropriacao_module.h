#pragma once

#include <nlohmann/json_fwd.hpp>

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

/// The remote module "Zep00700.rdmApropriacao": the methods of its contract
/// (protocol/apropriacao.h), each with its handler.
class ApropriacaoModule {
public:
    static constexpr const char* kScreenCode = "Zep00700";

    /// The module's name, as a call's "server" names it.
    static std::string_view serverName();

    ApropriacaoModule(Database& db, const ServerClock& clock, std::chrono::seconds workTeamAge)
        : db_(db), clock_(clock), teams_(workTeamAge) {}

    /// Runs `method` for the session, called from the client `address`.
    /// Returns the answer packet in wire form (JSON text), or "null" for the
    /// methods that return no data. Throws ApiError.
    std::string call(const SessionInfo& session, const std::string& address,
                     const std::string& method, std::vector<CallArg> args);

private:
    Database& db_;
    const ServerClock& clock_;
    WorkTeamCache teams_;
};

}  // namespace appserver
