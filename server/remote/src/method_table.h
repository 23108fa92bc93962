#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "appserver/remote/call_args.h"
#include "appserver/remote/session_info.h"
#include "appserver/remote/work_team_cache.h"
#include "appserver/storage/database.h"
#include "call_context.h"
#include "protocol/method.h"

namespace appserver {

/// Who may call a method: anyone logged in, or only a user with the module's
/// screen permission; and whether it writes.
enum class Access { Open, Read, Write };

using Handler = std::string (*)(const CallContext&, const CallArgs&);

/// A method of the contract as the server runs it.
struct Route {
    const protocol::Method* method;
    Handler run;
    Access access;
};

/// One remote module as the server serves it: each method of its contract
/// paired with its handler and access, and the screen permission its Read
/// and Write methods need.
class MethodTable {
public:
    /// Throws std::logic_error for a method of the contract that has no route.
    MethodTable(const protocol::Module& module, std::string_view screen,
                std::span<const Route> routes);

    std::string_view name() const { return module_.name; }

    /// Runs `method` for the session, at the server's instant `now`, called
    /// from the client `address`. Returns the answer packet in wire form, or
    /// "null" for the methods that return no data. Throws ApiError.
    std::string call(Database& db, WorkTeamCache& teams, platform::dataset::DateTime now,
                     const SessionInfo& session, const std::string& address,
                     const std::string& method, std::vector<CallArg> args) const;

private:
    const protocol::Module& module_;
    std::string_view screen_;
    std::map<std::string_view, Route, protocol::MethodNameLess> routes_;
};

}  // namespace appserver
