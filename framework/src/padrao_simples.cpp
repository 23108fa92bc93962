#include "framework/padrao_simples.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QVBoxLayout>

#include "framework/application.h"
#include "framework/button_flat.h"
#include "framework/errors.h"
#include "framework/standard_icon.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_text.h"
#include "platform/ui/dialog_service.h"
#include "platform/ui/dispatch.h"
#include "platform/ui/focus_manager.h"

namespace framework {

namespace {

constexpr int kMenuPanelHeight = 29;
constexpr int kButtonSize = 24;
constexpr int kButtonTop = 2;
constexpr int kNameLeft = 314;
constexpr int kNameWidth = 240;
constexpr int kCodeLabelMargin = 6;

struct ButtonSpec {
    TButtonFlat* TfrmPadraoSimples::*member;
    const char* name;
    const char* hint;
    QStyle::StandardPixmap icon;
    int x;
};

// The x positions leave room between sbtVerificar and sbtImprimir for a
// button of the screen's own.
const ButtonSpec kButtons[] = {
    {&TfrmPadraoSimples::sbtConfirmar, "sbtConfirmar", "Confirmar", QStyle::SP_DialogApplyButton,
     4},
    {&TfrmPadraoSimples::sbtCancelar, "sbtCancelar", "Cancelar", QStyle::SP_DialogCancelButton, 29},
    {&TfrmPadraoSimples::sbtIncluir, "sbtIncluir", "Incluir", QStyle::SP_FileIcon, 54},
    {&TfrmPadraoSimples::sbtAlterar, "sbtAlterar", "Alterar", QStyle::SP_FileDialogDetailedView,
     79},
    {&TfrmPadraoSimples::sbtExcluir, "sbtExcluir", "Excluir", QStyle::SP_TrashIcon, 104},
    {&TfrmPadraoSimples::sbtProcurar, "sbtProcurar", "Procurar", QStyle::SP_FileDialogContentsView,
     129},
    {&TfrmPadraoSimples::sbtVerificar, "sbtVerificar", "Verificar", QStyle::SP_BrowserReload, 154},
    {&TfrmPadraoSimples::sbtImprimir, "sbtImprimir", "Imprimir", QStyle::SP_FileDialogListView,
     218},
    {&TfrmPadraoSimples::sbtAjuda, "sbtAjuda", "Ajuda", QStyle::SP_DialogHelpButton, 253},
    {&TfrmPadraoSimples::sbtFechar, "sbtFechar", "Fechar", QStyle::SP_DialogCloseButton, 288},
};

QAction* addMenuAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(false);
    return action;
}

}  // namespace

TfrmPadraoSimples::TfrmPadraoSimples(QWidget* parent) : QWidget(parent) {
    // The form fills its own background (the window colour its MDI window
    // showed through it): otherwise whatever changes under a control that
    // does not fill its own (a label, a button, a frame) has the MDI
    // window draw its title bar and frame again beneath it.
    setAutoFillBackground(true);
    focus_ = new platform::ui::FocusManager(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    buildMenu();
    layout->setMenuBar(mnuMenu);
    buildToolbar();
    layout->addWidget(panMenu);

    clientArea_ = new QWidget(this);
    clientArea_->setObjectName(QStringLiteral("clientArea"));
    clientArea_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(clientArea_, 1);

    wireHandlers();
}

TfrmPadraoSimples::~TfrmPadraoSimples() {
    // Too late for a screen's own FormDestroy (its part is gone): screens
    // that are deleted other than by a Free close call BeforeDestruction.
    if (!destroyRan_) {
        destroyRan_ = true;
        platform::ui::dispatch([this] { TfrmPadraoSimples::FormDestroy(); });
    }
}

void TfrmPadraoSimples::buildMenu() {
    mnuMenu = new QMenuBar(this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    mnuMenu->setNativeMenuBar(false);

    mnuOperacao = mnuMenu->addMenu(QStringLiteral("&Operação"));
    mnuOperacao->setObjectName(QStringLiteral("mnuOperacao"));
    mnuListagem = addMenuAction(mnuOperacao, "mnuListagem", "&Listagem");
    mnuConfigImpressora =
        addMenuAction(mnuOperacao, "mnuConfigImpressora", "&Configurar Impressora");

    mnuManutencao = mnuMenu->addMenu(QStringLiteral("&Manutenção"));
    mnuManutencao->setObjectName(QStringLiteral("mnuManutencao"));
    mnuIncluir = addMenuAction(mnuManutencao, "mnuIncluir", "&Incluir");
    mnuAlterar = addMenuAction(mnuManutencao, "mnuAlterar", "&Alterar");
    mnuExcluir = addMenuAction(mnuManutencao, "mnuExcluir", "&Excluir");
    mnuProcurar = addMenuAction(mnuManutencao, "mnuProcurar", "&Procurar");
    mnuVerificar = addMenuAction(mnuManutencao, "mnuVerificar", "&Verificar");
    mnuCancelar = addMenuAction(mnuManutencao, "mnuCancelar", "&Cancelar");
    mnuConfirmar = addMenuAction(mnuManutencao, "mnuConfirmar", "C&onfirmar");
}

void TfrmPadraoSimples::buildToolbar() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("panMenu"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(kMenuPanelHeight);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    panMenu = panel;

    for (const ButtonSpec& entry : kButtons) {
        auto* button = new TButtonFlat(panMenu);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->setToolTip(QString::fromUtf8(entry.hint));
        button->setIcon(StandardIcon(this, entry.icon));
        button->setGeometry(entry.x, kButtonTop, kButtonSize, kButtonSize);
        button->setEnabled(false);
        this->*(entry.member) = button;
    }
    sbtAjuda->setEnabled(true);
    sbtFechar->setEnabled(true);

    dbtNome = new platform::dbcontrols::DBText(panMenu);
    dbtNome->setObjectName(QStringLiteral("dbtNome"));
    dbtNome->setGeometry(kNameLeft, kButtonTop, kNameWidth, kButtonSize);

    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panMenu->installEventFilter(this);
}

void TfrmPadraoSimples::placeCodeLabel() {
    const QSize size = lblCodTela->sizeHint();
    lblCodTela->setGeometry(panMenu->width() - size.width() - kCodeLabelMargin,
                            (kMenuPanelHeight - size.height()) / 2, size.width(), size.height());
}

void TfrmPadraoSimples::wireHandlers() {
    const auto onClick = [this](TButtonFlat* button, void (TfrmPadraoSimples::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                platform::ui::guarded([this, handler] { (this->*handler)(); }));
    };
    const auto onTrigger = [this](QAction* action, void (TfrmPadraoSimples::*handler)()) {
        connect(action, &QAction::triggered, this,
                platform::ui::guarded([this, handler] { (this->*handler)(); }));
    };
    onClick(sbtConfirmar, &TfrmPadraoSimples::sbtConfirmarClick);
    onClick(sbtCancelar, &TfrmPadraoSimples::sbtCancelarClick);
    onClick(sbtIncluir, &TfrmPadraoSimples::sbtIncluirClick);
    onClick(sbtAlterar, &TfrmPadraoSimples::sbtAlterarClick);
    onClick(sbtExcluir, &TfrmPadraoSimples::sbtExcluirClick);
    onClick(sbtProcurar, &TfrmPadraoSimples::sbtProcurarClick);
    onClick(sbtVerificar, &TfrmPadraoSimples::sbtVerificarClick);
    onClick(sbtImprimir, &TfrmPadraoSimples::sbtImprimirClick);
    onClick(sbtAjuda, &TfrmPadraoSimples::sbtAjudaClick);
    onClick(sbtFechar, &TfrmPadraoSimples::sbtFecharClick);
    onTrigger(mnuIncluir, &TfrmPadraoSimples::sbtIncluirClick);
    onTrigger(mnuAlterar, &TfrmPadraoSimples::sbtAlterarClick);
    onTrigger(mnuExcluir, &TfrmPadraoSimples::sbtExcluirClick);
    onTrigger(mnuProcurar, &TfrmPadraoSimples::sbtProcurarClick);
    onTrigger(mnuVerificar, &TfrmPadraoSimples::sbtVerificarClick);
    onTrigger(mnuCancelar, &TfrmPadraoSimples::sbtCancelarClick);
    onTrigger(mnuConfirmar, &TfrmPadraoSimples::sbtConfirmarClick);
    onTrigger(mnuListagem, &TfrmPadraoSimples::sbtImprimirClick);

    // A state change happens inside a data-set operation; an error of the
    // handler is shown without breaking off that operation.
    dtsPadrao.onStateChange = [this](platform::dataset::DataSource&) {
        platform::ui::dispatch([this] { dtsPadraoStateChange(); });
    };
}

void TfrmPadraoSimples::Create() {
    if (created_) return;
    created_ = true;
    FormCreate();
}

QMdiSubWindow* TfrmPadraoSimples::subWindow() const {
    return TApplication::SubWindowOf(this);
}

void TfrmPadraoSimples::watchSubWindow() {
    // The MDI window activates its widget while adopting it, before it
    // calls it its widget(): watch the parent as soon as it is one.
    auto* window = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (window == watchedWindow_) return;
    if (watchedWindow_) disconnect(watchedWindow_, nullptr, this, nullptr);
    watchedWindow_ = window;
    if (!window) return;
    connect(window, &QMdiSubWindow::windowStateChanged, this,
            platform::ui::guarded([this](Qt::WindowStates before, Qt::WindowStates now) {
                if (!before.testFlag(Qt::WindowActive) && now.testFlag(Qt::WindowActive))
                    FormActivate();
            }));
}

bool TfrmPadraoSimples::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ParentChange:
            watchSubWindow();
            break;
        case QEvent::WindowActivate:
            // Inside an MDI area every widget of the main window hears the main
            // window's activation; the form's own is its MDI window's.
            if (isWindow()) platform::ui::dispatch([this] { FormActivate(); });
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool TfrmPadraoSimples::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panMenu && event->type() == QEvent::Resize) placeCodeLabel();
    return QWidget::eventFilter(watched, event);
}

void TfrmPadraoSimples::showEvent(QShowEvent* event) {
    watchSubWindow();
    placeCodeLabel();
    if (!created_) platform::ui::dispatch([this] { Create(); });
    QWidget::showEvent(event);
}

bool TfrmPadraoSimples::Close() {
    if (QMdiSubWindow* window = subWindow()) return window->close();
    return close();
}

void TfrmPadraoSimples::closeEvent(QCloseEvent* event) {
    // Closing the MDI window asks the form first; when the form decides,
    // the window must not go its own way (it deletes itself on close).
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    CloseAction action = subWindow() ? CloseAction::Minimize : CloseAction::Hide;
    if (!platform::ui::dispatch([&] { FormClose(action); })) action = CloseAction::None;
    closing_ = false;

    QMdiSubWindow* window = subWindow();
    switch (action) {
        case CloseAction::None:
            event->ignore();
            break;
        case CloseAction::Hide:
            if (window) {
                event->ignore();
                window->hide();
            } else {
                event->accept();
            }
            break;
        case CloseAction::Minimize:
            event->ignore();
            TApplication::SetWindowState(this, FormWindowState::Minimized);
            break;
        case CloseAction::Free:
            event->accept();
            release();
            break;
    }
}

void TfrmPadraoSimples::release() {
    BeforeDestruction();
    if (QMdiSubWindow* window = subWindow()) {
        window->deleteLater();  // takes the form with it
    } else {
        deleteLater();
    }
}

void TfrmPadraoSimples::BeforeDestruction() {
    if (destroyRan_) return;
    destroyRan_ = true;
    platform::ui::dispatch([this] { FormDestroy(); });
}

// --- Base handlers -------------------------------------------------------------

void TfrmPadraoSimples::FormCreate() {
    dtsPadraoStateChange();
}

void TfrmPadraoSimples::FormActivate() {}

void TfrmPadraoSimples::FormClose(CloseAction& action) {
    action = CloseAction::Free;
}

void TfrmPadraoSimples::FormDestroy() {
    dtsPadrao.onStateChange = nullptr;
}

void TfrmPadraoSimples::setCommandsEnabled(bool incluir, bool alterar, bool excluir, bool procurar,
                                           bool verificar, bool confirmar, bool cancelar) {
    const std::pair<TButtonFlat*, QAction*> pairs[] = {
        {sbtIncluir, mnuIncluir},   {sbtAlterar, mnuAlterar},     {sbtExcluir, mnuExcluir},
        {sbtProcurar, mnuProcurar}, {sbtVerificar, mnuVerificar}, {sbtConfirmar, mnuConfirmar},
        {sbtCancelar, mnuCancelar},
    };
    const bool states[] = {incluir, alterar, excluir, procurar, verificar, confirmar, cancelar};
    for (std::size_t i = 0; i < std::size(pairs); ++i) {
        pairs[i].first->setEnabled(states[i]);
        pairs[i].second->setEnabled(states[i]);
    }
}

void TfrmPadraoSimples::dtsPadraoStateChange() {
    applyCommandRules();
}

void TfrmPadraoSimples::applyCommandRules() {
    const platform::dataset::DataSetState state = dtsPadrao.state();
    switch (state) {
        case platform::dataset::DataSetState::Browse: {
            const bool hasRows = !dtsPadrao.dataSet()->isEmpty();
            setCommandsEnabled(true, hasRows, hasRows, hasRows, true, false, false);
            break;
        }
        case platform::dataset::DataSetState::Edit:
        case platform::dataset::DataSetState::Insert:
            setCommandsEnabled(false, false, false, false, false, true, true);
            break;
        case platform::dataset::DataSetState::Inactive:
            setCommandsEnabled(false, false, false, false, false, false, false);
            break;
    }
}

platform::dataset::DataSet& TfrmPadraoSimples::dataSetOrFail(const QString& what) const {
    platform::dataset::DataSet* ds = dtsPadrao.dataSet();
    if (!ds || dtsPadrao.state() == platform::dataset::DataSetState::Inactive) {
        throw Error(QStringLiteral("Não há dados abertos para %1.").arg(what));
    }
    return *ds;
}

void TfrmPadraoSimples::sbtIncluirClick() {
    dataSetOrFail(QStringLiteral("incluir")).append();
}

void TfrmPadraoSimples::sbtAlterarClick() {
    dataSetOrFail(QStringLiteral("alterar")).edit();
}

void TfrmPadraoSimples::sbtExcluirClick() {
    platform::dataset::DataSet& ds = dataSetOrFail(QStringLiteral("excluir"));
    if (ds.isEmpty()) return;
    const QString question = msgPadrao.Contains(QStringLiteral("Excl"))
                                 ? msgPadrao.Msg(QStringLiteral("Excl"))
                                 : QStringLiteral("Confirma exclusão?");
    if (!platform::ui::dialogs().confirm(question)) return;
    ds.deleteRecord();
}

void TfrmPadraoSimples::sbtConfirmarClick() {
    dataSetOrFail(QStringLiteral("confirmar")).post();
}

void TfrmPadraoSimples::sbtCancelarClick() {
    dataSetOrFail(QStringLiteral("cancelar")).cancel();
}

void TfrmPadraoSimples::sbtVerificarClick() {}

void TfrmPadraoSimples::sbtProcurarClick() {}

void TfrmPadraoSimples::sbtImprimirClick() {}

void TfrmPadraoSimples::sbtAjudaClick() {}

void TfrmPadraoSimples::sbtFecharClick() {
    Close();
}

}  // namespace framework

namespace framework {

void TfrmPadraoSimples::registerDataSet(const QString& name, platform::dataset::DataSet* dataSet) {
    for (auto& entry : dataSets_) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) {
            entry.second = dataSet;
            return;
        }
    }
    dataSets_.emplace_back(name, dataSet);
}

platform::dataset::DataSet* TfrmPadraoSimples::findDataSet(const QString& name) const {
    for (const auto& entry : dataSets_)
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0) return entry.second;
    return nullptr;
}

QStringList TfrmPadraoSimples::dataSetNames() const {
    QStringList names;
    for (const auto& entry : dataSets_) names << entry.first;
    return names;
}

}  // namespace framework
