// Every completed post or delete of an appropriation goes to the server at
// once; then everything a change can affect is reloaded and the cursor goes
// back to its row number. A change the server never got gives the typed row
// back; one it refused is discarded.
#include <QLineEdit>

#include <algorithm>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/errors.h"
#include "framework/failures.h"
#include "platform/dataset/errors.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/masked_edit.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::bindSaving() {
    cdsAtividades.events.afterPost = whileAlive(&TfrmApropriacao::cdsAtividadesAfterPost);
    cdsAtividades.events.afterDelete = whileAlive(&TfrmApropriacao::cdsAtividadesAfterPost);
}

void TfrmApropriacao::cdsAtividadesAfterPost(platform::dataset::DataSet& /*dataSet*/) {
    // One level of the busy animation for both stages, hidden whatever way they end.
    framework::BusyGuard busy;
    busy.show();
    saveChanges();
    refreshAfterSave();
}

std::optional<TfrmApropriacao::TypedRow> TfrmApropriacao::rowJustPosted() const {
    const platform::dataset::UpdateStatus status = cdsAtividades.updateStatus();
    if (status == platform::dataset::UpdateStatus::Unmodified) return std::nullopt;
    TypedRow typed;
    typed.inserted = status == platform::dataset::UpdateStatus::Inserted;
    typed.recNo = cdsAtividades.recNo();
    for (int i = 0; i < cdsAtividades.fieldCount(); ++i)
        typed.values.push_back(cdsAtividades.field(i).value());
    typed.situation = stSitAtiv;
    return typed;
}

void TfrmApropriacao::giveBackTypedRow(const TypedRow& typed) {
    if (typed.inserted) {
        cdsAtividades.append();
    } else {
        cdsAtividades.setRecNo(typed.recNo);
        cdsAtividades.edit();
    }
    for (int i = 0; i < cdsAtividades.fieldCount(); ++i) {
        platform::dataset::Field& field = cdsAtividades.field(i);
        if (!field.readOnly()) field.setValue(typed.values[static_cast<std::size_t>(i)]);
    }
    setMemDescQuietly(fieldText(cdsAtividades, "TXAPRATIVTAR"));
    stSitAtiv = typed.situation;
}

void TfrmApropriacao::saveChanges() {
    if (cdsAtividades.editing()) cdsAtividades.post();
    columnBeforeInsert_ = -1;
    const std::optional<TypedRow> typed = rowJustPosted();
    if (cdsAtividades.changeCount() == 0) {
        // Nothing stored, so no activity starts with it.
        stSitAtiv.clear();
        return;
    }
    try {
        remote_->save(cdsAtividades.changePacket());
    } catch (const framework::ServerCallError& error) {
        cdsAtividades.cancelUpdates();
        if (error.isConflict()) {
            // Someone changed or deleted the row meanwhile: show what the
            // server holds now instead of a stale row that could only fail again.
            stSitAtiv.clear();
            platform::ui::dialogs().error(error.message());
            loadDay();
            throw platform::dataset::Abort();
        }
        if (typed && !error.isRefusal()) {
            // The server never got it (unreachable, busy, the session not
            // renewed): the row comes back as typed, to be confirmed again.
            giveBackTypedRow(*typed);
        } else {
            // Refused by a rule the screen cannot check itself (the entry
            // period, a locked row): the same row would be refused again, and
            // kept in edit it would be posted again by every change of day,
            // so it goes, and the server's text says why. A delete brought
            // back likewise. What was picked for the row goes with it.
            stSitAtiv.clear();
        }
        throw;
    } catch (const std::exception&) {
        // Never sent: nothing pending may go twice.
        cdsAtividades.cancelUpdates();
        stSitAtiv.clear();
        throw;
    }
    // The changes are the server's now: nothing can send them again.
    cdsAtividades.mergeChangeLog();

    // The pending activity picked for the row just stored starts with it
    // (the current row: the one the post stored).
    if (typed && stSitAtiv == QStringLiteral("P"))
        queueActivityStart(
            {fieldText(cdsAtividades, "NRTAREFA"), fieldText(cdsAtividades, "NRPLATIVTARE")});
    stSitAtiv.clear();
    startPendingActivities();
}

void TfrmApropriacao::queueActivityStart(ActivityToStart activity) {
    if (std::find(activitiesToStart_.begin(), activitiesToStart_.end(), activity) ==
        activitiesToStart_.end())
        activitiesToStart_.push_back(std::move(activity));
}

void TfrmApropriacao::startPendingActivities() {
    while (!activitiesToStart_.empty()) {
        const ActivityToStart& next = activitiesToStart_.front();
        try {
            remote_->startActivity(framework::FiliProc(), next.task, next.activity);
        } catch (const framework::ServerCallError& error) {
            // The rows are stored: say what failed; the next save tells the
            // server again, from this activity on.
            platform::ui::dialogs().error(error.message());
            return;
        }
        activitiesToStart_.erase(activitiesToStart_.begin());
    }
}

void TfrmApropriacao::refreshAfterSave() {
    // The day's rows and total come with the day load below, which replaces
    // them whole: loading them once before it as well changed nothing seen
    // but the time a save takes. The year's marks are the refresh's own.
    const int savedRecNo = cdsAtividades.recNo();
    framework::RunDroppingFailure(
        QStringLiteral("Manutenção da Apropriação: a atualização depois de gravar"), [&] {
            const QString year = QString::fromStdString(depAgenda->GetDate().format("yyyy"));
            cdsDatas.load(remote_->markedDays(medCdOper->text(), framework::FiliProc(), year));
        });
    loadDay();
    if (savedRecNo > 0 && !cdsAtividades.isEmpty()) cdsAtividades.setRecNo(savedRecNo);
}

}  // namespace Cli_Zep00700
