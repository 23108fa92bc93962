#pragma once

#include <QTimer>

#include <memory>

#include "dataset/data_set.h"
#include "dataset/data_source.h"
#include "dataset/datetime.h"
#include "framework/net_connection.h"
#include "framework/padrao_simples.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace platform {
class DBEdit;
class DBGrid;
class DBNavigator;
class DBText;
class MaskedEdit;
}  // namespace platform

namespace framework {
class TBtnPesquisa;
class TButtonFlat;
class TDateEditPlus;
class TDBCalendar;
}  // namespace framework

namespace Ui {
class TfrmApropriacaoClient;
}

namespace Cli_Zep00700 {

/// "Manutenção da Apropriação": the appropriations of one operator on one
/// day, the day's total, a calendar of the year's appropriated days and the
/// day's time-clock punches. Built on the framework's base screen: the
/// toolbar, menu, dtsPadrao and msgPadrao come from there; the screen's own
/// controls come from the form resource, its data sets and messages from
/// the module's resources.
///
/// Construction builds everything and ends by running FormCreate (through
/// the base's Create), so a failure leaves the constructor and no screen
/// survives it.
class TfrmApropriacao : public framework::TfrmPadraoSimples {
    Q_OBJECT
public:
    explicit TfrmApropriacao(QWidget* parent = nullptr);
    ~TfrmApropriacao() override;

    // --- Controls added on the base's toolbar and menu -------------------------
    framework::TButtonFlat* btnHojeDia = nullptr;
    QLabel* imgAlerta = nullptr;
    QAction* mnuLinha4 = nullptr;
    QAction* mnuHoje = nullptr;

    // --- Controls of the form resource -----------------------------------------
    QFrame* panFiltro = nullptr;
    QLabel* lblOperador = nullptr;
    platform::MaskedEdit* medCdOper = nullptr;
    framework::TBtnPesquisa* btnPesqOper = nullptr;
    QLineEdit* edtNmOper = nullptr;
    QLabel* lblDataRef = nullptr;
    framework::TDateEditPlus* depAgenda = nullptr;
    QTabWidget* pgcApropr = nullptr;
    QWidget* tshApropr = nullptr;
    platform::DBGrid* dbgAtividades = nullptr;
    QLabel* lblTotal = nullptr;
    platform::DBEdit* dbeTotApro = nullptr;
    QLabel* panCalendario = nullptr;
    framework::TButtonFlat* sbtCalendDiaAnt = nullptr;
    framework::TButtonFlat* sbtCalendDiaPost = nullptr;
    framework::TDBCalendar* dbcDia = nullptr;
    QLabel* panDescricao = nullptr;
    QPlainTextEdit* memDesc = nullptr;
    platform::DBGrid* dbgCtrlPonto = nullptr;
    platform::MaskedEdit* medHrTotal = nullptr;
    platform::DBNavigator* dbnPadrao = nullptr;
    platform::DBText* DBText1 = nullptr;

    // --- Non-visual components ---------------------------------------------------
    framework::TNetConnection netApropriacao;
    QTimer tmrAgenda;

    dataset::DataSet cdsAtividades{"cdsAtividades"};
    dataset::DataSet cdsPonto{"cdsPonto"};
    dataset::DataSet cdsDatas{"cdsDatas"};
    dataset::DataSet cdsHoraServidor{"cdsHoraServidor"};
    dataset::DataSet cdsPesqTarefa{"cdsPesqTarefa"};
    dataset::DataSet cdsPesqAtiv{"cdsPesqAtiv"};
    dataset::DataSet cdsVdTarefa{"cdsVdTarefa"};
    dataset::DataSet cdsVdAtiv{"cdsVdAtiv"};
    dataset::DataSet cdsApropria{"cdsApropria"};
    dataset::DataSet cdsTotApro{"cdsTotApro"};
    dataset::DataSet cdsTotPontoReal{"cdsTotPontoReal"};
    dataset::DataSet cdsOperEquip{"cdsOperEquip"};
    dataset::DataSet cdsCtrlAcesso{"cdsCtrlAcesso"};

    dataset::DataSource dtsPonto;
    dataset::DataSource dtsDatas;
    dataset::DataSource dtsPesqTarefa;
    dataset::DataSource dtsPesqAtiv;
    dataset::DataSource dtsApropria;
    dataset::DataSource dtsTotApro;
    dataset::DataSource dtsTotPontoReal;
    dataset::DataSource dtsOperEquip;

    // --- Handlers (bound by name at construction) --------------------------------
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(framework::CloseAction& action) override;
    void FormDestroy() override;
    void dtsPadraoStateChange() override;
    void pgcAproprChange();
    void netApropriacaoBeforeConnect(QObject* sender);

    void medCdOperChange();
    void panFiltroEnter();
    void panFiltroExit();
    void depAgendaExit();
    void medCdOperExit();
    void btnPesqOperBeforePesq(framework::TBtnPesquisa& sender, bool& proceed);
    void btnPesqOperAfterPesq(framework::TBtnPesquisa& sender);

    void btnHojeDiaClick();
    void sbtCalendDiaAntClick();
    void sbtCalendDiaPostClick();
    void dbcDiaChange();
    void dbcDiaEnter();
    void tmrAgendaTimer();

    void cdsAtividadesAfterScroll(dataset::DataSet& dataSet);

    // --- Routines ------------------------------------------------------------------
    /// The server's current date and time, asked anew on every call.
    dataset::DateTime HoraServidor();
    /// The operator check: `required` makes an empty code an error.
    void vd_Operador(bool required);
    /// The year load: the year's appropriated days, the calendar and the
    /// reference date on the server's today. Drops its failures.
    void GetDatas();

    /// For tests: the next construction of a screen fails with an error
    /// after every control and data set was built.
    static void FailNextConstructionForTesting();

private:
    void buildToolbarAdditions();
    void buildClientArea();
    void applyDesignColours();
    void buildDataSets();
    void bindControls();
    void bindHandlers();

    /// A month step of `delta` months (-1 or +1).
    void stepMonth(int delta);
    /// "Julho 2003": the month of `date` and the calendar's year.
    void showCalendarCaption(const dataset::DateTime& date);
    /// The day load's failure is written to the log and goes no further.
    static void logDroppedFailure(const char* what, std::exception_ptr error);
    bool isLockedRow() const;
    bool hasEndStamp() const;

    std::unique_ptr<Ui::TfrmApropriacaoClient> ui_;
    QWidget* client_ = nullptr;
    bool tearingDown_ = false;
    bool released_ = false;
};

}  // namespace Cli_Zep00700
