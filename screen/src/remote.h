#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dataset/data_set.h"

namespace Cli_Zep00700 {

/// Calls a method of the server module by name, passes the result through
/// CheckResultServ (which throws for a failed call or a refused result) and
/// loads the returned packet whole into `into`.
inline void loadFromServer(framework::TNetConnection& connection, std::string_view method,
                           std::initializer_list<framework::RemoteArg> args,
                           platform::dataset::DataSet& into) {
    into.load(framework::CheckResultServ(
        connection.AppServer().call(method, std::vector<framework::RemoteArg>(args)), true, 0));
}

}  // namespace Cli_Zep00700
