#include "shared_methods.h"

#include <fmt/format.h>

#include "answer.h"
#include "appserver/remote/api_error.h"
#include "appserver/stores/directory_store.h"

namespace appserver {

using platform::dataset::Value;

const std::string& requireSessionBranchAndUser(const CallContext& ctx, const CallArgs& a) {
    ctx.requireSessionBranch(a.text(0));
    ctx.requireSessionUser(a.text(1));
    return a.text(1);
}

std::string getCtrlAcesso(const CallContext& ctx, const CallArgs& a) {
    const std::string& user = requireSessionBranchAndUser(ctx, a);
    Answer p = packet(a);
    if (operatorMayUseScreen(ctx.db, user, a.text(0), std::string(ctx.screen)))
        p.rows.push_back({Value(user)});
    return answer(p);
}

std::string getHoraServidor(const CallContext& ctx, const CallArgs& a) {
    Answer p = packet(a);
    p.rows.push_back({Value(ctx.now)});
    return answer(p);
}

std::string getOperEquip(const CallContext& ctx, const CallArgs& a) {
    const std::string& user = a.text(0);
    const std::string& code = a.text(1);
    const std::string& kind = a.text(2);
    ctx.requireSessionUser(user);
    if (kind != "T" && !kind.empty())
        throw badRequest(fmt::format("{}: tipo \"{}\" desconhecido (use \"T\" ou vazio)",
                                     a.method().name, kind));
    Answer p = packet(a);
    auto add = [&](const std::string& c, const std::string& name) {
        p.rows.push_back({Value(c), Value(listedName(name))});
    };
    if (code.empty()) {
        if (kind == "T")
            for (const TeamMember& m : ctx.workTeam().members()) add(m.code, m.name);
    } else if (const TeamMember* m = ctx.workTeam().find(code)) {
        add(m->code, m->name);
    }
    return answer(p);
}

}  // namespace appserver
