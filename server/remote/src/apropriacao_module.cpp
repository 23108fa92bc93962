#include "appserver/remote/apropriacao_module.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "appserver/remote/api_error.h"
#include "appserver/remote/atividades_rows.h"
#include "appserver/remote/packet_text.h"
#include "appserver/remote/time_text.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/audit_trail.h"
#include "appserver/stores/catalog_store.h"
#include "appserver/stores/directory_store.h"
#include "appserver/stores/presence.h"
#include "call_context.h"
#include "change_applier.h"
#include "platform/dataset/packet_json.h"
#include "platform/dataset/text.h"
#include "platform/dataset/time_text.h"
#include "protocol/apropriacao.h"

namespace appserver {

using nlohmann::json;
using platform::dataset::DataPacket;
using platform::dataset::DateTime;
using platform::dataset::Value;

namespace {

/// An answer under construction: the rows, and the contract's answer whose fields they fill.
struct Answer {
    const protocol::Answer* kind;
    std::vector<platform::dataset::Row> rows;
};

/// The answer of the method called.
Answer packet(const CallArgs& call) {
    return Answer{call.method().answer, {}};
}

/// The field list in wire form, encoded once per answer kind: it is the same in every answer.
const std::string& encodedFields(const protocol::Answer& kind) {
    static std::mutex mutex;
    static std::map<const protocol::Answer*, std::string> cache;
    std::lock_guard lock(mutex);
    auto& text = cache[&kind];
    if (text.empty())
        text =
            platform::dataset::toJson(DataPacket{protocol::fieldDefs(kind), {}})["fields"].dump();
    return text;
}

std::string answer(const Answer& a) {
    return packetText(encodedFields(*a.kind), a.rows);
}

int parseYear(const std::string& text, const protocol::Method& method) {
    if (text.size() != 4 || text.find_first_not_of("0123456789") != std::string::npos ||
        text == "0000")
        throw badRequest(fmt::format("{}: o ano \"{}\" deve ter 4 dígitos", method.name, text));
    return std::stoi(text);
}

int parseTimeArg(const std::string& text, const protocol::Method& method) {
    auto seconds = platform::dataset::time_text::parse(text);
    if (!seconds)
        throw badRequest(fmt::format("{}: \"{}\" não é uma hora válida.", method.name, text));
    return *seconds;
}

using Handler = std::function<std::string(const CallContext&, const CallArgs&)>;

std::string getCtrlAcesso(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    const std::string& user = a.text(1);
    ctx.requireSessionBranch(branch);
    ctx.requireSessionUser(user);
    Answer p = packet(a);
    if (operatorMayUseScreen(ctx.db, user, branch, ApropriacaoModule::kScreenCode))
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

// The (operator, branch, day) arguments of the day reads, checked against the session.
struct OperatorDay {
    const std::string& op;
    const std::string& branch;
    DateTime day;
};

OperatorDay operatorDayArgs(const CallContext& ctx, const CallArgs& a) {
    OperatorDay args{a.text(0), a.text(1), a.date(2)};
    ctx.requireSessionBranch(args.branch);
    ctx.requireWorkTeam(args.op);
    return args;
}

std::string getAtividades(const CallContext& ctx, const CallArgs& a) {
    const auto [op, branch, day] = operatorDayArgs(ctx, a);
    Answer p = packet(a);
    const auto rows = appropriationsOfDay(ctx.db, op, branch, day);
    if (!rows.empty()) {
        const Presence presence = Presence::fromPunches(punchesOfDay(ctx.db, op, day));
        p.rows.reserve(rows.size());
        for (const auto& r : rows) p.rows.push_back(atividadesRow(r, presence));
    }
    return answer(p);
}

std::string getTotApro(const CallContext& ctx, const CallArgs& a) {
    const auto [op, branch, day] = operatorDayArgs(ctx, a);
    Answer p = packet(a);
    const auto rows = appropriationsOfDay(ctx.db, op, branch, day);
    if (!rows.empty()) {
        std::int64_t total = 0;
        for (const auto& r : rows)
            if (r.end) total += r.end->toSeconds() - r.start.toSeconds();
        p.rows.push_back({Value(formatDuration(total))});
    }
    return answer(p);
}

std::string getPonto(const CallContext& ctx, const CallArgs& a) {
    const std::string& op = a.text(0);
    const DateTime day = a.date(1);
    ctx.requireWorkTeam(op);
    Answer p = packet(a);
    for (const PunchRecord& r : punchesOfDay(ctx.db, op, day))
        p.rows.push_back({Value(r.company), Value(r.at), Value(r.direction), Value(r.event),
                          Value(r.day), Value(r.origin)});
    return answer(p);
}

std::string getTotPontoReal(const CallContext& ctx, const CallArgs& a) {
    const std::string& op = a.text(0);
    const DateTime day = a.date(1);
    ctx.requireWorkTeam(op);
    Answer p = packet(a);
    if (auto total = Presence::fromPunches(punchesOfDay(ctx.db, op, day)).totalSeconds())
        p.rows.push_back({Value(formatDuration(*total))});
    return answer(p);
}

std::string getDatas(const CallContext& ctx, const CallArgs& a) {
    const std::string& op = a.text(0);
    const std::string& branch = a.text(1);
    const int year = parseYear(a.text(2), a.method());
    ctx.requireSessionBranch(branch);
    ctx.requireWorkTeam(op);
    Answer p = packet(a);
    for (const DateTime& d : daysWithAppropriations(ctx.db, op, branch, year))
        p.rows.push_back({Value(d)});
    return answer(p);
}

platform::dataset::Row taskRow(const TaskRecord& t) {
    return {Value(t.task),     Value(t.description), Value(t.project),
            Value(t.baseline), Value(t.processCode), Value(t.processName)};
}

std::string getPesqTarefa(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    ctx.requireSessionBranch(branch);
    Answer p = packet(a);
    for (const TaskRecord& t : tasksOfBranch(ctx.db, branch)) p.rows.push_back(taskRow(t));
    return answer(p);
}

std::string getVdTarefa(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    const std::string& task = a.text(1);
    ctx.requireSessionBranch(branch);
    Answer p = packet(a);
    if (auto t = findTask(ctx.db, branch, task)) p.rows.push_back(taskRow(*t));
    return answer(p);
}

std::string getPesqAtiv(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    const std::string& task = a.text(1);
    const std::string& user = a.text(2);
    ctx.requireSessionBranch(branch);
    ctx.requireSessionUser(user);
    Answer p = packet(a);
    for (const ActivityRecord& v : activitiesOpenTo(ctx.db, branch, task, user))
        p.rows.push_back({Value(v.activity), Value(v.processCode), Value(v.processName),
                          Value(v.situation), Value(v.workItemCode), Value(v.workItemName)});
    return answer(p);
}

std::string getVdAtiv(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    const std::string& task = a.text(1);
    const std::string& op = a.text(2);
    const std::string& activity = a.text(3);
    ctx.requireSessionBranch(branch);
    ctx.requireWorkTeam(op);
    Answer p = packet(a);
    if (const ActivityCheck v = checkActivity(ctx.db, branch, task, activity, op);
        v.activity && v.openToOperator)
        p.rows.push_back({Value(v.activity->responsible), Value(v.activity->processName)});
    return answer(p);
}

std::string getApropria(const CallContext& ctx, const CallArgs& a) {
    const std::string& op = a.text(0);
    const std::string& branch = a.text(1);
    const DateTime day = a.date(2);
    const int start = parseTimeArg(a.text(3), a.method());
    const int end = parseTimeArg(a.text(4), a.method());
    ctx.requireSessionBranch(branch);
    ctx.requireWorkTeam(op);
    Answer p = packet(a);
    for (const auto& r :
         clashingAppropriations(ctx.db, op, branch, day.addSeconds(start), day.addSeconds(end), 0))
        p.rows.push_back(apropriaRow(r));
    return answer(p);
}

std::string setAtividades(const CallContext& ctx, const CallArgs& a) {
    applyAppropriationChanges(ctx, a.delta(0));
    return "null";
}

std::string getUpdateAtiv(const CallContext& ctx, const CallArgs& a) {
    const std::string& branch = a.text(0);
    const std::string& task = a.text(1);
    const std::string& activity = a.text(2);
    ctx.requireSessionBranch(branch);
    const ActivityCheck check = checkActivity(ctx.db, branch, task, activity, ctx.session.user);
    if (!check.activity) throw invalid("Atividade não cadastrada.");
    // Started, an activity's open rows can no longer be deleted: only someone
    // it is open to may start it. Told in the screen's words for an activity
    // not open to the operator.
    if (!check.openToOperator) throw forbidden("Atividade não cadastrada.");
    if (markActivityStarted(ctx.sql(), branch, task, activity)) {
        // The trail keeps it under the user's own day: the call names no day.
        const auto values = [&](const char* situation) {
            return nlohmann::ordered_json{
                {"task", task}, {"activity", activity}, {"situation", situation}}
                .dump();
        };
        AuditEntry e;
        e.at = ctx.now;
        e.user = ctx.session.user;
        e.address = ctx.address;
        e.action = "update";
        e.operatorCode = ctx.session.user;
        e.branch = branch;
        e.day = ctx.now.datePart();
        e.key = task + " - " + activity;
        e.before = values("P");
        e.after = values("A");
        recordAudit(ctx.db, e);
    }
    return "null";
}

std::string getHistorico(const CallContext& ctx, const CallArgs& a) {
    const auto [op, branch, day] = operatorDayArgs(ctx, a);
    Answer p = packet(a);
    const auto text = [](const std::optional<std::string>& v) { return v ? Value(*v) : Value(); };
    for (const AuditEntry& e : auditOfDay(ctx.db, op, branch, day))
        p.rows.push_back({Value(e.at), Value(e.user), Value(e.address), Value(e.action),
                          Value(e.key), text(e.before), text(e.after)});
    return answer(p);
}

/// Who may call a method: anyone logged in, or only a user with the screen's
/// permission; and whether it writes.
enum class Access { Open, Read, Write };

/// A method of the contract as the server runs it.
struct Route {
    const protocol::Method* method;
    Handler run;
    Access access;
};

/// The contract's methods by name, in any letter case. Throws std::logic_error
/// for a method of the contract that has no handler here.
const std::map<std::string_view, Route, protocol::MethodNameLess>& routes() {
    namespace api = protocol::apropriacao;
    using enum Access;
    static const auto table = [] {
        const Route handled[] = {
            {&api::getCtrlAcesso, getCtrlAcesso, Open},
            {&api::getHoraServidor, getHoraServidor, Open},
            {&api::getOperEquip, getOperEquip, Read},
            {&api::getAtividades, getAtividades, Read},
            {&api::getTotApro, getTotApro, Read},
            {&api::getPonto, getPonto, Read},
            {&api::getTotPontoReal, getTotPontoReal, Read},
            {&api::getDatas, getDatas, Read},
            {&api::getPesqTarefa, getPesqTarefa, Read},
            {&api::getVdTarefa, getVdTarefa, Read},
            {&api::getPesqAtiv, getPesqAtiv, Read},
            {&api::getVdAtiv, getVdAtiv, Read},
            {&api::getApropria, getApropria, Read},
            {&api::setAtividades, setAtividades, Write},
            {&api::getUpdateAtiv, getUpdateAtiv, Write},
            {&api::getHistorico, getHistorico, Read},
        };
        std::map<std::string_view, Route, protocol::MethodNameLess> byName;
        for (const Route& route : handled) byName.emplace(route.method->name, route);
        for (const protocol::Method* method : api::module.methods)
            if (!byName.contains(method->name))
                throw std::logic_error(fmt::format("{} has no handler", method->name));
        return byName;
    }();
    return table;
}

/// How much a write will do, for the order in which waiting writers go: the changes of its packet.
std::size_t writeWeight(const std::vector<CallArg>& args) {
    const auto* packet =
        args.empty() ? nullptr : std::get_if<platform::dataset::ChangePacket>(&args.front());
    return packet ? std::max<std::size_t>(1, packet->changes.size()) : 1;
}

/// The handler, once the call has as many arguments as the method takes.
std::string runChecked(const Route& route, const CallContext& ctx, const CallArgs& args) {
    args.expectCount();
    return route.run(ctx, args);
}

std::string runMethod(const Route& route, const SessionInfo& session, const std::string& address,
                      const Database::Lease& lease, DateTime now, WorkTeamCache& teams,
                      const CallArgs& args, std::size_t weight) {
    if (route.access == Access::Write) {
        // The permission and the work team are read inside the transaction
        // that writes, so that a change to either is never missed by a save.
        WriteTransaction tx(lease, weight);
        const CallContext ctx{session, address, lease, now, teams, &tx};
        ctx.requireScreen();
        std::string result = runChecked(route, ctx, args);
        tx.commit();
        return result;
    }
    const CallContext ctx{session, address, lease, now, teams};
    if (lease.kind() != DatabaseKind::Sqlite) {
        if (route.access == Access::Read) ctx.requireScreen();
        return runChecked(route, ctx, args);
    }
    // One read transaction for the call's queries: SQLite then takes its
    // shared lock once instead of once per query, and they see one snapshot.
    ReadTransaction snapshot(lease);
    if (route.access == Access::Read) ctx.requireScreen();
    return runChecked(route, ctx, args);
}

}  // namespace

std::string_view ApropriacaoModule::serverName() {
    return protocol::apropriacao::module.name;
}

std::string ApropriacaoModule::call(const SessionInfo& session, const std::string& address,
                                    const std::string& method, std::vector<CallArg> args) {
    const auto it = routes().find(method);
    if (it == routes().end())
        throw ApiError(ErrorCode::NotFound,
                       fmt::format("Método \"{}\" não existe em {}", method, serverName()));
    const std::size_t weight = writeWeight(args);
    CallArgs callArgs(*it->second.method, std::move(args));
    auto lease = db_.acquire();
    try {
        return runMethod(it->second, session, address, lease, clock_.now(), teams_, callArgs,
                         weight);
    } catch (const std::exception& e) {
        lease.throwIfUnavailable(e);
        throw;
    }
}

}  // namespace appserver
