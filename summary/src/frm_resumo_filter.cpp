// The summary's filter (team, operator, month) and the month's load.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

#include <algorithm>

#include "framework/btn_pesquisa.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/corvix.h"
#include "framework/date_edit_plus.h"
#include "framework/operator_search.h"
#include "framework/utils.h"
#include "month_chart.h"
#include "month_summary.h"
#include "platform/dataset/field.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "protocol/resumo.h"
#include "summary/frm_resumo_apropriacao.h"

namespace Cli_Zep00710 {

namespace resumo = protocol::resumo;
namespace pds = platform::dataset;

void TfrmResumoApropriacao::bindFilter() {
    platform::ui::FocusManager& focus = focusManager();
    focus.setOnExit(medCdOper, [this] {
        if (!tearingDown_) medCdOperExit();
    });
    focus.setOnExit(depMes, [this] {
        if (!tearingDown_) depMesExit();
    });
    connect(cbxEquipe, &QComboBox::activated, this,
            platform::ui::guarded([this] { cbxEquipeChange(); }));
    connect(medCdOper, &QLineEdit::textEdited, this,
            platform::ui::guarded([this] { medCdOperChange(); }));
    connect(sbtMesAnt, &QToolButton::clicked, this,
            platform::ui::guarded([this] { sbtMesAntClick(); }));
    connect(sbtMesPost, &QToolButton::clicked, this,
            platform::ui::guarded([this] { sbtMesPostClick(); }));
    btnPesqOper->OnBeforePesq = [this](framework::TBtnPesquisa& sender, bool& proceed) {
        btnPesqOperBeforePesq(sender, proceed);
    };
    btnPesqOper->OnAfterPesq = [this](framework::TBtnPesquisa& sender) {
        btnPesqOperAfterPesq(sender);
    };
}

void TfrmResumoApropriacao::fillTeams() {
    std::vector<std::pair<QString, QString>> teams;
    for (cdsEquipes.first(); !cdsEquipes.eof(); cdsEquipes.next())
        teams.emplace_back(QString::fromStdString(cdsEquipes.fieldByName("CDEQUIPE").text()),
                           QString::fromStdString(cdsEquipes.fieldByName("NMEQUIPE").text()));
    std::sort(teams.begin(), teams.end());
    const QSignalBlocker quiet(cbxEquipe);
    cbxEquipe->clear();
    for (const auto& [code, name] : teams)
        cbxEquipe->addItem(QStringLiteral("%1 - %2").arg(code, name), code);
    cbxEquipe->setCurrentIndex(teams.empty() ? -1 : 0);
}

void TfrmResumoApropriacao::cbxEquipeChange() {
    // A team picked is the team's month: the operator filter goes.
    medCdOper->clear();
    edtNmOper->clear();
    CarregaResumo();
}

void TfrmResumoApropriacao::medCdOperChange() {
    edtNmOper->clear();
}

void TfrmResumoApropriacao::medCdOperExit() {
    vd_Operador();
    CarregaResumo();
}

void TfrmResumoApropriacao::vd_Operador() {
    // Whatever refuses the code, the focus goes back to it.
    framework::BusyGuard busy([this] { focusManager().setFocusTo(medCdOper); });
    if (framework::EmptyString(medCdOper->text())) {
        medCdOper->clear();
        edtNmOper->clear();
        return;
    }
    medCdOper->setText(framework::Ajusta(medCdOper->text(), 12));
    busy.show();
    cdsOperEquip.load(netResumo.AppServer().call(resumo::getOperEquip,
                                                 {framework::Operador(), medCdOper->text(), ""}));
    busy.hide();
    if (cdsOperEquip.isEmpty())
        framework::MensErro(msgPadrao.Msg(QStringLiteral("Oper_Inv")), true);
    btnPesqOperAfterPesq(*btnPesqOper);
}

void TfrmResumoApropriacao::btnPesqOperBeforePesq(framework::TBtnPesquisa& /*sender*/,
                                                  bool& /*proceed*/) {
    framework::BusyGuard busy;
    busy.show();
    cdsOperEquip.load(
        netResumo.AppServer().call(resumo::getOperEquip, {framework::Operador(), "", "T"}));
}

void TfrmResumoApropriacao::btnPesqOperAfterPesq(framework::TBtnPesquisa& /*sender*/) {
    framework::MostraOperador(cdsOperEquip, medCdOper, edtNmOper);
}

void TfrmResumoApropriacao::depMesExit() {
    if (depMes->GetDate().isZero()) {
        showMonth(HoraServidor());
    } else {
        depMes->CheckValidDate();
        showMonth(depMes->GetDate());
    }
    CarregaResumo();
}

void TfrmResumoApropriacao::sbtMesAntClick() {
    stepMonth(-1);
}

void TfrmResumoApropriacao::sbtMesPostClick() {
    stepMonth(+1);
}

void TfrmResumoApropriacao::stepMonth(int delta) {
    depMes->CheckValidDate();
    showMonth(mesSelecionado().addMonths(delta));
    CarregaResumo();
}

void TfrmResumoApropriacao::showMonth(const pds::DateTime& month) {
    const pds::DateTime first = pds::DateTime::date(month.year, month.month, 1);
    depMes->SetDate(first);
    lblNomeMes->setText(QStringLiteral("%1 %2").arg(framework::NomeMes(first)).arg(first.year));
}

pds::DateTime TfrmResumoApropriacao::mesSelecionado() const {
    pds::DateTime first = depMes->GetDate().datePart();
    first.day = 1;
    return first;
}

void TfrmResumoApropriacao::CarregaResumo() {
    const pds::DateTime first = mesSelecionado();
    const QString team = cbxEquipe->currentData().toString();
    const QString operatorCode = medCdOper->text().trimmed();
    auto summary = std::make_unique<MonthSummary>(pds::DataPacket{}, first);
    if (!operatorCode.isEmpty() || !team.isEmpty()) {
        framework::BusyGuard busy;
        busy.show();
        const pds::DateTime last = first.addMonths(1).addDays(-1);
        const QString chosenTeam = operatorCode.isEmpty() ? team : QString();
        // Every operator of the choice has his row, also with no day in the month.
        const std::vector<Member> members = membersOf(netResumo.AppServer().call(
            resumo::getOperadoresResumo, {framework::FiliProc(), chosenTeam, operatorCode,
                                          QString::fromStdString(first.format("yyyy-mm"))}));
        summary = std::make_unique<MonthSummary>(
            netResumo.AppServer().call(
                resumo::getResumoPeriodo,
                {framework::FiliProc(), chosenTeam, operatorCode, framework::RemoteArg::date(first),
                 framework::RemoteArg::date(last)}),
            first, members);
    }
    // The operator's row and the column stay selected across a reload.
    QString selected;
    if (cdsResumo.active() && !cdsResumo.isEmpty())
        selected = QString::fromStdString(cdsResumo.fieldByName("CDOPERADOR").text());
    const platform::dataset::Field* column = dbgResumo->selectedField();
    const QString selectedColumn = column ? QString::fromStdString(column->name()) : QString();
    summary_ = std::move(summary);
    {
        // The rows' moves while they load are no selection: the chart and
        // the buttons follow the row the load ends on, once.
        const QScopedValueRollback quiet(reloading_, true);
        cdsResumo.close();
        cdsResumo.load(summary_->gridPacket());
        setGridColumns();
        if (!selected.isEmpty()) cdsResumo.locate("CDOPERADOR", pds::Value(selected.toStdString()));
        if (const int index = dbgResumo->columnIndex(selectedColumn); index >= 0)
            dbgResumo->setSelectedIndex(index);
    }
    updateClosingButtons();
    showSelectedInChart();
}

void TfrmResumoApropriacao::showSelectedInChart() {
    const OperatorMonth* month =
        cdsResumo.active() && !cdsResumo.isEmpty()
            ? summary_->find(QString::fromStdString(cdsResumo.fieldByName("CDOPERADOR").text()))
            : nullptr;
    const QString period = QStringLiteral("%1 %2")
                               .arg(framework::NomeMes(summary_->firstDay()))
                               .arg(summary_->firstDay().year);
    chtResumo->ShowMonth(month, summary_->daysInMonth(),
                         month ? QStringLiteral("%1 — %2").arg(month->name, period) : period);
}

void TfrmResumoApropriacao::setGridColumns() {
    const int dayWidth = fontMetrics().horizontalAdvance(QStringLiteral("-00:00")) + 6;
    const int totalWidth = fontMetrics().horizontalAdvance(QStringLiteral("-000:00")) + 14;
    std::vector<platform::dbcontrols::DBGridColumnDef> columns;
    for (int i = 0; i < cdsResumo.fieldCount(); ++i) {
        const pds::Field& field = cdsResumo.field(i);
        platform::dbcontrols::DBGridColumnDef def;
        def.fieldName = QString::fromStdString(field.name());
        def.title = QString::fromStdString(field.displayLabel());
        def.readOnly = true;
        if (dayOfField(def.fieldName) > 0)
            def.width = dayWidth;
        else if (def.fieldName == QStringLiteral("CDOPERADOR"))
            def.width = fontMetrics().horizontalAdvance(QStringLiteral("000000000000")) + 10;
        else if (def.fieldName == QStringLiteral("NMOPERADOR"))
            def.width = fontMetrics().horizontalAdvance(QStringLiteral("Nome de um operador"));
        else
            def.width = totalWidth;
        columns.push_back(def);
    }
    dbgResumo->setColumns(columns);
}

}  // namespace Cli_Zep00710
