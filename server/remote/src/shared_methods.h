#pragma once

#include <string>

#include "appserver/remote/call_args.h"
#include "call_context.h"

/// The handlers of the methods every screen's module has with the same
/// arguments and answer (protocol/src/common_fields.h). Each answers for the
/// module called: the access check is of that module's screen.
namespace appserver {

/// The arguments (filial, usuário) that open GetCtrlAcesso and the summary's
/// GetCtrlFechamento and GetEquipes: `403` unless both are the session's.
/// The user.
const std::string& requireSessionBranchAndUser(const CallContext& ctx, const CallArgs& a);

/// GetCtrlAcesso(filial, usuário): one row when the user may use the module's screen at the branch.
std::string getCtrlAcesso(const CallContext& ctx, const CallArgs& a);
/// getHoraServidor(): the server's instant.
std::string getHoraServidor(const CallContext& ctx, const CallArgs& a);
/// GetOperEquip(usuário, código, tipo): the user's work team, or one operator of it.
std::string getOperEquip(const CallContext& ctx, const CallArgs& a);

}  // namespace appserver
