// The opening routine and the module-wide variables, in-process, with the
// screen talking to a real server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <memory>

#include "entry/cria_apropriacao.h"
#include "entry_fixture.h"
#include "framework/application.h"
#include "framework/busy.h"
#include "framework/net_connection.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao.h"
#include "screen_server.h"

namespace Z = Cli_Zep00700;
using framework::Application;
using framework::FormWindowState;
using framework::TApplication;

namespace {

class ModuleLifeTest : public entry_testing::EntryTest {};

TEST_F(ModuleLifeTest, TwoCallsGiveOneScreenAndTheSecondRestoresAMinimizedOne) {
    Z::IniProc();
    settle();
    ASSERT_NE(Z::frmApropriacao, nullptr);
    EXPECT_TRUE(Z::boIdCriado);
    EXPECT_EQ(screens(), 1);
    EXPECT_TRUE(Z::frmApropriacao->isVisible());
    EXPECT_FALSE(Z::boPrimVez) << "the first activation loaded the year";
    Z::TfrmApropriacao* first = Z::frmApropriacao;

    TApplication::SetWindowState(first, FormWindowState::Minimized);
    Z::IniProc();
    settle();
    EXPECT_EQ(Z::frmApropriacao, first);
    EXPECT_EQ(screens(), 1);
    EXPECT_EQ(Application().Forms().size(), 1u);
    EXPECT_EQ(TApplication::WindowState(first), FormWindowState::Normal);

    TApplication::SetWindowState(first, FormWindowState::Maximized);
    Z::IniProc();
    EXPECT_EQ(TApplication::WindowState(first), FormWindowState::Normal);
    EXPECT_EQ(Application().ScreenCursor(), framework::ScreenCursorKind::Default);
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_EQ(framework::NetScript::callCount("GetCtrlAcesso"), 1)
        << "later activations make no access check";
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ModuleLifeTest, AfterClosingTheNextCallBuildsAFreshScreenThatChecksAccessAgain) {
    Z::IniProc();
    settle();
    QPointer<Z::TfrmApropriacao> first = Z::frmApropriacao;
    ASSERT_TRUE(first);
    EXPECT_EQ(framework::NetScript::callCount("GetCtrlAcesso"), 1);

    ASSERT_TRUE(first->Close());
    EXPECT_FALSE(Z::boIdCriado);
    EXPECT_TRUE(Z::boPrimVez);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "a closed screen is destroyed";
    EXPECT_EQ(screens(), 0);

    Z::IniProc();
    settle();
    ASSERT_NE(Z::frmApropriacao, nullptr);
    EXPECT_EQ(screens(), 1);
    EXPECT_TRUE(Z::boIdCriado);
    EXPECT_EQ(framework::NetScript::callCount("GetCtrlAcesso"), 2);
    EXPECT_FALSE(Z::boPrimVez);
}

TEST_F(ModuleLifeTest, AFailedConstructionLeavesNoScreenAndIsDropped) {
    Z::TfrmApropriacao::FailNextConstructionForTesting();
    Z::IniProc();  // returns normally
    EXPECT_EQ(Z::frmApropriacao, nullptr);
    EXPECT_FALSE(Z::boIdCriado);
    EXPECT_EQ(screens(), 0);
    EXPECT_TRUE(Application().Forms().empty());
    EXPECT_EQ(Application().ScreenCursor(), framework::ScreenCursorKind::Default);
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_TRUE(dialogs.shown().empty()) << "the routine shows no message of its own";

    // The next call tries again.
    Z::IniProc();
    settle();
    EXPECT_NE(Z::frmApropriacao, nullptr);
    EXPECT_TRUE(Z::boIdCriado);
    EXPECT_EQ(screens(), 1);
}

TEST_F(ModuleLifeTest, TheHostsSimplifiedFlagChangesNothing) {
    Z::boSimplificada = true;
    Z::IniProc();
    settle();
    EXPECT_TRUE(Z::boSimplificada);
    EXPECT_EQ(screens(), 1);
    EXPECT_FALSE(Z::boPrimVez);
    EXPECT_EQ(framework::NetScript::callCount("GetDatas"), 1);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST(UnitInitialization, ActsOnTheOuterCallsOnly) {
    Z::boIdCriado = true;
    Z::boPrimVez = false;
    Z::stSitAtiv = QStringLiteral("P");
    Z::UnitInitialization();
    EXPECT_FALSE(Z::boIdCriado);
    EXPECT_TRUE(Z::boPrimVez);
    Z::boIdCriado = true;
    Z::UnitInitialization();  // nested: no effect
    EXPECT_TRUE(Z::boIdCriado);
    Z::UnitFinalization();  // inner: no effect
    EXPECT_EQ(Z::stSitAtiv, QStringLiteral("P"));
    Z::UnitFinalization();
    EXPECT_TRUE(Z::stSitAtiv.isEmpty());
    Z::boIdCriado = false;
}

}  // namespace
