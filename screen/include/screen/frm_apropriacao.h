#pragma once

#include <QImage>
#include <QTimer>

#include <memory>

#include "framework/net_connection.h"
#include "framework/padrao_simples.h"
#include "platform/dataset/data_set.h"
#include "platform/dataset/data_source.h"
#include "platform/dataset/datetime.h"
#include "platform/dbcontrols/db_grid.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace platform::dbcontrols {
class Canvas;
class DBEdit;
class DBGridColumn;
class DBNavigator;
class DBText;
}  // namespace platform::dbcontrols

namespace platform::ui {
class MaskedEdit;
}  // namespace platform::ui

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
    platform::ui::MaskedEdit* medCdOper = nullptr;
    framework::TBtnPesquisa* btnPesqOper = nullptr;
    QLineEdit* edtNmOper = nullptr;
    QLabel* lblDataRef = nullptr;
    framework::TDateEditPlus* depAgenda = nullptr;
    QTabWidget* pgcApropr = nullptr;
    QWidget* tshApropr = nullptr;
    platform::dbcontrols::DBGrid* dbgAtividades = nullptr;
    QLabel* lblTotal = nullptr;
    platform::dbcontrols::DBEdit* dbeTotApro = nullptr;
    QLabel* panCalendario = nullptr;
    framework::TButtonFlat* sbtCalendDiaAnt = nullptr;
    framework::TButtonFlat* sbtCalendDiaPost = nullptr;
    framework::TDBCalendar* dbcDia = nullptr;
    QLabel* panDescricao = nullptr;
    QPlainTextEdit* memDesc = nullptr;
    platform::dbcontrols::DBGrid* dbgCtrlPonto = nullptr;
    platform::ui::MaskedEdit* medHrTotal = nullptr;
    platform::dbcontrols::DBNavigator* dbnPadrao = nullptr;
    platform::dbcontrols::DBText* DBText1 = nullptr;

    // --- Non-visual components ---------------------------------------------------
    framework::TNetConnection netApropriacao;
    QTimer tmrAgenda;

    platform::dataset::DataSet cdsAtividades{"cdsAtividades"};
    platform::dataset::DataSet cdsPonto{"cdsPonto"};
    platform::dataset::DataSet cdsDatas{"cdsDatas"};
    platform::dataset::DataSet cdsHoraServidor{"cdsHoraServidor"};
    platform::dataset::DataSet cdsPesqTarefa{"cdsPesqTarefa"};
    platform::dataset::DataSet cdsPesqAtiv{"cdsPesqAtiv"};
    platform::dataset::DataSet cdsVdTarefa{"cdsVdTarefa"};
    platform::dataset::DataSet cdsVdAtiv{"cdsVdAtiv"};
    platform::dataset::DataSet cdsApropria{"cdsApropria"};
    platform::dataset::DataSet cdsTotApro{"cdsTotApro"};
    platform::dataset::DataSet cdsTotPontoReal{"cdsTotPontoReal"};
    platform::dataset::DataSet cdsOperEquip{"cdsOperEquip"};
    platform::dataset::DataSet cdsCtrlAcesso{"cdsCtrlAcesso"};

    platform::dataset::DataSource dtsPonto;
    platform::dataset::DataSource dtsDatas;
    platform::dataset::DataSource dtsPesqTarefa;
    platform::dataset::DataSource dtsPesqAtiv;
    platform::dataset::DataSource dtsApropria;
    platform::dataset::DataSource dtsTotApro;
    platform::dataset::DataSource dtsTotPontoReal;
    platform::dataset::DataSource dtsOperEquip;

    // The handlers, one group per source file (frm_apropriacao_<group>.cpp);
    // each group binds its own events in its bind…() function, and the
    // base binds the toolbar's and the form's by name.

    // --- Lifecycle and access (lifecycle) ---------------------------------------
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(framework::CloseAction& action) override;
    void FormDestroy() override;
    void dtsPadraoStateChange() override;
    void pgcAproprChange();
    void netApropriacaoBeforeConnect(QObject* sender);
    /// The server's current date and time, asked anew on every call.
    platform::dataset::DateTime HoraServidor();

    // --- Operator and reference-date filter, the day load (filter) ------------
    void medCdOperChange();
    void panFiltroEnter();
    void panFiltroExit();
    void depAgendaExit();
    void medCdOperExit();
    void btnPesqOperBeforePesq(framework::TBtnPesquisa& sender, bool& proceed);
    void btnPesqOperAfterPesq(framework::TBtnPesquisa& sender);
    /// The operator check: `required` makes an empty code an error.
    void vd_Operador(bool required);
    /// The year load: the year's appropriated days, the calendar and the
    /// reference date on the server's today. Drops its failures.
    void GetDatas();

    // --- Day calendar (calendar) ------------------------------------------------
    void btnHojeDiaClick();
    void sbtCalendDiaAntClick();
    void sbtCalendDiaPostClick();
    void dbcDiaChange();
    void dbcDiaEnter();
    void tmrAgendaTimer();

    // --- Grid editing and look-ups (editing) -------------------------------------
    void sbtIncluirClick() override;
    void sbtExcluirClick() override;
    void dbgAtividadesColEnter();
    void dbgAtividadesColExit();
    void dbgAtividadesEditButtonClick();
    void memDescChange();
    void cdsAtividadesAfterScroll(platform::dataset::DataSet& dataSet);
    void cdsAtividadesAfterCancel(platform::dataset::DataSet& dataSet);
    void cdsAtividadesBeforeEdit(platform::dataset::DataSet& dataSet);
    void cdsAtividadesBeforeDelete(platform::dataset::DataSet& dataSet);
    void cdsAtividadesNewRecord(platform::dataset::DataSet& dataSet);

    // --- Task and activity validation (validation) -------------------------------
    /// Checks the row's task with the server and copies its description;
    /// `required` makes an empty task an error. Silent while browsing.
    void vd_tarefa(bool required);
    /// Checks the row's activity for its task and the filter's operator and
    /// copies its process name; `required` makes an empty activity an error.
    void vd_ativ(bool required);

    // --- Hour and posting checks (posting) ---------------------------------------
    void cdsAtividadesBeforePost(platform::dataset::DataSet& dataSet);
    /// Checks the time typed in the grid's current column, when it is a time column.
    void vd_horas();
    void sbtVerificarClick() override;

    // --- Overlap with recorded appropriations (overlap) --------------------------
    /// Refuses the row being posted when the server knows another
    /// appropriation of the operator that day whose span clashes with it.
    void vd_apropria(bool checked);

    // --- Saving and refreshing the day (saving) ----------------------------------
    /// Bound to after-post and after-delete: sends the change, then reloads the day.
    void cdsAtividadesAfterPost(platform::dataset::DataSet& dataSet);

    // --- Time-clock punches (punches) ---------------------------------------------
    void cdsPontoDTBATIDAPTOGetText(platform::dataset::Field& sender, std::string& text,
                                    bool displayText);
    void cdsPontoIDEVENPONTOGetText(platform::dataset::Field& sender, std::string& text,
                                    bool displayText);
    void cdsPontoIDORIGPTOGetText(platform::dataset::Field& sender, std::string& text,
                                  bool displayText);
    void dbgCtrlPontoDrawColumnCell(platform::dbcontrols::DBGrid& sender,
                                    platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                    int dataCol, platform::dbcontrols::DBGridColumn& column,
                                    platform::dbcontrols::DBGrid::DrawState state);
    /// Fills medHrTotal with the clock's total for the operator and day.
    void cdsPontoAfterOpen(platform::dataset::DataSet& dataSet);

    // --- Grid drawing (drawing) ---------------------------------------------------
    void dbgAtividadesDrawColumnCell(platform::dbcontrols::DBGrid& sender,
                                     platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                     int dataCol, platform::dbcontrols::DBGridColumn& column,
                                     platform::dbcontrols::DBGrid::DrawState state);

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
    void bindLifecycle();
    void bindFilter();
    void bindCalendar();
    void bindEditing();
    void bindPosting();
    void bindSaving();
    void bindPunches();
    void bindDrawing();
    /// A handler for a data-set event that does nothing while the screen is torn down.
    platform::dataset::DataSetEvent whileAlive(
        void (TfrmApropriacao::*handler)(platform::dataset::DataSet&));

    /// A month step of `delta` months (-1 or +1).
    void stepMonth(int delta);
    /// "Julho 2003": the month of `date` and the calendar's year.
    void showCalendarCaption(const platform::dataset::DateTime& date);
    /// The day load's failure is written to the log and goes no further.
    static void logDroppedFailure(const char* what, const std::exception_ptr& error);
    bool isLockedRow() const;
    bool hasEndStamp() const;
    /// Sets the memo's text with its change handler detached: only what the
    /// user types starts an edit.
    void setMemDescQuietly(const QString& text);
    /// The day chosen in the calendar (its year, month and day), no time part.
    platform::dataset::DateTime chosenDay() const;
    /// Puts the input focus on the grid column of a field of cdsAtividades.
    void focusField(const char* fieldName);
    /// Focus on `fieldName`, then the text of message `key` as an error: the post is abandoned.
    [[noreturn]] void refuse(const char* key, const char* fieldName);

    /// The picture of imgAlerta as the grid's cells draw it.
    QImage alertBitmap_;

    std::unique_ptr<Ui::TfrmApropriacaoClient> ui_;
    QWidget* client_ = nullptr;
    bool tearingDown_ = false;
    bool released_ = false;
};

}  // namespace Cli_Zep00700
