#include "resumo_methods.h"

#include <fmt/format.h>

#include "answer.h"
#include "appserver/remote/api_error.h"
#include "appserver/remote/summary_rows_cache.h"
#include "appserver/remote/time_text.h"
#include "appserver/stores/directory_store.h"
#include "appserver/stores/month_closing.h"
#include "appserver/stores/period_cell_cache.h"
#include "appserver/stores/period_summary.h"
#include "protocol/resumo.h"
#include "shared_methods.h"

namespace appserver {

using platform::dataset::DateTime;
using platform::dataset::Value;

namespace {

/// The most days one call of GetResumoPeriodo covers: two months.
constexpr std::int64_t kMaxPeriodDays = 62;

std::string getCtrlFechamento(const CallContext& ctx, const CallArgs& a) {
    const std::string& user = requireSessionBranchAndUser(ctx, a);
    Answer p = packet(a);
    if (ctx.userMayUse(protocol::resumo::kClosingScreen)) p.rows.push_back({Value(user)});
    return answer(p);
}

std::string getEquipes(const CallContext& ctx, const CallArgs& a) {
    const std::string& user = requireSessionBranchAndUser(ctx, a);
    Answer p = packet(a);
    for (const TeamRecord& t : teamsOf(ctx.db, user))
        p.rows.push_back({Value(t.code), Value(t.name)});
    return answer(p);
}

/// The team must be one of the caller's: the summary shows no other.
void requireOwnTeam(const CallContext& ctx, const std::string& team) {
    if (!isTeamMember(ctx.db, team, ctx.session.user))
        throw forbidden("Equipe não cadastrada para o usuário.");
}

/// The team or the operator a summary names: exactly one of them, and one
/// the caller may see.
void requireTeamOrOperator(const CallContext& ctx, const protocol::Method& method,
                           const PeriodSummaryQuery& q) {
    ctx.requireSessionBranch(q.branch);
    if (q.team.empty() == q.operatorCode.empty())
        throw badRequest(fmt::format(
            "{}: informe a equipe ou o operador (um dos dois, e o outro vazio)", method.name));
    if (!q.team.empty())
        requireOwnTeam(ctx, q.team);
    else
        ctx.requireWorkTeam(q.operatorCode);
}

CalendarMonth monthArg(const protocol::Method& method, const std::string& text) {
    const auto month = CalendarMonth::parse(text);
    if (!month)
        throw badRequest(fmt::format("{}: o mês \"{}\" não existe (informe AAAA-MM, de 01 a 12)",
                                     method.name, text));
    return *month;
}

std::string getOperadoresResumo(const CallContext& ctx, const CallArgs& a) {
    const PeriodSummaryQuery q{a.text(0), a.text(1), a.text(2), DateTime(), DateTime()};
    requireTeamOrOperator(ctx, a.method(), q);
    const CalendarMonth month = monthArg(a.method(), a.text(3));
    Answer p = packet(a);
    for (const ListedOperator& o : summaryOperators(ctx.db, q, month.firstDay()))
        p.rows.push_back(
            {Value(o.code), Value(listedName(o.name)), Value(o.monthClosed ? "S" : "N")});
    return answer(p);
}

/// A day's duration in wire form: "hh:mm:ss", or "" for none (no character
/// of either needs escaping).
void appendDurationText(std::string& out, const std::optional<std::int64_t>& seconds) {
    out += '"';
    if (seconds) appendDuration(out, *seconds);
    out += '"';
}

/// The period's days in wire form, each written once for every operator
/// whose rows are written afresh, and only when one is.
class DayTexts {
public:
    DayTexts(long long from, long long to) : from_(from), to_(to) {}

    const std::string& of(long long day) {
        if (texts_.empty())
            for (long long d = from_; d <= to_; ++d)
                appendJsonDateTime(texts_.emplace_back(), DateTime::fromDayNumber(d));
        return texts_[static_cast<std::size_t>(day - from_)];
    }

private:
    long long from_, to_;
    std::vector<std::string> texts_;
};

/// One operator's rows in wire form, separated by commas: for each of his
/// days his code and name, the day, its two durations and whether it is closed.
std::string operatorRows(const OperatorPeriod& op, DayTexts& days) {
    std::string who;
    appendJsonString(who, op.code);
    who += ',';
    appendJsonString(who, listedName(op.name));
    who += ',';
    std::string out;
    // Some 75 bytes a row besides the code and the name.
    out.reserve(op.days->size() * (who.size() + 80));
    for (const DayCell& d : *op.days) {
        if (!out.empty()) out += ',';
        out += '[';
        out += who;
        out += days.of(d.day);
        out += ',';
        appendDurationText(out, d.appropriatedSeconds);
        out += ',';
        appendDurationText(out, d.punchedSeconds);
        out += op.closedOn(d.day) ? ",\"S\"]" : ",\"N\"]";
    }
    return out;
}

std::string getResumoPeriodo(const CallContext& ctx, const CallArgs& a) {
    const protocol::Method& method = a.method();
    PeriodSummaryQuery q{a.text(0), a.text(1), a.text(2), a.date(3), a.date(4)};
    requireTeamOrOperator(ctx, method, q);
    if (q.to < q.from)
        throw badRequest(fmt::format("{}: o último dia ({}) vem antes do primeiro ({})",
                                     method.name, q.to.toDisplayDate(), q.from.toDisplayDate()));
    if (q.to.dayNumber() - q.from.dayNumber() + 1 > kMaxPeriodDays)
        throw invalid(fmt::format("O período deve ter no máximo {} dias.", kMaxPeriodDays));
    // The operators' days, names and closings as last read, unless their
    // version moved since; their rows as last written, unless those changed.
    const std::vector<OperatorPeriod> ops =
        periodByOperator(ctx.db, q, &ctx.db.shared<PeriodCellCache>());
    auto& written = ctx.db.shared<SummaryRowsCache>();
    std::vector<std::shared_ptr<const std::string>> texts(ops.size());
    DayTexts days(q.from.dayNumber(), q.to.dayNumber());
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        texts[i] = written.find(ops[i]);
        if (!texts[i]) {
            texts[i] = std::make_shared<const std::string>(operatorRows(ops[i], days));
            written.keep(ops[i], texts[i]);
        }
        bytes += texts[i]->size() + 1;
    }
    PacketWriter out = answerWriter(a, 512 + bytes);
    for (const auto& text : texts) out.rows(*text);
    return out.finish();
}

std::string setFechamento(const CallContext& ctx, const CallArgs& a) {
    const protocol::Method& method = a.method();
    const std::string& branch = a.text(0);
    const std::string& op = a.text(1);
    const std::string& monthText = a.text(2);
    const std::string& close = a.text(3);
    ctx.requireSessionBranch(branch);
    const CalendarMonth month = monthArg(method, monthText);
    if (close != "S" && close != "N")
        throw badRequest(
            fmt::format("{}: \"{}\" não é S (fechar) nem N (reabrir)", method.name, close));
    if (!ctx.userMayUse(protocol::resumo::kClosingScreen))
        throw forbidden("Operador não possui permissão para fechar o mês.");
    ctx.requireWorkTeam(op);
    changeMonthClosing(ctx.db, *ctx.tx,
                       MonthClosingChange{op, branch, month, close == "S", ctx.session.user,
                                          ctx.address, ctx.now});
    return "null";
}

}  // namespace

const MethodTable& resumoMethods() {
    namespace api = protocol::resumo;
    using enum Access;
    static const Route routes[] = {
        {&api::getCtrlAcesso, getCtrlAcesso, Open},
        {&api::getCtrlFechamento, getCtrlFechamento, Read},
        {&api::getHoraServidor, getHoraServidor, Open},
        {&api::getEquipes, getEquipes, Read},
        {&api::getOperEquip, getOperEquip, Read},
        {&api::getOperadoresResumo, getOperadoresResumo, Read},
        {&api::getResumoPeriodo, getResumoPeriodo, Read},
        {&api::setFechamento, setFechamento, Write},
    };
    static const MethodTable table(api::module, api::kScreen, routes);
    return table;
}

}  // namespace appserver
