#include "change_applier.h"

#include <fmt/format.h>

#include <algorithm>
#include <set>

#include "appserver/remote/api_error.h"
#include "appserver/remote/atividades_rows.h"
#include "appserver/remote/time_text.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/audit_trail.h"
#include "appserver/stores/catalog_store.h"
#include "appserver/stores/directory_store.h"
#include "appserver/stores/entry_policy.h"
#include "appserver/stores/month_closing.h"
#include "appserver/stores/presence.h"
#include "platform/dataset/text.h"
#include "platform/dataset/time_text.h"
#include "protocol/apropriacao.h"

namespace appserver {

using platform::dataset::ChangePacket;
using platform::dataset::DateTime;
using platform::dataset::Row;
using platform::dataset::RowChange;
using platform::dataset::Value;
namespace time_text = platform::dataset::time_text;

namespace {

constexpr const char* kChangedByOther = "Registro alterado por outro usuário. Recarregue o dia.";
constexpr std::size_t kMaxDescription = 4000;
// The screen's own texts for the management's entry policies.
constexpr const char* kOwnInsertOnly =
    "Inclusão bloqueada. A apropriação deve ser feita somente pelo próprio funcionário.";
constexpr const char* kOwnDeleteOnly =
    "Exclusão bloqueada. A exclusão deve ser feita pelo próprio funcionário.";
constexpr const char* kOutsidePeriod =
    "Inclusão bloqueada. A apropriação deve ser feita somente no período determinado pela "
    "gerência (de {} até {}).";
constexpr const char* kNoPunches = "Inclusão bloqueada. Ponto não apurado.";
constexpr const char* kClosedMonth = "Mês fechado para apropriação.";

/// Reads the named columns of one side (old or new) of a change.
class RowView {
public:
    RowView(const ChangePacket& p, const Row& row) : packet_(p), row_(row) {}

    const Value* find(std::string_view name) const {
        const int i = packet_.fieldIndex(name);
        return i < 0 ? nullptr : &row_[static_cast<std::size_t>(i)];
    }
    std::string text(const char* name) const {
        const Value* v = find(name);
        if (!v || v->isNull()) return {};
        if (!v->isString())
            throw badRequest(fmt::format("SetAtividades: o campo {} deve ser um texto", name));
        return v->asString();
    }
    std::optional<DateTime> stamp(const char* name) const {
        const Value* v = find(name);
        if (!v || v->isNull()) return std::nullopt;
        if (!v->isDateTime())
            throw badRequest(
                fmt::format("SetAtividades: o campo {} deve ser uma data e hora", name));
        return v->asDateTime();
    }

private:
    const ChangePacket& packet_;
    const Row& row_;
};

class Applier {
public:
    Applier(const CallContext& ctx, const ChangePacket& packet) : ctx_(ctx), packet_(packet) {}

    void run() {
        checkShape();
        // Every row is of the session's branch (candidate() and storedRow() see
        // to it): its policies are read once, inside the transaction.
        policy_ = entryPolicyOf(ctx_.db, ctx_.session.branch);
        // Every operator named by the packet must be within the caller's reach
        // (the team as read inside this transaction) before anything is locked.
        std::set<std::string> operators;
        for (const RowChange& c : packet_.changes) {
            if (c.op != RowChange::Op::Delete)
                operators.insert(RowView(packet_, c.newValues).text("CDOPERADOR"));
            if (c.op != RowChange::Op::Insert)
                operators.insert(RowView(packet_, c.oldValues).text("CDOPERADOR"));
        }
        operators.erase("");
        for (const std::string& op : operators) ctx_.requireWorkTeam(op);

        for (const std::string& op : operators) lockOperator(op);
        for (const RowChange& c : packet_.changes) {
            switch (c.op) {
                case RowChange::Op::Insert:
                    insert(RowView(packet_, c.newValues));
                    break;
                case RowChange::Op::Update:
                    update(RowView(packet_, c.oldValues), RowView(packet_, c.newValues));
                    break;
                case RowChange::Op::Delete:
                    remove(RowView(packet_, c.oldValues));
                    break;
            }
        }
    }

private:
    void checkShape() const {
        bool needsKey = false;
        bool needsValues = false;
        for (const RowChange& c : packet_.changes) {
            needsKey |= c.op != RowChange::Op::Insert;
            needsValues |= c.op != RowChange::Op::Delete;
        }
        std::vector<const char*> required;
        if (needsKey) required.push_back("CHAVE2");
        if (needsValues)
            for (const char* f : {"HORAINI", "HORAFIN", "NRTAREFA", "NRPLATIVTARE", "DTIAPATIVTAR",
                                  "DTFAPATIVTAR", "CDFILIAL", "CDOPERADOR"})
                required.push_back(f);
        for (const char* f : required)
            if (packet_.fieldIndex(f) < 0)
                throw badRequest(
                    fmt::format("SetAtividades: o pacote de alterações não tem o campo {}", f));
        // The rows changed and deleted are compared on the fields that the
        // server marks, whatever the packet marks: each must be there, with
        // the server's type, to hold the value the client loaded.
        if (!needsKey) return;
        for (const protocol::Field& def : protocol::apropriacao::getAtividades.fields()) {
            if (!def.flags.where && !def.flags.key) continue;
            const int i = packet_.fieldIndex(def.name);
            if (i < 0)
                throw badRequest(fmt::format(
                    "SetAtividades: o pacote de alterações não tem o campo {}", def.name));
            if (packet_.fields[static_cast<std::size_t>(i)].type != def.type)
                throw badRequest(fmt::format(
                    "SetAtividades: o campo {} do pacote de alterações não tem o tipo do "
                    "campo do servidor",
                    def.name));
        }
    }

    void lockOperator(const std::string& op) {
        if (locked_.insert(op).second) ctx_.tx->lockName(operatorSaveLock(op));
    }

    /// The recorded row named by the old values' CHAVE2, locked for its operator,
    /// whose old values of the fields the server marks as keys and where-fields
    /// still match what the day's answer shows.
    AppropriationRecord storedRow(const RowView& old) {
        const std::string chave2 = old.text("CHAVE2");
        const auto id = idFromChave2(chave2);
        if (!id) throw conflict(kChangedByOther);
        auto stored = findAppropriation(ctx_.sql(), *id);
        if (stored && !locked_.count(stored->operatorCode)) {
            ctx_.requireWorkTeam(stored->operatorCode);
            lockOperator(stored->operatorCode);
            stored = findAppropriation(ctx_.sql(), *id);
        }
        if (!stored || chave2Of(*stored) != chave2) throw conflict(kChangedByOther);
        ctx_.requireSessionBranch(stored->branch);
        ctx_.requireWorkTeam(stored->operatorCode);

        // No presence: the alert marker is not compared (below).
        const Row current = atividadesRow(*stored, Presence{});
        const auto defs = protocol::apropriacao::getAtividades.fields();
        for (std::size_t i = 0; i < defs.size(); ++i) {
            if (!defs[i].flags.where && !defs[i].flags.key) continue;
            // The alert marker is the punches' and the clock's, not the
            // row's: it may change between load and save (an exit punched,
            // the day gone on) with the row untouched.
            if (defs[i].name == "IDCHECK") continue;
            const Value* sent = old.find(defs[i].name);  // present: checkShape() made sure
            if (!sent || !(*sent == current[i])) throw conflict(kChangedByOther);
        }
        return *stored;
    }

    /// The appropriation described by new values, checked against every rule.
    AppropriationRecord candidate(const RowView& row, bool inserting, std::int64_t id) {
        AppropriationRecord r;
        r.id = id;
        r.operatorCode = row.text("CDOPERADOR");
        r.branch = row.text("CDFILIAL");
        r.task = row.text("NRTAREFA");
        r.activity = row.text("NRPLATIVTARE");
        r.description = row.text("TXAPRATIVTAR");
        if (r.operatorCode.empty()) throw invalid("Operador deve ser informado.");
        ctx_.requireSessionBranch(r.branch);
        ctx_.requireWorkTeam(r.operatorCode);

        if (r.task.empty()) throw invalid("Tarefa deve ser informada.");
        const auto task = findTask(ctx_.db, r.branch, r.task);
        if (!task) throw invalid("Tarefa não cadastrada.");
        if (r.activity.empty()) throw invalid("Atividade deve ser informada.");
        const ActivityCheck check =
            checkActivity(ctx_.db, r.branch, r.task, r.activity, r.operatorCode);
        const auto& activity = check.activity;
        if (!activity) throw invalid("Atividade não cadastrada.");
        // As the screen's own check says it: no such activity for this operator.
        if (!check.openToOperator) throw invalid("Atividade não cadastrada.");
        r.taskDescription = task->description;
        r.processName = activity->processName;
        r.situation = activity->situation;
        if (platform::dataset::utf8Length(r.description) > kMaxDescription)
            throw invalid(
                fmt::format("A descrição deve ter no máximo {} caracteres.", kMaxDescription));

        const std::string startText = row.text("HORAINI");
        const std::string endText = row.text("HORAFIN");
        if (time_text::isBlank(startText)) throw invalid("Hora início deve ser informada.");
        if (time_text::isBlank(endText)) throw invalid("Hora término deve ser informada.");
        const auto startSeconds = time_text::parse(startText);
        if (!startSeconds) throw invalid(startText + " não é uma hora válida.");
        const auto endSeconds = time_text::parse(endText);
        if (!endSeconds) throw invalid(endText + " não é uma hora válida.");

        const auto start = row.stamp("DTIAPATIVTAR");
        const auto end = row.stamp("DTFAPATIVTAR");
        if (!start) throw invalid("A data e hora de início da apropriação devem ser informadas.");
        if (!end) throw invalid("A data e hora de término da apropriação devem ser informadas.");
        if (start->secondsOfDay() != *startSeconds || end->secondsOfDay() != *endSeconds)
            throw invalid("As horas de início e término não conferem com as datas da apropriação.");
        if (start->datePart() != end->datePart())
            throw invalid("A apropriação deve começar e terminar no mesmo dia.");
        if (inserting && *end > ctx_.now)
            throw invalid("Hora final deve ser menor que a hora atual.");
        if (*startSeconds == *endSeconds)
            throw invalid("Hora início não pode ser igual a hora término.");
        if (!time_text::isSpanWithinDay(*startSeconds, *endSeconds))
            throw invalid("Hora início deve ser menor que hora término.");
        r.start = *start;
        r.end = *end;

        const auto clashes =
            clashingAppropriations(ctx_.db, r.operatorCode, "", r.start, *r.end, id);
        if (!clashes.empty()) {
            const AppropriationRecord& c = clashes.front();
            const auto op = findOperator(ctx_.sql(), r.operatorCode);
            // The screen's own text, filled as the screen fills it (the name as its name box shows
            // it).
            throw invalid(fmt::format(
                "O operador {} - {} tem a atividade {} referente à tarefa {} apropriada no horário "
                "de {} às {}.",
                r.operatorCode, op ? listedName(op->name) : std::string(), c.activity, c.task,
                timeOfDayText(c.start), c.end ? timeOfDayText(*c.end) : std::string()));
        }
        return r;
    }

    void refuseOutsidePeriod(const DateTime& day) const {
        if (policy_.outsidePeriod(day))
            throw invalid(fmt::format(kOutsidePeriod, policy_.periodFrom->toDisplayDate(),
                                      policy_.periodTo->toDisplayDate()));
    }

    /// A closed month holds its days as they are: no row of its operator
    /// at its branch is inserted, changed or deleted there.
    void refuseClosedMonth(const AppropriationRecord& r) const {
        if (isMonthClosed(ctx_.db, r.operatorCode, r.branch, r.start)) throw invalid(kClosedMonth);
    }

    /// Adds the change to the trail, under the row's day (an update never
    /// moves a row to another day).
    void record(const char* action, const AppropriationRecord* before,
                const AppropriationRecord* after) const {
        const AppropriationRecord& row = after ? *after : *before;
        AuditEntry e;
        e.at = ctx_.now;
        e.user = ctx_.session.user;
        e.address = ctx_.address;
        e.action = action;
        e.operatorCode = row.operatorCode;
        e.branch = row.branch;
        e.appropriation = row.id;
        e.key = chave2Of(row);
        if (before) e.before = auditValues(*before);
        if (after) e.after = auditValues(*after);
        e.day = row.start.datePart();
        recordAudit(ctx_.db, e);
    }

    void insert(const RowView& row) {
        AppropriationRecord r = candidate(row, true, 0);
        refuseClosedMonth(r);
        if (policy_.ownOnly && r.operatorCode != ctx_.session.user) throw invalid(kOwnInsertOnly);
        refuseOutsidePeriod(r.start);
        if (policy_.requirePunches && punchesOfDay(ctx_.db, r.operatorCode, r.start).empty())
            throw invalid(kNoPunches);
        // The entry stamps are the server's: the client's clock is never trusted.
        r.stampStart = ctx_.now;
        r.stampEnd = ctx_.now;
        r.id = insertAppropriation(ctx_.db, r);
        record("insert", nullptr, &r);
    }

    void update(const RowView& old, const RowView& row) {
        const AppropriationRecord stored = storedRow(old);
        refuseClosedMonth(stored);
        if (!stored.stampEnd)
            throw invalid("Apropriação sem término de apontamento não pode ser alterada.");
        if (row.text("CDOPERADOR") != stored.operatorCode || row.text("CDFILIAL") != stored.branch)
            throw invalid("O operador e a filial de uma apropriação não podem ser alterados.");
        AppropriationRecord r = candidate(row, false, stored.id);
        // A row lies on the day its screen loaded it for; the screen never
        // asks for another, so a move is a row posted on a day it was not
        // typed on.
        if (r.start.datePart() != stored.start.datePart())
            throw invalid(
                "Uma apropriação não pode passar para outro dia: inclua-a no dia em que foi "
                "feita e exclua a deste.");
        refuseClosedMonth(r);
        refuseOutsidePeriod(stored.start);
        r.stampStart = stored.stampStart;
        r.stampEnd = stored.stampEnd;
        updateAppropriation(ctx_.sql(), r);
        record("update", &stored, &r);
    }

    void remove(const RowView& old) {
        const AppropriationRecord stored = storedRow(old);
        refuseClosedMonth(stored);
        if (!stored.stampEnd && stored.situation == "A")
            throw invalid("Apropriação em andamento não pode ser excluída.");
        if (policy_.ownOnly && stored.operatorCode != ctx_.session.user)
            throw invalid(kOwnDeleteOnly);
        refuseOutsidePeriod(stored.start);
        deleteAppropriation(ctx_.sql(), stored.id);
        record("delete", &stored, nullptr);
    }

    const CallContext& ctx_;
    const ChangePacket& packet_;
    std::set<std::string> locked_;
    EntryPolicy policy_;
};

}  // namespace

void applyAppropriationChanges(const CallContext& ctx, const ChangePacket& packet) {
    Applier(ctx, packet).run();
}

}  // namespace appserver
