#include "appserver/remote/remote_modules.h"

#include <fmt/format.h>

#include "appserver/remote/api_error.h"
#include "apropriacao_methods.h"
#include "protocol/apropriacao.h"
#include "protocol/resumo.h"
#include "resumo_methods.h"

namespace appserver {

std::vector<std::string_view> RemoteModules::names() {
    return {protocol::apropriacao::module.name, protocol::resumo::module.name};
}

std::string RemoteModules::call(const SessionInfo& session, const std::string& address,
                                const std::string& server, const std::string& method,
                                std::vector<CallArg> args) {
    const MethodTable* table = nullptr;
    if (server == protocol::apropriacao::module.name)
        table = &apropriacaoMethods();
    else if (server == protocol::resumo::module.name)
        table = &resumoMethods();
    else
        throw ApiError(ErrorCode::NotFound, fmt::format("Servidor \"{}\" não existe.", server));
    return table->call(db_, teams_, clock_.now(), session, address, method, std::move(args));
}

}  // namespace appserver
