#pragma once

#include "screen/frm_apropriacao.h"

namespace Cli_Zep00700 {

/// The screen's parts and handlers as tests and benchmarks reach them: each
/// member a reference to the screen's own, each handler a call of it. Not
/// for the module's code, which reaches the screen through the base class
/// and its controls' object names.
class TfrmApropriacaoAccess {
public:
    using DataSet = platform::dataset::DataSet;
    using DataSource = platform::dataset::DataSource;

    explicit TfrmApropriacaoAccess(TfrmApropriacao& screen)
        : form(screen),
          btnHojeDia(screen.btnHojeDia),
          imgAlerta(screen.imgAlerta),
          mnuLinha4(screen.mnuLinha4),
          mnuHoje(screen.mnuHoje),
          mnuPreencherPontos(screen.mnuPreencherPontos),
          mnuCopiarDia(screen.mnuCopiarDia),
          panFiltro(screen.panFiltro),
          medCdOper(screen.medCdOper),
          btnPesqOper(screen.btnPesqOper),
          edtNmOper(screen.edtNmOper),
          lblDataRef(screen.lblDataRef),
          depAgenda(screen.depAgenda),
          dbgAtividades(screen.dbgAtividades),
          dbeTotApro(screen.dbeTotApro),
          panCalendario(screen.panCalendario),
          sbtCalendDiaAnt(screen.sbtCalendDiaAnt),
          sbtCalendDiaPost(screen.sbtCalendDiaPost),
          dbcDia(screen.dbcDia),
          memDesc(screen.memDesc),
          dbgCtrlPonto(screen.dbgCtrlPonto),
          medHrTotal(screen.medHrTotal),
          netApropriacao(screen.netApropriacao),
          tmrAgenda(screen.tmrAgenda),
          cdsAtividades(screen.cdsAtividades),
          cdsPonto(screen.cdsPonto),
          cdsDatas(screen.cdsDatas),
          cdsHoraServidor(screen.cdsHoraServidor),
          cdsPesqTarefa(screen.cdsPesqTarefa),
          cdsPesqAtiv(screen.cdsPesqAtiv),
          cdsApropria(screen.cdsApropria),
          cdsTotApro(screen.cdsTotApro),
          cdsTotPontoReal(screen.cdsTotPontoReal),
          cdsOperEquip(screen.cdsOperEquip),
          cdsCtrlAcesso(screen.cdsCtrlAcesso),
          dtsPadrao(screen.dtsPadrao),
          dtsPonto(screen.dtsPonto),
          dtsDatas(screen.dtsDatas),
          dtsApropria(screen.dtsApropria),
          dtsTotApro(screen.dtsTotApro),
          dtsOperEquip(screen.dtsOperEquip),
          sbtIncluir(screen.sbtIncluir),
          sbtAlterar(screen.sbtAlterar),
          sbtExcluir(screen.sbtExcluir),
          sbtConfirmar(screen.sbtConfirmar),
          sbtCancelar(screen.sbtCancelar),
          mnuAlterar(screen.mnuAlterar),
          mnuExcluir(screen.mnuExcluir),
          mnuManutencao(screen.mnuManutencao) {}

    TfrmApropriacao& form;

    framework::TButtonFlat*& btnHojeDia;
    QLabel*& imgAlerta;
    QAction*& mnuLinha4;
    QAction*& mnuHoje;
    QAction*& mnuPreencherPontos;
    QAction*& mnuCopiarDia;
    QFrame*& panFiltro;
    platform::ui::MaskedEdit*& medCdOper;
    framework::TBtnPesquisa*& btnPesqOper;
    QLineEdit*& edtNmOper;
    QLabel*& lblDataRef;
    framework::TDateEditPlus*& depAgenda;
    platform::dbcontrols::DBGrid*& dbgAtividades;
    platform::dbcontrols::DBEdit*& dbeTotApro;
    QLabel*& panCalendario;
    framework::TButtonFlat*& sbtCalendDiaAnt;
    framework::TButtonFlat*& sbtCalendDiaPost;
    framework::TDBCalendar*& dbcDia;
    QPlainTextEdit*& memDesc;
    platform::dbcontrols::DBGrid*& dbgCtrlPonto;
    platform::ui::MaskedEdit*& medHrTotal;
    framework::TNetConnection& netApropriacao;
    QTimer& tmrAgenda;

    DataSet& cdsAtividades;
    DataSet& cdsPonto;
    DataSet& cdsDatas;
    DataSet& cdsHoraServidor;
    DataSet& cdsPesqTarefa;
    DataSet& cdsPesqAtiv;
    DataSet& cdsApropria;
    DataSet& cdsTotApro;
    DataSet& cdsTotPontoReal;
    DataSet& cdsOperEquip;
    DataSet& cdsCtrlAcesso;
    DataSource& dtsPadrao;
    DataSource& dtsPonto;
    DataSource& dtsDatas;
    DataSource& dtsApropria;
    DataSource& dtsTotApro;
    DataSource& dtsOperEquip;

    // The base's toolbar and menu, for tests that read them beside the screen's own.
    framework::TButtonFlat*& sbtIncluir;
    framework::TButtonFlat*& sbtAlterar;
    framework::TButtonFlat*& sbtExcluir;
    framework::TButtonFlat*& sbtConfirmar;
    framework::TButtonFlat*& sbtCancelar;
    QAction*& mnuAlterar;
    QAction*& mnuExcluir;
    QMenu*& mnuManutencao;

    platform::ui::FocusManager& focusManager() const { return form.focusManager(); }

    // Handlers, as their events run them.
    void FormActivate() { form.FormActivate(); }
    void FormClose(framework::CloseAction& action) { form.FormClose(action); }
    void FormDestroy() { form.FormDestroy(); }
    void panFiltroExit() { form.panFiltroExit(); }
    void sbtIncluirClick() { form.sbtIncluirClick(); }
    void sbtConfirmarClick() { form.sbtConfirmarClick(); }
    void sbtCancelarClick() { form.sbtCancelarClick(); }
    void sbtVerificarClick() { form.sbtVerificarClick(); }
    void dbgAtividadesDrawColumnCell(platform::dbcontrols::DBGrid& sender,
                                     platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                     int dataCol, platform::dbcontrols::DBGridColumn& column,
                                     platform::dbcontrols::DBGrid::DrawState state) {
        form.dbgAtividadesDrawColumnCell(sender, canvas, rect, dataCol, column, state);
    }
    /// The day the grid's rows were loaded for (zero before any).
    platform::dataset::DateTime loadedDay() const { return form.loadedDay_; }
};

}  // namespace Cli_Zep00700
