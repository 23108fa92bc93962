// The operator and reference-date filter: the operator check, the year
// load, the work-team search and the day load.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "apropriacao_client.h"
#include "field_text.h"
#include "framework/btn_pesquisa.h"
#include "framework/busy.h"
#include "framework/calendar.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/failures.h"
#include "framework/operator_search.h"
#include "framework/utils.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::bindFilter() {
    platform::ui::FocusManager& focus = focusManager();
    focus.setOnEnter(panFiltro, whileAlive(&TfrmApropriacao::panFiltroEnter));
    focus.setOnExit(panFiltro, whileAlive(&TfrmApropriacao::panFiltroExit));
    focus.setOnExit(medCdOper, whileAlive(&TfrmApropriacao::medCdOperExit));
    focus.setOnExit(depAgenda, whileAlive(&TfrmApropriacao::depAgendaExit));

    connect(medCdOper, &QLineEdit::textChanged, this,
            platform::ui::guarded(whileAlive(&TfrmApropriacao::medCdOperChange)));
    btnPesqOper->OnBeforePesq = whileAlive(&TfrmApropriacao::btnPesqOperBeforePesq);
    btnPesqOper->OnAfterPesq = whileAlive(&TfrmApropriacao::btnPesqOperAfterPesq);
}

void TfrmApropriacao::medCdOperChange() {
    edtNmOper->clear();
}

void TfrmApropriacao::vd_Operador(bool required) {
    // Whatever refuses the code, the focus goes back to it.
    framework::BusyGuard busy([this] { focusManager().setFocusTo(medCdOper); });
    if (framework::EmptyString(medCdOper->text())) {
        if (required) framework::MensErro(msgPadrao.Msg(QStringLiteral("Oper_Inf")), true);
        return;
    }
    medCdOper->setText(framework::Ajusta(medCdOper->text(), 12));

    busy.show();
    cdsOperEquip.load(remote_->teamMember(framework::Operador(), medCdOper->text()));
    busy.hide();

    if (cdsOperEquip.isEmpty())
        framework::MensErro(msgPadrao.Msg(QStringLiteral("Oper_Inv")), true);

    framework::MostraOperador(cdsOperEquip, medCdOper, edtNmOper);
}

void TfrmApropriacao::loadYear() {
    framework::RunDroppingFailure(
        QStringLiteral("Manutenção da Apropriação: a carga do ano"), [this] {
            framework::BusyGuard busy;
            busy.show();
            // One reading of the server's clock serves the date, the
            // calendar and its caption alike.
            const platform::dataset::DateTime today = serverNow();
            depAgenda->SetDate(today);
            cdsDatas.load(remote_->markedDays(medCdOper->text(), framework::FiliProc(),
                                              QString::number(today.year)));
            setCalendarDay(today.datePart());
            showCalendarCaption(today);
            boPrimVez = false;
        });
}

void TfrmApropriacao::panFiltroEnter() {
    // The calendar stays enabled: a day clicked from the filter is the next
    // day to load, once the filter has been left.
    pgcApropr->setCurrentWidget(tshApropr);
    cdsAtividades.close();
    loadedDay_ = {};
    cdsTotApro.close();
    cdsPonto.close();
    boFiltrado = false;
    setMemDescQuietly(QString());
}

void TfrmApropriacao::panFiltroExit() {
    // What the server could not give is said; leaving the filter is not
    // refused for it.
    platform::ui::dispatch([this] { loadDay(); });
}

void TfrmApropriacao::loadDay() {
    // The rows being typed are the user's: saved, or refused where the
    // refusal says, before anything replaces them. Their save reloads the
    // day in depAgenda itself.
    if (postRowBeingTyped()) return;

    // A failure leaves the grid on the rows it shows: the calendar and the
    // date go back to their day, and the failure goes on to be shown.
    framework::OnFailure backToTheRowsDay(QStringLiteral("a volta ao dia mostrado"),
                                          [this] { standOnLoadedDay(); });
    framework::BusyGuard busy;
    busy.show();
    depAgenda->CheckValidDate();
    const platform::dataset::DateTime day = depAgenda->GetDate().datePart();
    const QString operatorCode = medCdOper->text();
    const QString branch = framework::FiliProc();

    // Every packet first, so that a failed call replaces nothing.
    platform::dataset::DataPacket rows = remote_->day(operatorCode, branch, day);
    platform::dataset::DataPacket total = remote_->dayTotal(operatorCode, branch, day);
    platform::dataset::DataPacket punches = remote_->punches(operatorCode, day);

    setCalendarDay(day);
    cdsAtividades.load(std::move(rows));
    loadedDay_ = day;
    // A day without rows shows no description (loading it moves to no row).
    if (cdsAtividades.isEmpty()) setMemDescQuietly(QString());
    cdsTotApro.load(std::move(total));
    cdsPonto.load(std::move(punches));  // its after-open asks for the clock's total

    showCalendarCaption(day);
    dbcDia->setEnabled(true);
    boFiltrado = true;
}

bool TfrmApropriacao::postRowBeingTyped() {
    if (!cdsAtividades.editing()) return false;
    // What the grid's editor holds counts as typed.
    dbgAtividades->setEditorMode(false);
    if (!cdsAtividades.modified()) {
        // Nothing typed: a new row only begun, an edit never used.
        cdsAtividades.cancel();
        return false;
    }
    framework::OnFailure backToTheRowsDay(QStringLiteral("a volta ao dia editado"),
                                          [this] { standOnLoadedDay(); });
    cdsAtividades.post();
    return true;
}

void TfrmApropriacao::standOnLoadedDay() {
    if (loadedDay_.isZero()) return;  // no rows loaded: no day to go back to
    depAgenda->SetDate(loadedDay_);
    setCalendarDay(loadedDay_);
    showCalendarCaption(loadedDay_);
    // The description cleared for the day that did not come is the current row's again.
    if (!cdsAtividades.editing())
        setMemDescQuietly(cdsAtividades.isEmpty() ? QString()
                                                  : fieldText(cdsAtividades, "TXAPRATIVTAR"));
}

void TfrmApropriacao::depAgendaExit() {
    if (depAgenda->GetDate().isZero()) depAgenda->SetDate(serverNow());
    depAgenda->CheckValidDate();
}

void TfrmApropriacao::medCdOperExit() {
    vd_Operador(true);
    loadYear();
}

void TfrmApropriacao::btnPesqOperBeforePesq(framework::TBtnPesquisa& /*sender*/,
                                            bool& /*proceed*/) {
    framework::BusyGuard busy;
    busy.show();
    cdsOperEquip.load(remote_->team(framework::Operador()));
}

void TfrmApropriacao::btnPesqOperAfterPesq(framework::TBtnPesquisa& /*sender*/) {
    framework::MostraOperador(cdsOperEquip, medCdOper, edtNmOper);
}

void TfrmApropriacao::AbreDia(const QString& operador, const platform::dataset::DateTime& dia) {
    diaPedido_ = std::make_pair(operador, dia);
    if (!boPrimVez) standOnRequestedDay();
}

void TfrmApropriacao::standOnRequestedDay() {
    if (!diaPedido_) return;
    const auto [operador, dia] = *diaPedido_;
    diaPedido_.reset();
    medCdOper->setText(operador);
    vd_Operador(true);
    loadYear();
    // Out of the filter first (its exit loads the day on the date shown),
    // then the day asked.
    focusManager().setFocusTo(dbgAtividades);
    depAgenda->SetDate(dia);
    panFiltroExit();
}

}  // namespace Cli_Zep00700
