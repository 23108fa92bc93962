#pragma once

#include <initializer_list>
#include <vector>

#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dataset/data_set.h"
#include "protocol/apropriacao.h"

namespace Cli_Zep00700 {

namespace apropriacao = protocol::apropriacao;

/// Calls a method of the server module, passes the result through
/// CheckResultServ (which throws for a failed call or a refused result) and
/// loads the returned packet whole into `into`.
inline void loadFromServer(framework::TNetConnection& connection, const protocol::Method& method,
                           std::initializer_list<framework::RemoteArg> args,
                           platform::dataset::DataSet& into) {
    into.load(framework::CheckResultServ(
        connection.AppServer().call(method, std::vector<framework::RemoteArg>(args)), true, 0));
}

}  // namespace Cli_Zep00700
