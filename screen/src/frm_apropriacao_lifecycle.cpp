// The screen's life: connection, first activation with the access check,
// the enable rules that follow the appropriation data set, the server's
// clock, closing and destruction.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/application.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/indice_col.h"
#include "framework/utils.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::bindLifecycle() {
    netApropriacao.OnBeforeConnect = [this](QObject* sender) {
        netApropriacaoBeforeConnect(sender);
    };
    connect(pgcApropr, &QTabWidget::currentChanged, this,
            platform::ui::guarded(whileAlive([this] { pgcAproprChange(); })));
}

void TfrmApropriacao::FormCreate() {
    // A connection that fails stays disconnected; the first call tries
    // again and reports the failure.
    netApropriacao.setConnected(true);
    TfrmPadraoSimples::FormCreate();
    boPrimVez = true;
}

void TfrmApropriacao::netApropriacaoBeforeConnect(QObject* /*sender*/) {
    netApropriacao.setHost(framework::WebURL());
    netApropriacao.setPort(framework::WebPort());
}

void TfrmApropriacao::FormActivate() {
    // A screen already released (closed, or refused) may still hear its
    // window being activated until it is gone: that is no first activation.
    if (tearingDown_) return;
    if (!boPrimVez) {
        framework::TApplication::SetWindowState(frmApropriacao ? frmApropriacao : this,
                                                framework::FormWindowState::Normal);
        return;
    }
    admitUser();
}

void TfrmApropriacao::admitUser() {
    // Drawn before the server calls block the user-interface thread.
    repaint();

    framework::BusyGuard busy;
    busy.show();
    cdsCtrlAcesso.load(remote_->access(framework::FiliProc(), framework::Operador()));
    busy.hide();

    if (cdsCtrlAcesso.isEmpty()) {
        platform::ui::dialogs().error(msgPadrao.Msg(QStringLiteral("Neg_Acess")));
        Close();
        return;
    }
    (frmApropriacao ? frmApropriacao : this)->setVisible(true);
    medCdOper->setText(framework::Operador());
    vd_Operador(true);
    loadYear();
    standOnRequestedDay();
}

void TfrmApropriacao::dtsPadraoStateChange() {
    applyEnableRules();
}

void TfrmApropriacao::pgcAproprChange() {
    applyEnableRules();
}

void TfrmApropriacao::applyEnableRules() {
    applyCommandRules();
    const platform::dataset::DataSetState state = dtsPadrao.state();
    const bool editing = platform::dataset::isEditingState(state);

    framework::SetChildEnabled(panFiltro, !editing);
    btnHojeDia->setEnabled(!editing);
    lblDataRef->setEnabled(!editing);
    depAgenda->setEnabled(!editing);

    const bool browsingRows =
        state == platform::dataset::DataSetState::Browse && !cdsAtividades.isEmpty();
    const bool mayChange = browsingRows && hasEndStamp();
    sbtAlterar->setEnabled(mayChange);
    sbtExcluir->setEnabled(mayChange);
    // Typing in the memo starts an edit; the memo must not disable itself then.
    if (focusWidget() != memDesc) memDesc->setEnabled(browsingRows);

    mnuAlterar->setEnabled(sbtAlterar->isEnabled());
    mnuExcluir->setEnabled(sbtExcluir->isEnabled());
    mnuHoje->setEnabled(btnHojeDia->isEnabled());
    // Both begin or send new rows: the insert button's rule.
    mnuPreencherPontos->setEnabled(sbtIncluir->isEnabled());
    mnuCopiarDia->setEnabled(sbtIncluir->isEnabled());

    const auto buttons = editing ? platform::dbcontrols::ColumnButtonStyle::Ellipsis
                                 : platform::dbcontrols::ColumnButtonStyle::None;
    dbgAtividades->column(framework::IndiceCol(dbgAtividades, QStringLiteral("NRTAREFA")))
        .setButtonStyle(buttons);
    dbgAtividades->column(framework::IndiceCol(dbgAtividades, QStringLiteral("NRPLATIVTARE")))
        .setButtonStyle(buttons);
}

platform::dataset::DateTime TfrmApropriacao::serverNow() {
    cdsHoraServidor.load(remote_->serverTime());
    const platform::dataset::DateTime now = cdsHoraServidor.fieldByName("SYSDATE").asDateTime();
    // The calendar's current day is the server's, whenever the screen asks it.
    dbcDia->SetToday(now);
    return now;
}

void TfrmApropriacao::FormClose(framework::CloseAction& action) {
    boIdCriado = false;
    boPrimVez = true;
    TfrmPadraoSimples::FormClose(action);
    if (cdsCtrlAcesso.isEmpty()) action = framework::CloseAction::Free;
}

void TfrmApropriacao::FormDestroy() {
    // From here on nothing of the screen runs: its parts go soon.
    tearingDown_ = true;
    TfrmPadraoSimples::FormDestroy();
    netApropriacao.setConnected(false);
}

}  // namespace Cli_Zep00700
