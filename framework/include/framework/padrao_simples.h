#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <utility>
#include <vector>

#include "framework/export.h"
#include "framework/messages.h"
#include "platform/dataset/data_source.h"

class QAction;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QMenuBar;

namespace platform::dbcontrols {
class DBText;
}  // namespace platform::dbcontrols

namespace platform::ui {
class FocusManager;
}  // namespace platform::ui

namespace framework {

class TButtonFlat;

/// What closing a form does with it.
enum class CloseAction {
    None,      ///< the form stays open
    Hide,      ///< the form (and its MDI window) is hidden, not destroyed
    Free,      ///< the form (and its MDI window) is destroyed
    Minimize,  ///< the form's MDI window is minimized
};

/// The base of the maintenance screens: a form shown as a child of the
/// host's MDI area (Application().ShowChild), with the main menu, the
/// toolbar of flat buttons, the screen-code label, the data source
/// dtsPadrao of the data set the screen maintains, the message table
/// msgPadrao and a client area for the screen's own layout.
///
/// The controls are children of the form with these object names (and the
/// public members below point at them): lblCodTela; panMenu holding dbtNome
/// and the buttons sbtConfirmar, sbtCancelar, sbtIncluir, sbtAlterar,
/// sbtExcluir, sbtProcurar, sbtVerificar, sbtImprimir, sbtAjuda, sbtFechar
/// (placed by x position, so a screen may move them); mnuMenu with the menus
/// mnuOperacao (actions mnuListagem, mnuConfigImpressora) and mnuManutencao
/// (actions mnuIncluir, mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar,
/// mnuCancelar, mnuConfirmar). At start every button but sbtAjuda and
/// sbtFechar, and every menu action, is disabled.
///
/// Handlers. The virtual handlers below carry the base behaviour; a screen
/// overrides them and calls the base's where it needs it. They are raised:
///   FormCreate           by Create(), which the most-derived screen's
///                        constructor calls as its last statement (so that
///                        a failure leaves the constructor and no form
///                        survives it). A form shown before Create() ran
///                        runs it then.
///   FormActivate         when the form's MDI window becomes the active one
///                        (or, outside an MDI area, its window is activated)
///   FormClose            when the form or its MDI window is asked to close
///   FormDestroy          once, before the form is destroyed by a Free close
///                        (or by BeforeDestruction, see there)
///   dtsPadraoStateChange when the state of dtsPadrao changes
///   sbt…Click            by the toolbar buttons and their menu twins
/// Every handler that Qt raises runs through the platform's dispatch point:
/// an error is shown as a dialog, a silent abort shows nothing, and nothing
/// reaches Qt. A failed FormClose keeps the form open.
///
/// dtsPadrao's state event belongs to the form (do not replace
/// dtsPadrao.onStateChange): override dtsPadraoStateChange instead.
class FRAMEWORK_EXPORT TfrmPadraoSimples : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPadraoSimples(QWidget* parent = nullptr);
    ~TfrmPadraoSimples() override;

    /// Runs FormCreate once. Its exception reaches the caller.
    void Create();
    bool Created() const { return created_; }

    /// Where a screen puts its own layout (below the toolbar).
    QWidget* clientArea() const { return clientArea_; }
    /// The focus manager of the form: screens register the enter and exit
    /// handlers of their controls and containers on it.
    platform::ui::FocusManager& focusManager() const { return *focus_; }
    /// The form's MDI window, or null when it is not in an MDI area.
    QMdiSubWindow* subWindow() const;

    /// Closes the form as the user's close does (the MDI window's when it
    /// has one), running FormClose; returns whether it closed.
    bool Close();

    // Inherited controls (owned by the form through Qt's parenting).
    QLabel* lblCodTela = nullptr;
    QWidget* panMenu = nullptr;
    platform::dbcontrols::DBText* dbtNome = nullptr;
    TButtonFlat* sbtConfirmar = nullptr;
    TButtonFlat* sbtCancelar = nullptr;
    TButtonFlat* sbtIncluir = nullptr;
    TButtonFlat* sbtAlterar = nullptr;
    TButtonFlat* sbtExcluir = nullptr;
    TButtonFlat* sbtProcurar = nullptr;
    TButtonFlat* sbtVerificar = nullptr;
    TButtonFlat* sbtImprimir = nullptr;
    TButtonFlat* sbtAjuda = nullptr;
    TButtonFlat* sbtFechar = nullptr;
    QMenuBar* mnuMenu = nullptr;
    QMenu* mnuOperacao = nullptr;
    QAction* mnuListagem = nullptr;
    QAction* mnuConfigImpressora = nullptr;
    QMenu* mnuManutencao = nullptr;
    QAction* mnuIncluir = nullptr;
    QAction* mnuAlterar = nullptr;
    QAction* mnuExcluir = nullptr;
    QAction* mnuProcurar = nullptr;
    QAction* mnuVerificar = nullptr;
    QAction* mnuCancelar = nullptr;
    QAction* mnuConfirmar = nullptr;

    /// The source of the data set the screen maintains (the screen binds it).
    platform::dataset::DataSource dtsPadrao;
    /// The screen's keyed messages (the screen fills it).
    TMessages msgPadrao;

    /// The screen's data sets by name ("cdsAtividades"), so that tools that
    /// drive a screen from outside (scripted runs) can read them. The screen
    /// registers the data sets it owns; names match without regard to case.
    void registerDataSet(const QString& name, platform::dataset::DataSet* dataSet);
    /// nullptr when no data set of that name is registered.
    platform::dataset::DataSet* findDataSet(const QString& name) const;
    QStringList dataSetNames() const;

    // --- Handlers -------------------------------------------------------------
    /// Base: sets the toolbar and menu for dtsPadrao's state.
    virtual void FormCreate();
    /// Base: nothing.
    virtual void FormActivate();
    /// `action` comes in as the platform's default (Minimize for a form in
    /// an MDI window, Hide otherwise). Base: chooses CloseAction::Free, so a
    /// closed screen is destroyed (FormDestroy runs at once, the form and
    /// its MDI window are deleted later) and the next opening builds a
    /// fresh one.
    virtual void FormClose(CloseAction& action);
    /// Base: stops dtsPadrao's state event reaching the form, so nothing
    /// runs on a form being torn down.
    virtual void FormDestroy();
    /// Base: the toolbar buttons and menu actions for the state of the data
    /// set behind dtsPadrao:
    ///   browse   sbtIncluir, sbtVerificar enabled; sbtAlterar, sbtExcluir,
    ///            sbtProcurar enabled when the data set has rows;
    ///            sbtConfirmar, sbtCancelar disabled;
    ///   edit, insert  sbtConfirmar, sbtCancelar enabled; sbtIncluir,
    ///            sbtAlterar, sbtExcluir, sbtProcurar, sbtVerificar disabled;
    ///   inactive (also no data set)  all those disabled.
    /// sbtImprimir, sbtAjuda and sbtFechar are left as they are. Each menu
    /// action of mnuManutencao takes the state of its button.
    virtual void dtsPadraoStateChange();
    /// Base: starts a new row at the end of the data set (append).
    virtual void sbtIncluirClick();
    /// Base: starts editing the current row.
    virtual void sbtAlterarClick();
    /// Base: asks msgPadrao's "Excl" text (or "Confirma exclusão?") and on
    /// yes deletes the current row. Nothing happens for an empty data set.
    virtual void sbtExcluirClick();
    /// Base: posts the row being edited or inserted.
    virtual void sbtConfirmarClick();
    /// Base: cancels the edit or insert.
    virtual void sbtCancelarClick();
    /// Base: nothing; a screen that verifies (reloads) overrides it.
    virtual void sbtVerificarClick();
    /// Base: nothing; a screen with a search of its own overrides it.
    virtual void sbtProcurarClick();
    /// Base: nothing; a screen with a listing overrides it (mnuListagem too).
    virtual void sbtImprimirClick();
    /// Base: nothing; a screen with help overrides it.
    virtual void sbtAjudaClick();
    /// Base: closes the form (see Close()).
    virtual void sbtFecharClick();

protected:
    /// Runs FormDestroy if it has not run. A screen that may be deleted
    /// other than by a Free close (its parent deleted, the application
    /// destroying its forms) calls it first thing in its own destructor, so
    /// its FormDestroy override still runs; the base destructor otherwise
    /// runs only the base's FormDestroy.
    void BeforeDestruction();
    /// The toolbar and menu rules that the base's dtsPadraoStateChange
    /// applies, for a screen's own operations that apply them without
    /// going through the handler.
    void applyCommandRules();

    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildToolbar();
    void wireHandlers();
    void watchSubWindow();
    void placeCodeLabel();
    void setCommandsEnabled(bool incluir, bool alterar, bool excluir, bool procurar, bool verificar,
                            bool confirmar, bool cancelar);
    platform::dataset::DataSet& dataSetOrFail(const QString& what) const;
    void release();

    QWidget* clientArea_ = nullptr;
    std::vector<std::pair<QString, platform::dataset::DataSet*>> dataSets_;
    platform::ui::FocusManager* focus_ = nullptr;
    QPointer<QMdiSubWindow> watchedWindow_;
    bool created_ = false;
    bool destroyRan_ = false;
    bool closing_ = false;
};

}  // namespace framework
