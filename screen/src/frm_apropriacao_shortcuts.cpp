// The two shortcuts of the maintenance menu: a new row over what the time
// clock saw and no row covers yet, and the previous day's rows copied onto
// an empty day. Both go through the paths of any row: the fill only begins a
// row (the user types the rest and every posting check runs), the copy is
// one save the server checks row by row, then the refresh of any save.
#include <QAction>

#include <algorithm>
#include <optional>
#include <vector>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/utils.h"
#include "platform/dataset/time_text.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/masked_edit.h"
#include "punch_stretches.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

namespace {

using platform::dataset::DataPacket;
using platform::dataset::DateTime;
using platform::dataset::Value;
namespace stretches = punch_stretches;

const char* const kNadaAPreencher = "Não há período de ponto sem apropriação.";
const char* const kDiaComApropriacoes = "O dia já possui apropriações.";
const char* const kSemDiaAnterior = "Não há dia anterior com apropriações.";
const char* const kCopiarPergunta = "Copiar as apropriações de %1 para %2?";

/// `seconds` since midnight as the time columns hold it ("08:05:30").
QString timeText(int seconds) {
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

QString displayDate(const DateTime& day) {
    return QString::fromStdString(day.toDisplayDate());
}

const Value& valueOf(const DataPacket& packet, const platform::dataset::Row& row,
                     std::string_view field) {
    static const Value none;
    const int index = packet.fieldIndex(field);
    return index < 0 ? none : row[static_cast<std::size_t>(index)];
}

std::string textOf(const DataPacket& packet, const platform::dataset::Row& row,
                   std::string_view field) {
    const Value& value = valueOf(packet, row, field);
    return value.isString() ? value.asString() : std::string();
}

/// The punches as the panel lists them, timed from the start of `day` (a
/// punch of another date falls outside 0 to a day's end and is held to it).
std::vector<stretches::Punch> punchesOf(const DataPacket& packet, const DateTime& day) {
    std::vector<stretches::Punch> out;
    out.reserve(packet.rows.size());
    for (const platform::dataset::Row& row : packet.rows) {
        const Value& at = valueOf(packet, row, "DTBATIDAPTO");
        if (!at.isDateTime()) continue;
        const std::int64_t days = at.asDateTime().dayNumber() - day.dayNumber();
        const std::int64_t seconds = std::clamp<std::int64_t>(days, -1, 1) * stretches::kDayEnd +
                                     at.asDateTime().secondsOfDay();
        // The direction decides, whatever the event: "1" enters, anything else leaves.
        out.push_back({static_cast<int>(seconds), textOf(packet, row, "IDSENTBATIDA") == "1"});
    }
    return out;
}

/// The day's rows as spans of their typed times; a row without end covers
/// from its start on.
std::vector<stretches::Row> rowsOf(const DataPacket& packet) {
    std::vector<stretches::Row> out;
    out.reserve(packet.rows.size());
    namespace time_text = platform::dataset::time_text;
    for (const platform::dataset::Row& row : packet.rows) {
        const auto start = time_text::parse(textOf(packet, row, "HORAINI"));
        if (!start) continue;
        const bool open = !valueOf(packet, row, "DTFAPATIVTAR").isDateTime();
        out.push_back(
            {*start, open ? std::nullopt : time_text::parse(textOf(packet, row, "HORAFIN"))});
    }
    return out;
}

}  // namespace

void TfrmApropriacao::bindShortcuts() {
    connect(mnuPreencherPontos, &QAction::triggered, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::mnuPreencherPontosClick)));
    connect(mnuCopiarDia, &QAction::triggered, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::mnuCopiarDiaClick)));
}

void TfrmApropriacao::mnuPreencherPontosClick() {
    if (cdsAtividades.state() != platform::dataset::DataSetState::Browse) return;
    const DataPacket punchRows = cdsPonto.active() ? cdsPonto.data() : DataPacket{};
    const std::vector<stretches::Punch> punches = punchesOf(punchRows, loadedDay_);
    const std::vector<stretches::Row> rows = rowsOf(cdsAtividades.data());

    // Only an entry still open needs the clock: it runs to the server's now
    // today, and covers nothing on any other day.
    std::optional<int> openEntryEnd;
    if (stretches::hasOpenEntry(punches)) {
        framework::BusyGuard busy;
        busy.show();
        const DateTime now = serverNow();
        if (now.datePart() == loadedDay_) openEntryEnd = now.secondsOfDay();
    }

    const std::optional<stretches::Span> stretch =
        stretches::firstStretchToFill(punches, rows, openEntryEnd);
    if (!stretch) {
        platform::ui::dialogs().information(QString::fromUtf8(kNadaAPreencher));
        return;
    }
    startNewRow("NRTAREFA");
    setFieldText(cdsAtividades, "HORAINI", timeText(stretch->start));
    // A stretch to midnight ends at the day's last second: a row lies within one day.
    setFieldText(cdsAtividades, "HORAFIN",
                 timeText(std::min(stretch->end, stretches::kDayEnd - 1)));
}

void TfrmApropriacao::mnuCopiarDiaClick() {
    if (cdsAtividades.state() != platform::dataset::DataSetState::Browse) return;
    if (!cdsAtividades.isEmpty()) framework::MensErro(QString::fromUtf8(kDiaComApropriacoes));

    const DateTime day = loadedDay_;
    const QString operatorCode = medCdOper->text();
    const QString branch = framework::FiliProc();
    framework::BusyGuard busy;
    busy.show();
    const DateTime now = serverNow();
    // Rows on a day to come would be refused one by one: refused here at once.
    if (day > now.datePart()) framework::MensErro(msgPadrao.Msg(QStringLiteral("HORFIMINV")));

    const DataPacket answer = remote_->previousDay(operatorCode, branch, day);
    busy.hide();
    const Value previous =
        answer.rows.empty() ? Value() : valueOf(answer, answer.rows.front(), "DATA");
    if (!previous.isDateTime()) {
        platform::ui::dialogs().information(QString::fromUtf8(kSemDiaAnterior));
        return;
    }
    const DateTime from = previous.asDateTime().datePart();
    if (!platform::ui::dialogs().confirm(
            QString::fromUtf8(kCopiarPergunta).arg(displayDate(from), displayDate(day))))
        return;

    busy.show();
    const DataPacket source = remote_->day(operatorCode, branch, from);
    platform::dataset::ChangePacket copies;
    copies.fields = cdsAtividades.fieldDefs();
    // A pending activity starts with the first row stored on it, copied or typed.
    std::vector<ActivityToStart> pending;
    // What a copy keeps of its row; the rest is the day's, the stamps the
    // server's now, and what the server makes of a row (keys, duration,
    // flags) stays empty as on a row typed anew.
    const char* const kept[] = {"NRTAREFA",     "NRPLATIVTARE", "HORAINI",    "HORAFIN",
                                "TXAPRATIVTAR", "DSREFETAREFA", "NMPROCESSO", "IDSITATIVTAR"};
    for (const platform::dataset::Row& row : source.rows) {
        // Open rows are work in progress, not a day's record.
        if (!valueOf(source, row, "DTFAPATIVTAR").isDateTime() ||
            !valueOf(source, row, "DTHFAPATIVTA").isDateTime())
            continue;
        const DateTime start = valueOf(source, row, "DTIAPATIVTAR").isDateTime()
                                   ? valueOf(source, row, "DTIAPATIVTAR").asDateTime()
                                   : from;
        const DateTime end = valueOf(source, row, "DTFAPATIVTAR").asDateTime();
        platform::dataset::RowChange copy;
        copy.op = platform::dataset::RowChange::Op::Insert;
        for (const platform::dataset::FieldDef& field : copies.fields) {
            const std::string& name = field.name;
            Value value;
            if (std::find(std::begin(kept), std::end(kept), name) != std::end(kept))
                value = valueOf(source, row, name);
            else if (name == "CDOPERADOR")
                value = operatorCode.toStdString();
            else if (name == "CDFILIAL")
                value = branch.toStdString();
            else if (name == "DTIAPATIVTAR")
                value = day.addSeconds(start.secondsOfDay());
            else if (name == "DTFAPATIVTAR")
                value = day.addSeconds(end.secondsOfDay());
            else if (name == "DTHIAPATIVTA" || name == "DTHFAPATIVTA")
                value = now;
            copy.newValues.push_back(std::move(value));
        }
        copies.changes.push_back(std::move(copy));
        if (textOf(source, row, "IDSITATIVTAR") == "P")
            pending.push_back({QString::fromStdString(textOf(source, row, "NRTAREFA")),
                               QString::fromStdString(textOf(source, row, "NRPLATIVTARE"))});
    }
    busy.hide();
    if (copies.changes.empty()) {
        // Every row of that day was closed or deleted meanwhile.
        platform::ui::dialogs().information(QString::fromUtf8(kSemDiaAnterior));
        return;
    }
    saveCopies(std::move(copies), std::move(pending));
}

void TfrmApropriacao::saveCopies(platform::dataset::ChangePacket changes,
                                 std::vector<ActivityToStart> pendingActivities) {
    framework::BusyGuard busy;
    busy.show();
    // One packet: the server stores every copy or, refusing one, none; its
    // text then says which and why. No change is left pending here either way.
    remote_->save(std::move(changes));
    // Queued once each, however many copies record time on it.
    for (ActivityToStart& activity : pendingActivities) queueActivityStart(std::move(activity));
    startPendingActivities();
    refreshAfterSave();
}

}  // namespace Cli_Zep00700
