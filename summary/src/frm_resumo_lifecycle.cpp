// The summary screen's life: connection, first activation with the access
// check and the first load, closing and destruction.
#include <QComboBox>
#include <QPushButton>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/corvix.h"
#include "platform/ui/dialog_service.h"
#include "protocol/resumo.h"
#include "summary/cli_zep00710.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

namespace resumo = protocol::resumo;

void TfrmResumoApropriacao::bindLifecycle() {
    netResumo.OnBeforeConnect = [this](QObject* sender) { netResumoBeforeConnect(sender); };
}

void TfrmResumoApropriacao::FormCreate() {
    // A connection that fails stays disconnected (ThrowException is off);
    // the first call tries again and reports the failure.
    netResumo.setConnected(true);
    TfrmPadraoSimples::FormCreate();
    firstActivation_ = true;
}

void TfrmResumoApropriacao::netResumoBeforeConnect(QObject* /*sender*/) {
    netResumo.setHost(framework::WebURL());
    netResumo.setPort(framework::WebPort());
}

void TfrmResumoApropriacao::FormActivate() {
    if (released_) return;
    if (!firstActivation_) {
        framework::TApplication::SetWindowState(this, framework::FormWindowState::Normal);
        // The day screen opened from here may have saved since, and may
        // still be open: every return to the summary reloads its month.
        if (reloadOnActivate_) CarregaResumo();
        return;
    }
    // Drawn before the server calls block the user-interface thread.
    repaint();

    framework::BusyGuard busy;
    busy.show();
    cdsCtrlAcesso.load(netResumo.AppServer().call(resumo::getCtrlAcesso,
                                                  {framework::FiliProc(), framework::Operador()}));
    if (cdsCtrlAcesso.isEmpty()) {
        busy.hide();
        platform::ui::dialogs().error(msgPadrao.Msg(QStringLiteral("Neg_Acess")));
        Close();
        return;
    }
    firstActivation_ = false;
    cdsCtrlFechamento.load(netResumo.AppServer().call(
        resumo::getCtrlFechamento, {framework::FiliProc(), framework::Operador()}));
    mayClose_ = !cdsCtrlFechamento.isEmpty();
    cdsEquipes.load(netResumo.AppServer().call(resumo::getEquipes,
                                               {framework::FiliProc(), framework::Operador()}));
    fillTeams();
    showMonth(HoraServidor());
    busy.hide();
    if (cdsEquipes.isEmpty())
        platform::ui::dialogs().information(msgPadrao.Msg(QStringLiteral("Sem_Equipe")));
    CarregaResumo();
}

void TfrmResumoApropriacao::dtsPadraoStateChange() {
    TfrmPadraoSimples::dtsPadraoStateChange();
    // Nothing is typed into the summary: its one command is the reload.
    sbtVerificar->setEnabled(true);
    mnuVerificar->setEnabled(true);
}

void TfrmResumoApropriacao::sbtVerificarClick() {
    CarregaResumo();
}

platform::dataset::DateTime TfrmResumoApropriacao::HoraServidor() {
    cdsHoraServidor.load(netResumo.AppServer().call(resumo::getHoraServidor));
    return cdsHoraServidor.fieldByName("SYSDATE").asDateTime();
}

void TfrmResumoApropriacao::FormClose(framework::CloseAction& action) {
    boIdCriado = false;
    TfrmPadraoSimples::FormClose(action);
}

void TfrmResumoApropriacao::FormDestroy() {
    released_ = true;
    TfrmPadraoSimples::FormDestroy();
    netResumo.setConnected(false);
}

}  // namespace Cli_Zep00710
