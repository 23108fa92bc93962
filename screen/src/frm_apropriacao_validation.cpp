// The task and activity of the row being edited, checked with the server
// and completed with the texts the server holds for them.
#include <QLineEdit>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/utils.h"
#include "platform/ui/masked_edit.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::vd_tarefa(bool required) {
    if (!cdsAtividades.editing()) return;
    // Brought to its column's width before any test, and kept so when refused.
    setFieldText(cdsAtividades, "NRTAREFA",
                 framework::Ajusta(fieldText(cdsAtividades, "NRTAREFA"), 10));
    // Whatever refuses the task, the focus goes to its column.
    framework::BusyGuard busy([this] { focusField("NRTAREFA"); });
    const QString task = fieldText(cdsAtividades, "NRTAREFA");
    if (framework::EmptyString(task)) {
        if (required) framework::MensErro(msgPadrao.Msg(QStringLiteral("Tare_deve")));
        return;
    }
    busy.show();
    cdsVdTarefa.load(remote_->task(framework::FiliProc(), task));
    busy.hide();
    if (cdsVdTarefa.isEmpty()) framework::MensErro(msgPadrao.Msg(QStringLiteral("Tare_n_cad")));
    setFieldText(cdsAtividades, "NRTAREFA", fieldText(cdsVdTarefa, "NRTAREFA"));
    setFieldText(cdsAtividades, "DSREFETAREFA", fieldText(cdsVdTarefa, "DSREFETAREFA"));
}

void TfrmApropriacao::vd_ativ(bool required) {
    if (!cdsAtividades.editing()) return;
    setFieldText(cdsAtividades, "NRPLATIVTARE",
                 framework::Ajusta(fieldText(cdsAtividades, "NRPLATIVTARE"), 5));
    framework::BusyGuard busy([this] { focusField("NRPLATIVTARE"); });
    const QString activity = fieldText(cdsAtividades, "NRPLATIVTARE");
    if (framework::EmptyString(activity)) {
        // "Ativ_deve" finds the entry "ATIV_DEVE": keys match without regard to case.
        if (required) framework::MensErro(msgPadrao.Msg(QStringLiteral("Ativ_deve")));
        return;
    }
    busy.show();
    // The task goes as it stands, empty or not; the operator is the filter's.
    cdsVdAtiv.load(remote_->activity(framework::FiliProc(), fieldText(cdsAtividades, "NRTAREFA"),
                                     medCdOper->text(), activity));
    busy.hide();
    if (cdsVdAtiv.isEmpty()) framework::MensErro(msgPadrao.Msg(QStringLiteral("Ativ_n_cad")));
    setFieldText(cdsAtividades, "NMPROCESSO", fieldText(cdsVdAtiv, "NMPROCESSO"));
}

}  // namespace Cli_Zep00700
