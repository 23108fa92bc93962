// Every completed post or delete of an appropriation goes to the server at
// once; then everything a change can affect is reloaded and the cursor goes
// back to its row number.
#include <QLineEdit>

#include "busy_guard.h"
#include "field_text.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/errors.h"
#include "framework/remote_call.h"
#include "platform/dataset/errors.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/masked_edit.h"
#include "remote.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::bindSaving() {
    cdsAtividades.events.afterPost = whileAlive(&TfrmApropriacao::cdsAtividadesAfterPost);
    cdsAtividades.events.afterDelete = whileAlive(&TfrmApropriacao::cdsAtividadesAfterPost);
}

void TfrmApropriacao::cdsAtividadesAfterPost(platform::dataset::DataSet& /*dataSet*/) {
    // One level of the busy animation for both stages: shown at the start of
    // each, hidden once at the end, whatever way the save ends.
    BusyGuard busy;

    // --- Save stage
    bool stored = false;
    try {
        busy.show();
        if (cdsAtividades.editing()) cdsAtividades.post();
        if (cdsAtividades.changeCount() != 0) {
            framework::CheckResultServ(
                netApropriacao.AppServer().call(
                    apropriacao::setAtividades,
                    {framework::RemoteArg::delta(cdsAtividades.changePacket())}),
                true, 0);
            // The changes are the server's now: nothing can send them again.
            cdsAtividades.mergeChangeLog();
            stored = true;
        }
        if (stSitAtiv == QStringLiteral("P")) {
            try {
                framework::CheckResultServ(
                    netApropriacao.AppServer().call(
                        apropriacao::getUpdateAtiv,
                        {framework::FiliProc(), fieldText(cdsAtividades, "NRTAREFA"),
                         fieldText(cdsAtividades, "NRPLATIVTARE")}),
                    true, 0);
                stSitAtiv.clear();
            } catch (...) {
                if (!stored) throw;
                // The row is stored: say what failed and keep "P", so that the
                // next save asks again; the day is still reloaded.
                platform::ui::reportException(std::current_exception());
            }
        }
    } catch (const framework::ServerCallError& error) {
        busy.hide();
        cdsAtividades.cancelUpdates();
        if (!error.isConflict()) throw;
        // Someone changed or deleted the row meanwhile: show what the server
        // holds now instead of a stale row that could only fail again.
        platform::ui::dialogs().error(error.message());
        panFiltroExit();
        throw platform::dataset::Abort();
    } catch (...) {
        busy.hide();
        cdsAtividades.cancelUpdates();
        throw;
    }

    // --- Refresh stage
    int savedRecNo = 0;
    try {
        busy.show();
        const QString savedStart = fieldText(cdsAtividades, "HORAINI");
        savedRecNo = cdsAtividades.recNo();
        const framework::RemoteArg day = framework::RemoteArg::date(depAgenda->GetDate());
        loadFromServer(netApropriacao, apropriacao::getAtividades,
                       {medCdOper->text(), framework::FiliProc(), day}, cdsAtividades);
        loadFromServer(netApropriacao, apropriacao::getTotApro,
                       {medCdOper->text(), framework::FiliProc(), day}, cdsTotApro);
        cdsAtividades.locate("HORAINI",
                             savedStart.isEmpty()
                                 ? platform::dataset::Value()
                                 : platform::dataset::Value(savedStart.toStdString()),
                             {.caseInsensitive = true});
        const QString year = QString::fromStdString(depAgenda->GetDate().format("yyyy"));
        loadFromServer(netApropriacao, apropriacao::getDatas,
                       {medCdOper->text(), framework::FiliProc(), year}, cdsDatas);
        busy.hide();
    } catch (...) {
        busy.hide();
        logDroppedFailure("a atualização depois de gravar", std::current_exception());
    }

    // --- Closing steps
    panFiltroExit();
    if (savedRecNo > 0 && !cdsAtividades.isEmpty()) cdsAtividades.setRecNo(savedRecNo);
}

}  // namespace Cli_Zep00700
