// Closing and reopening the selected operator's month.
#include <QPushButton>

#include "framework/busy.h"
#include "framework/corvix.h"
#include "framework/remote_call.h"
#include "framework/utils.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "protocol/resumo.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

namespace resumo = protocol::resumo;

void TfrmResumoApropriacao::bindClosing() {
    connect(btnFecharMes, &QPushButton::clicked, this,
            platform::ui::guarded([this] { btnFecharMesClick(); }));
    connect(btnReabrirMes, &QPushButton::clicked, this,
            platform::ui::guarded([this] { btnReabrirMesClick(); }));
    cdsResumo.events.afterScroll = [this](platform::dataset::DataSet& dataSet) {
        if (!tearingDown_ && !reloading_) cdsResumoAfterScroll(dataSet);
    };
    updateClosingButtons();
}

void TfrmResumoApropriacao::btnFecharMesClick() {
    changeClosing(true);
}

void TfrmResumoApropriacao::btnReabrirMesClick() {
    changeClosing(false);
}

void TfrmResumoApropriacao::cdsResumoAfterScroll(platform::dataset::DataSet& /*dataSet*/) {
    updateClosingButtons();
    showSelectedInChart();
}

void TfrmResumoApropriacao::updateClosingButtons() {
    const bool selected = mayClose_ && cdsResumo.active() && !cdsResumo.isEmpty();
    const bool closed = selected && cdsResumo.fieldByName("IDFECHADO").text() == std::string("S");
    btnFecharMes->setEnabled(selected && !closed);
    btnReabrirMes->setEnabled(selected && closed);
}

void TfrmResumoApropriacao::changeClosing(bool close) {
    if (!mayClose_ || !cdsResumo.active() || cdsResumo.isEmpty()) return;
    const QString code = QString::fromStdString(cdsResumo.fieldByName("CDOPERADOR").text());
    const QString name = QString::fromStdString(cdsResumo.fieldByName("NMOPERADOR").text());
    const platform::dataset::DateTime month = mesSelecionado();
    const QString question =
        msgPadrao.Msg(close ? QStringLiteral("Fech_Conf") : QStringLiteral("Reab_Conf"))
            .arg(QString::fromStdString(month.format("mm/yyyy")), framework::AllTrim(name));
    if (!platform::ui::dialogs().confirm(question)) return;

    framework::BusyGuard busy;
    busy.show();
    netResumo.AppServer().call(
        resumo::setFechamento,
        {framework::FiliProc(), code, QString::fromStdString(month.format("yyyy-mm")),
         close ? "S" : "N"});
    busy.hide();
    CarregaResumo();
}

}  // namespace Cli_Zep00710
