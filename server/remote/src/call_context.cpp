#include "call_context.h"

#include "appserver/remote/api_error.h"
#include "appserver/stores/directory_store.h"

namespace appserver {

void CallContext::requireSessionUser(const std::string& user) const {
    if (user != session.user) throw forbidden("O usuário informado não é o usuário conectado.");
}

void CallContext::requireSessionBranch(const std::string& branch) const {
    if (branch != session.branch) throw forbidden("A filial informada não é a filial da conexão.");
}

const WorkTeam& CallContext::workTeam() const {
    if (!team_)
        team_ = tx ? std::make_shared<const WorkTeam>(appserver::workTeam(db.sql(), session.user))
                   : teams_.teamOf(db, session.user);
    return *team_;
}

bool CallContext::userMayUse(std::string_view screenCode) const {
    const std::string code(screenCode);
    return tx ? operatorMayUseScreen(db, session.user, session.branch, code)
              : teams_.mayUseScreen(db, session.user, session.branch, code);
}

void CallContext::requireScreen() const {
    if (!userMayUse(screen)) throw forbidden("Operado não possui permissão de acesso à tela.");
}

void CallContext::requireWorkTeam(const std::string& op) const {
    if (op == session.user) return;
    bool member = false;
    if (tx) {
        auto [it, isNew] = checkedMembers_.try_emplace(op, false);
        if (isNew) it->second = inWorkTeam(db, session.user, op);
        member = it->second;
    } else {
        member = workTeam().contains(op);
    }
    if (!member) throw forbidden("Operador não cadastrado para equipe de trabalho do usuário.");
}

}  // namespace appserver
