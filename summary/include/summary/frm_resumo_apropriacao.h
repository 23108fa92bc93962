#pragma once

#include <QImage>
#include <QString>

#include <memory>

#include "framework/net_connection.h"
#include "framework/padrao_simples.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dataset/datetime.h"
#include "platform/dbcontrols/db_grid.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform::dbcontrols {
class Canvas;
class DBGridColumn;
}  // namespace platform::dbcontrols

namespace platform::ui {
class MaskedEdit;
}  // namespace platform::ui

namespace framework {
class TBtnPesquisa;
class TButtonFlat;
class TDateEditPlus;
}  // namespace framework

namespace Cli_Zep00710 {

class MonthSummary;
class TGraficoMes;

/// "Resumo da Apropriação": a work team's (or one operator's) month, one row
/// per operator with appropriated minus punched time per day, the month's
/// totals and whether the month is closed; the selected operator's month is
/// closed and reopened from here. Built on the framework's base screen like
/// the appropriation screen.
///
/// Construction builds everything and ends by running FormCreate (through
/// the base's Create), so a failure leaves the constructor and no screen
/// survives it.
class TfrmResumoApropriacao : public framework::TfrmPadraoSimples {
    Q_OBJECT
public:
    explicit TfrmResumoApropriacao(QWidget* parent = nullptr);
    ~TfrmResumoApropriacao() override;

    // --- Controls ----------------------------------------------------------------
    QFrame* panFiltro = nullptr;
    QLabel* lblEquipe = nullptr;
    QComboBox* cbxEquipe = nullptr;
    QLabel* lblOperador = nullptr;
    platform::ui::MaskedEdit* medCdOper = nullptr;
    framework::TBtnPesquisa* btnPesqOper = nullptr;
    QLineEdit* edtNmOper = nullptr;
    QLabel* lblMes = nullptr;
    framework::TButtonFlat* sbtMesAnt = nullptr;
    framework::TDateEditPlus* depMes = nullptr;
    framework::TButtonFlat* sbtMesPost = nullptr;
    QLabel* lblNomeMes = nullptr;
    platform::dbcontrols::DBGrid* dbgResumo = nullptr;
    /// The selected operator's month under the grid.
    TGraficoMes* chtResumo = nullptr;
    QPushButton* btnFecharMes = nullptr;
    QPushButton* btnReabrirMes = nullptr;

    // --- Non-visual components ---------------------------------------------------
    framework::TNetConnection netResumo;

    platform::dataset::DataSet cdsResumo{"cdsResumo"};
    platform::dataset::DataSet cdsEquipes{"cdsEquipes"};
    platform::dataset::DataSet cdsOperEquip{"cdsOperEquip"};
    platform::dataset::DataSet cdsCtrlAcesso{"cdsCtrlAcesso"};
    platform::dataset::DataSet cdsCtrlFechamento{"cdsCtrlFechamento"};
    platform::dataset::DataSet cdsHoraServidor{"cdsHoraServidor"};

    platform::dataset::DataSource dtsResumo;
    platform::dataset::DataSource dtsOperEquip;

    // --- Lifecycle and access (lifecycle) ---------------------------------------
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(framework::CloseAction& action) override;
    void FormDestroy() override;
    void dtsPadraoStateChange() override;
    void sbtVerificarClick() override;
    void netResumoBeforeConnect(QObject* sender);
    /// The server's current date and time, asked anew on every call.
    platform::dataset::DateTime HoraServidor();

    // --- Filter and the month's load (filter) -------------------------------------
    void cbxEquipeChange();
    void medCdOperChange();
    void medCdOperExit();
    void depMesExit();
    void sbtMesAntClick();
    void sbtMesPostClick();
    void btnPesqOperBeforePesq(framework::TBtnPesquisa& sender, bool& proceed);
    void btnPesqOperAfterPesq(framework::TBtnPesquisa& sender);
    /// The operator check: an empty code is no error (the team is shown).
    void vd_Operador();
    /// Loads the filter's month for its operator, or else its team.
    void CarregaResumo();
    /// The month shown (its first day).
    platform::dataset::DateTime mesSelecionado() const;
    const MonthSummary& resumo() const { return *summary_; }

    // --- Closing months (closing) -------------------------------------------------
    void btnFecharMesClick();
    void btnReabrirMesClick();
    void cdsResumoAfterScroll(platform::dataset::DataSet& dataSet);

    // --- Opening the day screen from a day cell (drilldown) -----------------------
    /// Enter or a double click on a day cell: the day screen (module
    /// Pkg_Zep00700) opens on that operator and day, through the host; from
    /// then on, each time the summary is activated again it reloads its month.
    void AbreDiaSelecionado();

    // --- Grid drawing (drawing) ---------------------------------------------------
    void dbgResumoDrawColumnCell(platform::dbcontrols::DBGrid& sender,
                                 platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                 int dataCol, platform::dbcontrols::DBGridColumn& column,
                                 platform::dbcontrols::DBGrid::DrawState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildFilter();
    void buildGridAndButtons();
    void buildDataSets();
    void bindLifecycle();
    void bindFilter();
    void bindClosing();
    void bindDrawing();
    void bindDrillDown();
    /// Puts `month` (any day of it) into depMes as its first day, and its name beside.
    void showMonth(const platform::dataset::DateTime& month);
    void stepMonth(int delta);
    /// The user's teams, by code, into cbxEquipe (the first selected).
    void fillTeams();
    /// Grid columns for the month just loaded.
    void setGridColumns();
    /// Fecha (close true) or reabre the selected operator's month, after a confirmation.
    void changeClosing(bool close);
    void updateClosingButtons();
    /// The chart on the operator of the grid's current row.
    void showSelectedInChart();

    std::unique_ptr<MonthSummary> summary_;
    /// Marks a day with punches and no rows, copied into its cell's corner.
    QImage punchMark_;
    bool firstActivation_ = true;
    bool mayClose_ = false;
    bool released_ = false;
    bool tearingDown_ = false;
    /// CarregaResumo is replacing the rows.
    bool reloading_ = false;
    /// A drill-down opened the day screen: a later activation reloads the
    /// month, which its saves may have changed.
    bool reloadOnActivate_ = false;
};

}  // namespace Cli_Zep00710
