#include "apropriacao_methods.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <string_view>

#include "answer.h"
#include "appserver/remote/api_error.h"
#include "appserver/remote/atividades_rows.h"
#include "appserver/remote/time_text.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/audit_trail.h"
#include "appserver/stores/catalog_store.h"
#include "appserver/stores/directory_store.h"
#include "appserver/stores/presence.h"
#include "change_applier.h"
#include "platform/dataset/time_text.h"
#include "protocol/apropriacao.h"
#include "shared_methods.h"

namespace appserver {

using nlohmann::json;
using platform::dataset::DataPacket;
using platform::dataset::DateTime;
using platform::dataset::Value;

namespace {

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
        // An entry not yet closed is presence up to the server's now.
        const Presence presence = Presence::fromPunches(punchesOfDay(ctx.db, op, day), ctx.now);
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

// The day a copy of the operator's day is taken from: read as the day's
// own rows are, so whoever may see the operator's day may ask it.
std::string getDiaAnterior(const CallContext& ctx, const CallArgs& a) {
    const auto [op, branch, day] = operatorDayArgs(ctx, a);
    Answer p = packet(a);
    if (const auto previous = previousDayWithClosedAppropriations(ctx.db, op, branch, day))
        p.rows.push_back({Value(*previous)});
    return answer(p);
}

}  // namespace

const MethodTable& apropriacaoMethods() {
    namespace api = protocol::apropriacao;
    using enum Access;
    static const Route routes[] = {
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
        {&api::getDiaAnterior, getDiaAnterior, Read},
    };
    static const MethodTable table(api::module, kApropriacaoScreen, routes);
    return table;
}

}  // namespace appserver
