// The operator and reference-date filter: the operator check, the year
// load, the work-team search and the day load.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <iostream>

#include "busy_guard.h"
#include "framework/btn_pesquisa.h"
#include "framework/calendar.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/utils.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "remote.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

void TfrmApropriacao::logDroppedFailure(const char* what, const std::exception_ptr& error) {
    QString text = platform::ui::exceptionMessage(error);
    if (text.isEmpty()) text = QStringLiteral("interrompido sem mensagem");
    std::cerr << "Manutenção da Apropriação: " << what << " não terminou: " << text.toStdString()
              << std::endl;
}

void TfrmApropriacao::bindFilter() {
    platform::ui::FocusManager& focus = focusManager();
    const auto unlessTearingDown = [this](void (TfrmApropriacao::*handler)()) {
        return [this, handler] {
            if (!tearingDown_) (this->*handler)();
        };
    };
    focus.setOnEnter(panFiltro, unlessTearingDown(&TfrmApropriacao::panFiltroEnter));
    focus.setOnExit(panFiltro, unlessTearingDown(&TfrmApropriacao::panFiltroExit));
    focus.setOnExit(medCdOper, unlessTearingDown(&TfrmApropriacao::medCdOperExit));
    focus.setOnExit(depAgenda, unlessTearingDown(&TfrmApropriacao::depAgendaExit));

    connect(medCdOper, &QLineEdit::textChanged, this,
            platform::ui::guarded([this] { medCdOperChange(); }));
    btnPesqOper->OnBeforePesq = [this](framework::TBtnPesquisa& sender, bool& proceed) {
        btnPesqOperBeforePesq(sender, proceed);
    };
    btnPesqOper->OnAfterPesq = [this](framework::TBtnPesquisa& sender) {
        btnPesqOperAfterPesq(sender);
    };
}

void TfrmApropriacao::medCdOperChange() {
    edtNmOper->clear();
}

void TfrmApropriacao::vd_Operador(bool required) {
    BusyGuard busy;
    try {
        if (framework::EmptyString(medCdOper->text())) {
            if (required) framework::MensErro(msgPadrao.Msg(QStringLiteral("Oper_Inf")), true);
            return;
        }
        medCdOper->setText(framework::Ajusta(medCdOper->text(), 12));

        busy.show();
        loadFromServer(netApropriacao, apropriacao::getOperEquip,
                       {framework::Operador(), medCdOper->text(), ""}, cdsOperEquip);
        busy.hide();

        if (cdsOperEquip.isEmpty())
            framework::MensErro(msgPadrao.Msg(QStringLiteral("Oper_Inv")), true);

        // The code first: setting it empties the name box.
        medCdOper->setText(QString::fromStdString(cdsOperEquip.fieldByName("CDOPERADOR").text()));
        edtNmOper->setText(QString::fromStdString(cdsOperEquip.fieldByName("NMOPERADOR").text()));
    } catch (...) {
        busy.hide();
        focusManager().setFocusTo(medCdOper);
        throw;
    }
}

void TfrmApropriacao::GetDatas() {
    BusyGuard busy;
    bool suspended = false;
    try {
        busy.show();
        const platform::dataset::DateTime today = HoraServidor();
        depAgenda->SetDate(HoraServidor());
        loadFromServer(netApropriacao, apropriacao::getDatas,
                       {medCdOper->text(), framework::FiliProc(), QString::number(today.year)},
                       cdsDatas);

        dbcDia->SuspendChange();
        suspended = true;
        dbcDia->SetDateElement(1, today.year);
        dbcDia->SetDateElement(2, today.month);
        dbcDia->SetDateElement(3, today.day);
        showCalendarCaption(HoraServidor());
        dbcDia->ResumeChange();
        suspended = false;

        boPrimVez = false;
        busy.hide();
    } catch (...) {
        busy.hide();
        if (suspended) dbcDia->ResumeChange();
        logDroppedFailure("a carga do ano", std::current_exception());
    }
}

void TfrmApropriacao::panFiltroEnter() {
    dbcDia->setEnabled(false);
    pgcApropr->setCurrentWidget(tshApropr);
    cdsAtividades.close();
    cdsTotApro.close();
    cdsPonto.close();
    boFiltrado = false;
    setMemDescQuietly(QString());
}

void TfrmApropriacao::panFiltroExit() {
    BusyGuard busy;
    try {
        busy.show();
        depAgenda->CheckValidDate();
        const platform::dataset::DateTime day = depAgenda->GetDate();

        // Left suspended when a later step fails: the next completed load,
        // the year load or a month step resumes it.
        dbcDia->SuspendChange();
        dbcDia->SetDateElement(1, day.year);
        dbcDia->SetDateElement(2, day.month);
        dbcDia->SetDateElement(3, day.day);

        const framework::RemoteArg date = framework::RemoteArg::date(day);
        loadFromServer(netApropriacao, apropriacao::getAtividades,
                       {medCdOper->text(), framework::FiliProc(), date}, cdsAtividades);
        // A day without rows shows no description (loading it moves to no row).
        if (cdsAtividades.isEmpty()) setMemDescQuietly(QString());
        loadFromServer(netApropriacao, apropriacao::getTotApro,
                       {medCdOper->text(), framework::FiliProc(), date}, cdsTotApro);
        loadFromServer(netApropriacao, apropriacao::getPonto, {medCdOper->text(), date}, cdsPonto);

        showCalendarCaption(day);
        dbcDia->ResumeChange();
        dbcDia->setEnabled(true);
        boFiltrado = true;
        busy.hide();
    } catch (...) {
        busy.hide();
        logDroppedFailure("a carga do dia", std::current_exception());
    }
}

void TfrmApropriacao::depAgendaExit() {
    if (depAgenda->GetDate().isZero()) depAgenda->SetDate(HoraServidor());
    depAgenda->CheckValidDate();
}

void TfrmApropriacao::medCdOperExit() {
    vd_Operador(true);
    GetDatas();
}

void TfrmApropriacao::btnPesqOperBeforePesq(framework::TBtnPesquisa& /*sender*/,
                                            bool& /*proceed*/) {
    BusyGuard busy;
    busy.show();
    loadFromServer(netApropriacao, apropriacao::getOperEquip, {framework::Operador(), "", "T"},
                   cdsOperEquip);
    busy.hide();
}

void TfrmApropriacao::btnPesqOperAfterPesq(framework::TBtnPesquisa& /*sender*/) {
    medCdOper->setText(QString::fromStdString(cdsOperEquip.fieldByName("CDOPERADOR").text()));
    edtNmOper->setText(QString::fromStdString(cdsOperEquip.fieldByName("NMOPERADOR").text()));
}

}  // namespace Cli_Zep00700
