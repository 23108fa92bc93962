#pragma once

#include <QImage>
#include <QString>
#include <QTimer>

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

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

class ApropriacaoClient;
class TfrmApropriacaoAccess;

/// "Manutenção da Apropriação": the appropriations of one operator on one
/// day, the day's total, a calendar of the year's appropriated days and the
/// day's time-clock punches. Built on the framework's base screen: the
/// toolbar, menu, dtsPadrao and msgPadrao come from there; the screen's own
/// controls come from the form resource, its data sets and messages from
/// the module's resources.
///
/// Construction builds everything and ends by running FormCreate (through
/// the base's Create), so a failure leaves the constructor and no screen
/// survives it. Everything else is the screen's own: the host reaches it
/// through the base class and by the controls' object names, tests and
/// benchmarks through TfrmApropriacaoAccess.
class TfrmApropriacao : public framework::TfrmPadraoSimples {
    Q_OBJECT
public:
    explicit TfrmApropriacao(QWidget* parent = nullptr);
    ~TfrmApropriacao() override;

    /// For tests: the next construction of a screen fails with an error
    /// after every control and data set was built.
    static void FailNextConstructionForTesting();

    /// Stands the screen on `operador` and `dia` as another screen asks it
    /// (the summary's day cell): the operator check, the year load, then the
    /// day load of that day. Before the first activation has loaded, it is
    /// kept and done at the end of it; a refused operator fails as the check does.
    void AbreDia(const QString& operador, const platform::dataset::DateTime& dia);

private:
    friend class TfrmApropriacaoAccess;

    // --- Controls added on the base's toolbar and menu -------------------------
    framework::TButtonFlat* btnHojeDia = nullptr;
    QLabel* imgAlerta = nullptr;
    QAction* mnuLinha4 = nullptr;
    QAction* mnuHoje = nullptr;
    QAction* mnuPreencherPontos = nullptr;
    QAction* mnuCopiarDia = nullptr;

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
    // base binds the toolbar's and the form's by name. A handler reacts to
    // its one event and delegates to the named operations below; no
    // handler calls another.

    // --- Lifecycle and access (lifecycle) ---------------------------------------
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(framework::CloseAction& action) override;
    void FormDestroy() override;
    void dtsPadraoStateChange() override;
    void pgcAproprChange();
    void netApropriacaoBeforeConnect(QObject* sender);

    // --- Operator and reference-date filter (filter) -----------------------------
    void medCdOperChange();
    void panFiltroEnter();
    void panFiltroExit();
    void depAgendaExit();
    void medCdOperExit();
    void btnPesqOperBeforePesq(framework::TBtnPesquisa& sender, bool& proceed);
    void btnPesqOperAfterPesq(framework::TBtnPesquisa& sender);
    /// The operator check: `required` makes an empty code an error.
    void vd_Operador(bool required);

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

    // --- The maintenance menu's shortcuts (shortcuts) -----------------------------
    /// A new row over the earliest punched stretch no row covers yet.
    void mnuPreencherPontosClick();
    /// The rows of the latest earlier day with rows copied onto this empty day.
    void mnuCopiarDiaClick();

    // --- Grid drawing (drawing) ---------------------------------------------------
    void dbgAtividadesDrawColumnCell(platform::dbcontrols::DBGrid& sender,
                                     platform::dbcontrols::Canvas& canvas, const QRect& rect,
                                     int dataCol, platform::dbcontrols::DBGridColumn& column,
                                     platform::dbcontrols::DBGrid::DrawState state);

    // --- Operations -----------------------------------------------------------------
    /// The first activation: the access check, the operator and the year.
    void admitUser();
    /// The enable rules of the filter, the toolbar, the menus, the memo and
    /// the look-up buttons for the state of cdsAtividades.
    void applyEnableRules();
    /// The server's current date and time, asked anew (one request).
    platform::dataset::DateTime serverNow();
    /// The day load: the operator's appropriations, total and punches of
    /// the day in depAgenda, and the calendar on that day. A row being typed
    /// is posted first (every check, then the save); when it is refused, or
    /// when the load fails, the calendar and depAgenda go back to the day
    /// the grid shows and the failure goes on to be shown.
    void loadDay();
    /// A day chosen (in the calendar, by "Hoje", by the verify button): the
    /// row being typed posted first, the description cleared, `day` loaded.
    void showDay(const platform::dataset::DateTime& day);
    /// Posts the row being inserted or edited, if any; true when one was
    /// posted (its save then reloaded the day in depAgenda). A refusal
    /// puts the calendar and depAgenda back on the day of the grid's rows.
    bool postRowBeingTyped();
    /// The calendar, its caption and depAgenda on the day the grid's rows belong to.
    void standOnLoadedDay();
    /// The year load: the year's appropriated days, the calendar and the
    /// reference date on the server's today. Drops its failures.
    void loadYear();
    /// The save stage of a completed post or delete: the change sent, the
    /// picked pending activity started. Throws when nothing was stored.
    void saveChanges();
    /// The refresh after a save: the day's rows, total and the year's marks,
    /// then the day load and the cursor back on its row number.
    void refreshAfterSave();
    /// A new row begun as the insert button begins it, the focus first on
    /// the grid column of `fieldName`.
    void startNewRow(const char* fieldName);
    /// A pending activity that stored rows record time on, which the server
    /// has not been told to start yet.
    struct ActivityToStart {
        QString task;
        QString activity;
        bool operator==(const ActivityToStart&) const = default;
    };
    /// Sends `changes` (copies of rows) in one save, then starts the
    /// pending activities they record time on and runs the refresh of any
    /// save; a refusal stores nothing and goes on to be shown.
    void saveCopies(platform::dataset::ChangePacket changes,
                    std::vector<ActivityToStart> pendingActivities);
    /// A month step of `delta` months (-1 or +1).
    void stepMonth(int delta);
    /// "Julho 2003": the month of `date` and the calendar's year.
    void showCalendarCaption(const platform::dataset::DateTime& date);

    // --- Helpers ----------------------------------------------------------------------
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
    void bindShortcuts();
    /// `handler` (a callable, or a member function of the screen) wrapped so
    /// that it does nothing once the screen is being torn down: the teardown
    /// itself moves the focus and raises data-set notices, which must reach
    /// no handler.
    template <typename Handler>
    auto whileAlive(Handler handler) {
        return [ this, handler ]<typename... Args>(
            Args && ... args) requires std::invocable<const Handler&, TfrmApropriacao*, Args...> ||
            std::invocable<const Handler&, Args...> {
            if (tearingDown_) return;
            if constexpr (std::is_member_function_pointer_v<Handler>)
                std::invoke(handler, this, std::forward<Args>(args)...);
            else
                handler(std::forward<Args>(args)...);
        };
    }
    bool isLockedRow() const;
    bool hasEndStamp() const;
    /// Sets the memo's text with its change handler detached: only what the
    /// user types starts an edit.
    void setMemDescQuietly(const QString& text);
    /// The day chosen in the calendar (its year, month and day), no time part.
    platform::dataset::DateTime chosenDay() const;
    /// Puts the calendar on `day` without raising its change notification.
    void setCalendarDay(const platform::dataset::DateTime& day);
    /// Puts the input focus on the grid column of a field of cdsAtividades.
    void focusField(const char* fieldName);
    /// Focus on `fieldName`, then the text of message `key` as an error: the post is abandoned.
    [[noreturn]] void refuse(const char* key, const char* fieldName);

    /// A row as a post stored it, with the activity situation picked for it.
    struct TypedRow {
        bool inserted = false;
        int recNo = 0;
        std::vector<platform::dataset::Value> values;
        QString situation;
    };
    /// The row the post just stored (nothing after a delete).
    std::optional<TypedRow> rowJustPosted() const;
    /// Puts `typed` back into insert or edit state, every field as it was typed.
    void giveBackTypedRow(const TypedRow& typed);
    /// Adds `activity` to activitiesToStart_ unless it is there already.
    void queueActivityStart(ActivityToStart activity);
    /// Tells the server of activitiesToStart_ in turn. The first failure is
    /// shown, and that activity and those after it stay for the next save.
    void startPendingActivities();

    std::unique_ptr<ApropriacaoClient> remote_;
    /// The day the rows of cdsAtividades were loaded for: rows are posted
    /// on it, whatever the calendar shows meanwhile. Zero before the first load.
    platform::dataset::DateTime loadedDay_;
    std::vector<ActivityToStart> activitiesToStart_;
    /// The grid column selected when the row being inserted was started:
    /// cancelling that row gives it back, so the next insert starts alike.
    int columnBeforeInsert_ = -1;
    /// The picture of imgAlerta as the grid's cells draw it.
    QImage alertBitmap_;

    std::unique_ptr<Ui::TfrmApropriacaoClient> ui_;
    QWidget* client_ = nullptr;
    bool tearingDown_ = false;
    /// The operator and day asked by AbreDia, until the first activation ran.
    std::optional<std::pair<QString, platform::dataset::DateTime>> diaPedido_;
    /// Does what AbreDia asked, if anything is pending.
    void standOnRequestedDay();
};

}  // namespace Cli_Zep00700
