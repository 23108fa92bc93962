#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/errors.h"
#include "framework/padrao_simples.h"
#include "paint_counter.h"
#include "platform/dataset/data_set.h"
#include "platform/dbcontrols/db_text.h"
#include "platform/ui/scripted_dialog_service.h"

namespace {

using framework::CloseAction;
using Kind = platform::ui::ScriptedDialogService::Kind;

std::vector<std::string> g_log;

// A screen as the modules write them: its own data set behind dtsPadrao,
// handlers that call the base's, Create() at the end of its constructor.
class TestScreen : public framework::TfrmPadraoSimples {
public:
    explicit TestScreen(QWidget* parent = nullptr) : TfrmPadraoSimples(parent) {
        cds.addField({.name = "CODIGO", .size = 4, .label = "Código"});
        dtsPadrao.setDataSet(&cds);
        Create();
    }
    ~TestScreen() override { BeforeDestruction(); }

    void FormCreate() override {
        g_log.push_back("create");
        TfrmPadraoSimples::FormCreate();
    }
    void FormActivate() override { g_log.push_back("activate " + objectName().toStdString()); }
    void FormClose(CloseAction& action) override {
        g_log.push_back("close");
        TfrmPadraoSimples::FormClose(action);
        if (closeFails) throw framework::Error(QStringLiteral("Não pode fechar agora."));
        if (forcedAction) action = *forcedAction;
    }
    void FormDestroy() override {
        g_log.push_back("destroy");
        TfrmPadraoSimples::FormDestroy();
    }
    void dtsPadraoStateChange() override {
        TfrmPadraoSimples::dtsPadraoStateChange();
        ++stateChanges;
    }

    void load(const std::vector<std::string>& codes) {
        platform::dataset::DataPacket packet{cds.fieldDefs(), {}};
        for (const auto& code : codes) packet.rows.push_back({code});
        cds.load(packet);
    }

    platform::dataset::DataSet cds{"cdsTeste"};
    int stateChanges = 0;
    bool closeFails = false;
    std::optional<CloseAction> forcedAction;
};

// The toolbar commands whose state the base sets, with their menu twins.
struct Commands {
    bool incluir, alterar, excluir, procurar, verificar, confirmar, cancelar;
    bool operator==(const Commands&) const = default;
};

Commands buttons(const TestScreen& f) {
    return {f.sbtIncluir->isEnabled(),  f.sbtAlterar->isEnabled(),   f.sbtExcluir->isEnabled(),
            f.sbtProcurar->isEnabled(), f.sbtVerificar->isEnabled(), f.sbtConfirmar->isEnabled(),
            f.sbtCancelar->isEnabled()};
}

Commands menu(const TestScreen& f) {
    return {f.mnuIncluir->isEnabled(),  f.mnuAlterar->isEnabled(),   f.mnuExcluir->isEnabled(),
            f.mnuProcurar->isEnabled(), f.mnuVerificar->isEnabled(), f.mnuConfirmar->isEnabled(),
            f.mnuCancelar->isEnabled()};
}

void processDeletes() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

class TfrmPadraoSimplesTest : public ::testing::Test {
protected:
    void SetUp() override { g_log.clear(); }
    platform::ui::ScriptedDialogService dialogs;
    platform::ui::ScopedDialogService installed{dialogs};
};

TEST_F(TfrmPadraoSimplesTest, InheritedControlsAreFoundByNameWithTheirStartState) {
    TestScreen f;
    for (const char* name :
         {"sbtConfirmar", "sbtCancelar", "sbtIncluir", "sbtAlterar", "sbtExcluir", "sbtProcurar",
          "sbtVerificar", "sbtImprimir", "sbtAjuda", "sbtFechar"}) {
        auto* button = f.findChild<framework::TButtonFlat*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->parentWidget(), f.panMenu) << name;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
        const bool alwaysOn = std::string(name) == "sbtAjuda" || std::string(name) == "sbtFechar";
        EXPECT_EQ(button->isEnabled(), alwaysOn) << name;
    }
    for (const char* name :
         {"mnuListagem", "mnuConfigImpressora", "mnuIncluir", "mnuAlterar", "mnuExcluir",
          "mnuProcurar", "mnuVerificar", "mnuCancelar", "mnuConfirmar"}) {
        auto* action = f.findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_FALSE(action->isEnabled()) << name;
    }
    EXPECT_EQ(f.findChild<QMenuBar*>(QStringLiteral("mnuMenu")), f.mnuMenu);
    EXPECT_EQ(f.findChild<QMenu*>(QStringLiteral("mnuOperacao"))->actions(),
              (QList<QAction*>{f.mnuListagem, f.mnuConfigImpressora}));
    EXPECT_EQ(f.findChild<QMenu*>(QStringLiteral("mnuManutencao"))->actions().size(), 7);
    EXPECT_NE(f.findChild<QLabel*>(QStringLiteral("lblCodTela")), nullptr);
    EXPECT_NE(f.findChild<platform::dbcontrols::DBText*>(QStringLiteral("dbtNome")), nullptr);
    EXPECT_NE(f.findChild<QWidget*>(QStringLiteral("panMenu")), nullptr);

    // panMenu spans the form; the client area is below it.
    f.resize(600, 400);
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_EQ(f.panMenu->width(), f.width());
    EXPECT_GE(f.clientArea()->y(), f.panMenu->geometry().bottom());
    EXPECT_EQ(g_log, (std::vector<std::string>{"create", "activate "}));
}

TEST_F(TfrmPadraoSimplesTest, StateHandlerSetsToolbarAndMenuForEachState) {
    TestScreen f;
    const Commands none{false, false, false, false, false, false, false};
    EXPECT_EQ(buttons(f), none);

    f.load({"A", "B"});
    const Commands browse{true, true, true, true, true, false, false};
    EXPECT_EQ(buttons(f), browse);
    EXPECT_EQ(menu(f), browse);

    f.cds.edit();
    const Commands editing{false, false, false, false, false, true, true};
    EXPECT_EQ(buttons(f), editing);
    EXPECT_EQ(menu(f), editing);
    f.cds.cancel();
    EXPECT_EQ(buttons(f), browse);

    f.load({});
    const Commands emptyBrowse{true, false, false, false, true, false, false};
    EXPECT_EQ(buttons(f), emptyBrowse);
    EXPECT_EQ(menu(f), emptyBrowse);

    f.cds.append();
    EXPECT_EQ(buttons(f), editing);

    f.cds.close();
    EXPECT_EQ(buttons(f), none);
    EXPECT_EQ(menu(f), none);
    // Help and close stay on in every state; printing is the screen's.
    EXPECT_TRUE(f.sbtAjuda->isEnabled());
    EXPECT_TRUE(f.sbtFechar->isEnabled());
    EXPECT_FALSE(f.sbtImprimir->isEnabled());
    EXPECT_GT(f.stateChanges, 0);
}

TEST_F(TfrmPadraoSimplesTest, ToolbarButtonsInsertConfirmCancelAndDeleteRows) {
    TestScreen f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.load({"A", "B"});

    QTest::mouseClick(f.sbtIncluir, Qt::LeftButton);
    EXPECT_EQ(f.cds.state(), platform::dataset::DataSetState::Insert);
    EXPECT_TRUE(f.cds.appending());
    f.cds.fieldByName("CODIGO").setText("C");
    QTest::mouseClick(f.sbtConfirmar, Qt::LeftButton);
    EXPECT_EQ(f.cds.state(), platform::dataset::DataSetState::Browse);
    EXPECT_EQ(f.cds.recordCount(), 3);
    f.cds.last();
    EXPECT_EQ(f.cds.fieldByName("CODIGO").asString(), "C");

    f.mnuIncluir->trigger();
    EXPECT_EQ(f.cds.state(), platform::dataset::DataSetState::Insert);
    QTest::mouseClick(f.sbtCancelar, Qt::LeftButton);
    EXPECT_EQ(f.cds.recordCount(), 3);

    // Delete asks first; no keeps the row.
    f.cds.first();
    dialogs.queueConfirmation(false);
    QTest::mouseClick(f.sbtExcluir, Qt::LeftButton);
    EXPECT_EQ(f.cds.recordCount(), 3);
    dialogs.queueConfirmation(true);
    QTest::mouseClick(f.sbtExcluir, Qt::LeftButton);
    EXPECT_EQ(f.cds.recordCount(), 2);
    EXPECT_EQ(f.cds.fieldByName("CODIGO").asString(), "B");
    EXPECT_EQ(
        dialogs.texts(Kind::Confirmation),
        (QStringList{QStringLiteral("Confirma exclusão?"), QStringLiteral("Confirma exclusão?")}));

    // The screen's own "Excl" text is asked when its table has one.
    f.msgPadrao.Add(QStringLiteral("Excl"), QStringLiteral("Excluir o registro?"));
    dialogs.queueConfirmation(true);
    f.mnuExcluir->trigger();
    EXPECT_EQ(f.cds.recordCount(), 1);
    EXPECT_EQ(dialogs.texts(Kind::Confirmation).last(), QStringLiteral("Excluir o registro?"));
    EXPECT_TRUE(dialogs.texts(Kind::Error).isEmpty());
}

TEST_F(TfrmPadraoSimplesTest, CommandWithoutOpenDataShowsAnErrorAndNothingEscapes) {
    TestScreen f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    // Disabled buttons ignore clicks; the menu action can still be run by code.
    f.mnuIncluir->setEnabled(true);
    f.mnuIncluir->trigger();
    EXPECT_EQ(dialogs.texts(Kind::Error),
              QStringList{QStringLiteral("Não há dados abertos para incluir.")});
    EXPECT_EQ(f.cds.state(), platform::dataset::DataSetState::Inactive);
}

// --- Inside the MDI area ---------------------------------------------------------------

class MdiTest : public TfrmPadraoSimplesTest {
protected:
    void SetUp() override {
        TfrmPadraoSimplesTest::SetUp();
        main.setCentralWidget(area);
        main.resize(900, 700);
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
        framework::Application().SetMainForm(&main, area);
    }
    void TearDown() override {
        framework::Application().DestroyForms();
        framework::Application().SetMainForm(nullptr, nullptr);
    }
    TestScreen* open(const char* name) {
        TestScreen* ref = nullptr;
        TestScreen* form = framework::Application().CreateForm(ref);
        form->setObjectName(QString::fromLatin1(name));
        framework::Application().ShowChild(form);
        QCoreApplication::processEvents();
        return form;
    }
    QMainWindow main;
    QMdiArea* area = new QMdiArea;
};

TEST_F(MdiTest, ActivationOfTheMdiWindowRaisesFormActivate) {
    TestScreen* first = open("first");
    TestScreen* second = open("second");
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"create", "activate first", "create", "activate second"}));

    g_log.clear();
    area->setActiveSubWindow(first->subWindow());
    QCoreApplication::processEvents();
    EXPECT_EQ(g_log, std::vector<std::string>{"activate first"});
    EXPECT_EQ(area->activeSubWindow(), first->subWindow());

    // A click into the other window activates it.
    g_log.clear();
    QTest::mouseClick(second->clientArea(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(g_log, std::vector<std::string>{"activate second"});

    // Activating the main window again is no activation of the screen.
    g_log.clear();
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(second, &activate);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(MdiTest, WhatIsDrawnAgainInsideTheFormLeavesTheMdiWindowsFrameUndrawn) {
    TestScreen* form = open("tela");
    form->subWindow()->setGeometry(area->viewport()->rect());
    QTest::qWait(50);
    PaintCounter frame(form->subWindow());

    // The busy indicator of a quick call comes and goes in the middle of
    // the main window, over the form: what it covered is drawn again.
    framework::ActiveShowAvi(&main, 1);
    framework::DeactiveShowAvi();
    QTest::qWait(20);
    EXPECT_EQ(frame.count, 0);

    // The form's background is the window colour its MDI window showed: the
    // same pixels as before it filled it itself.
    const QImage filled = main.grab().toImage();
    form->setAutoFillBackground(false);
    form->update();
    QCoreApplication::processEvents();
    EXPECT_GE(frame.count, 1);
    EXPECT_EQ(main.grab().toImage(), filled);
}

TEST_F(MdiTest, CloseButtonFreesTheFormAndItsWindowAfterFormDestroy) {
    QPointer<TestScreen> form = open("tela");
    QPointer<QMdiSubWindow> window = form->subWindow();
    g_log.clear();

    QTest::mouseClick(form->sbtFechar, Qt::LeftButton);
    EXPECT_EQ(g_log, (std::vector<std::string>{"close", "destroy"}));
    processDeletes();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(framework::Application().Forms().empty());
    EXPECT_EQ(g_log, (std::vector<std::string>{"close", "destroy"}));  // destroy ran once
}

TEST_F(MdiTest, ClosingTheMdiWindowAsksTheFormAndFollowsItsAction) {
    QPointer<TestScreen> form = open("tela");
    QPointer<QMdiSubWindow> window = form->subWindow();

    form->forcedAction = CloseAction::None;
    EXPECT_FALSE(window->close());
    processDeletes();
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(window->isVisible());

    form->forcedAction = CloseAction::Minimize;
    window->close();
    processDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(framework::TApplication::WindowState(form), framework::FormWindowState::Minimized);

    form->forcedAction = CloseAction::Hide;
    window->close();
    processDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->isVisible());
    // A hidden screen is shown again as it was.
    framework::Application().ShowChild(form);
    EXPECT_TRUE(window->isVisible());

    // A FormClose that fails keeps the form open and shows its message.
    form->forcedAction.reset();
    form->closeFails = true;
    EXPECT_FALSE(form->Close());
    processDeletes();
    ASSERT_FALSE(form.isNull());
    EXPECT_EQ(dialogs.texts(Kind::Error), QStringList{QStringLiteral("Não pode fechar agora.")});

    form->closeFails = false;
    EXPECT_TRUE(window->close());
    processDeletes();
    EXPECT_TRUE(form.isNull());
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(std::count(g_log.begin(), g_log.end(), std::string("destroy")), 1);
}

TEST_F(MdiTest, DestroyingTheFormsOfTheApplicationRunsTheScreensFormDestroy) {
    open("tela");
    g_log.clear();
    framework::Application().DestroyForms();
    EXPECT_EQ(g_log, std::vector<std::string>{"destroy"});
}

}  // namespace

TEST(TfrmPadraoSimplesDataSets, RegisteredDataSetsAreFoundByNameWithoutRegardToCase) {
    framework::TfrmPadraoSimples form;
    platform::dataset::DataSet first("cdsAtividades");
    platform::dataset::DataSet second("cdsPonto");
    form.registerDataSet(QStringLiteral("cdsAtividades"), &first);
    form.registerDataSet(QStringLiteral("cdsPonto"), &second);
    EXPECT_EQ(form.findDataSet(QStringLiteral("CDSATIVIDADES")), &first);
    EXPECT_EQ(form.findDataSet(QStringLiteral("cdsponto")), &second);
    EXPECT_EQ(form.findDataSet(QStringLiteral("cdsDatas")), nullptr);
    // Registering a name again replaces the entry instead of adding a second one.
    form.registerDataSet(QStringLiteral("CdsPonto"), &first);
    EXPECT_EQ(form.findDataSet(QStringLiteral("cdsPonto")), &first);
    EXPECT_EQ(form.dataSetNames().size(), 2);
}
