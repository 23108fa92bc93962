// The screen's life: first activation with access check, operator check and
// year load; the enable rules; later activations; closing.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>

#include <optional>

#include "framework/application.h"
#include "framework/busy.h"
#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/dbcontrols/db_grid_column.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "qt_warnings.h"
#include "screen/cli_zep00700.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using framework::FormWindowState;
using framework::TApplication;
using platform::dataset::DateTime;

namespace screen_testing {
namespace {

using LifecycleTest = ScreenTest;

TEST_F(LifecycleTest, FirstActivationAdmitsTheUserAndStandsOnTheServersToday) {
    Screen& f = open();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.medCdOper->text(), QStringLiteral("000000000101"));
    EXPECT_EQ(f.edtNmOper->text(), QStringLiteral("Ana Souza"));
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Março 2025"));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(f.dbcDia->Today(), DateTime::date(2025, 3, 31))
        << "the server's today, not the local clock's";
    EXPECT_FALSE(f.dbcDia->ChangeSuspended());
    EXPECT_TRUE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 28)));
    EXPECT_TRUE(f.dbcDia->IsMarked(DateTime::date(2025, 1, 15)));
    EXPECT_FALSE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 31)));
    EXPECT_FALSE(Z::boPrimVez);
    // No day load at the first activation.
    EXPECT_FALSE(f.cdsAtividades.active());
    EXPECT_EQ(calls("getAtividades"), 0);
    EXPECT_EQ(calls("GetCtrlAcesso"), 1);
    EXPECT_EQ(calls("GetOperEquip"), 1);
    EXPECT_EQ(calls("GetDatas"), 1);
    EXPECT_EQ(calls("getHoraServidor"), 1)
        << "one reading of the server's date serves the year load's date, calendar and caption";
}

TEST_F(LifecycleTest, LaterActivationsOnlyRestoreTheWindowState) {
    Screen& f = open();
    framework::NetScript::reset();
    TApplication::SetWindowState(&f.form, FormWindowState::Maximized);
    f.FormActivate();
    EXPECT_EQ(TApplication::WindowState(&f.form), FormWindowState::Normal);
    TApplication::SetWindowState(&f.form, FormWindowState::Minimized);
    f.FormActivate();
    EXPECT_EQ(TApplication::WindowState(&f.form), FormWindowState::Normal);
    EXPECT_EQ(calls("GetCtrlAcesso"), 0);
    EXPECT_FALSE(Z::boPrimVez);
}

TEST_F(LifecycleTest, ARefusedUserSeesTheMessageOnceAndTheScreenGoes) {
    // The refused screen may already be gone when open() returns.
    open(QStringLiteral("000000000105"), QStringLiteral("senha105"));
    form = nullptr;
    EXPECT_EQ(errors(),
              QStringList{QStringLiteral("Operado não possui permissão de acesso à tela.")});
    // The release was posted from inside the activation's own event handling.
    for (int i = 0; i < 10 && !framework::Application().Forms().empty(); ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(framework::Application().Forms().empty()) << "the refused screen is destroyed";
    EXPECT_TRUE(area->subWindowList().isEmpty());
    EXPECT_FALSE(Z::boIdCriado);
    EXPECT_TRUE(Z::boPrimVez);
    EXPECT_EQ(calls("GetOperEquip"), 0) << "nothing else is loaded";
}

TEST_F(LifecycleTest, AFailedYearLoadIsRepeatedAtTheNextActivation) {
    framework::NetScript::failNextCalls("GetDatas", 1);
    std::optional<aprop_testing::ExpectedQtWarning> logged(
        std::in_place, QStringLiteral("a carga do ano não terminou"));
    Screen& f = open();
    logged.reset();
    EXPECT_TRUE(errors().isEmpty()) << "the year load drops its failure, to the log";
    EXPECT_TRUE(Z::boPrimVez);
    EXPECT_FALSE(f.dbcDia->ChangeSuspended());
    EXPECT_EQ(f.edtNmOper->text(), QStringLiteral("Ana Souza"));

    f.FormActivate();
    EXPECT_FALSE(Z::boPrimVez);
    EXPECT_EQ(calls("GetCtrlAcesso"), 2);
    EXPECT_EQ(calls("GetDatas"), 2);
    EXPECT_TRUE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 28)));
}

TEST_F(LifecycleTest, AFailedAccessCheckIsShownAndClosingDestroysTheScreen) {
    framework::NetScript::failNextCalls("GetCtrlAcesso", 1);
    open();
    QPointer<Z::TfrmApropriacao> f = form;
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(f);
    EXPECT_TRUE(Z::boPrimVez);
    EXPECT_FALSE(screen->cdsCtrlAcesso.active());
    EXPECT_FALSE(framework::busyShowing());
    EXPECT_TRUE(f->Close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.isNull());
}

TEST_F(LifecycleTest, EnableRulesFollowTheAppropriationDataSet) {
    Screen& f = open();
    const auto buttonOf = [&](int column) { return f.dbgAtividades->column(column).buttonStyle(); };

    // Closed (no day loaded yet).
    EXPECT_TRUE(f.medCdOper->isEnabled());
    EXPECT_TRUE(f.depAgenda->isEnabled());
    EXPECT_TRUE(f.btnHojeDia->isEnabled());
    EXPECT_TRUE(f.mnuHoje->isEnabled());
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.mnuExcluir->isEnabled());
    EXPECT_FALSE(f.memDesc->isEnabled());
    EXPECT_EQ(buttonOf(0), platform::dbcontrols::ColumnButtonStyle::None);

    // An empty day, the focus on the grid.
    workOn(DateTime::date(2025, 3, 30));
    EXPECT_TRUE(f.cdsAtividades.active());
    EXPECT_TRUE(f.cdsAtividades.isEmpty());
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.sbtExcluir->isEnabled());
    EXPECT_FALSE(f.mnuAlterar->isEnabled());
    EXPECT_FALSE(f.memDesc->isEnabled());
    EXPECT_TRUE(f.btnHojeDia->isEnabled());
    EXPECT_TRUE(f.mnuHoje->isEnabled());
    EXPECT_TRUE(f.medCdOper->isEnabled());

    // A day with rows: a closed row, then an open one of situation "A".
    loadDay(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 2);
    ASSERT_TRUE(f.cdsAtividades.locate("NRPLATIVTARE", platform::dataset::Value("00001")));
    EXPECT_TRUE(f.sbtAlterar->isEnabled());
    EXPECT_TRUE(f.sbtExcluir->isEnabled());
    EXPECT_TRUE(f.mnuAlterar->isEnabled());
    EXPECT_TRUE(f.mnuExcluir->isEnabled());
    EXPECT_TRUE(f.memDesc->isEnabled());
    EXPECT_EQ(f.memDesc->toPlainText(), QStringLiteral("Tela de filtro"));
    EXPECT_FALSE(f.dbgAtividades->column(0).readOnly());

    ASSERT_TRUE(f.cdsAtividades.locate("NRPLATIVTARE", platform::dataset::Value("00002")));
    EXPECT_FALSE(f.sbtAlterar->isEnabled()) << "no end stamp";
    EXPECT_FALSE(f.sbtExcluir->isEnabled());
    EXPECT_FALSE(f.mnuAlterar->isEnabled());
    EXPECT_TRUE(f.memDesc->isEnabled());
    EXPECT_EQ(f.memDesc->toPlainText(), QStringLiteral("Testes em andamento"));
    for (int column = 0; column < 4; ++column)
        EXPECT_TRUE(f.dbgAtividades->column(column).readOnly()) << column;
    EXPECT_FALSE(f.dbgAtividades->column(4).readOnly());

    // Editing a row.
    ASSERT_TRUE(f.cdsAtividades.locate("NRPLATIVTARE", platform::dataset::Value("00001")));
    EXPECT_FALSE(f.dbgAtividades->column(0).readOnly());
    f.cdsAtividades.edit();
    EXPECT_FALSE(f.medCdOper->isEnabled());
    EXPECT_FALSE(f.depAgenda->isEnabled());
    EXPECT_FALSE(f.lblDataRef->isEnabled());
    EXPECT_FALSE(f.btnHojeDia->isEnabled());
    EXPECT_FALSE(f.mnuHoje->isEnabled());
    EXPECT_FALSE(f.sbtAlterar->isEnabled());
    EXPECT_FALSE(f.memDesc->isEnabled());
    EXPECT_EQ(buttonOf(0), platform::dbcontrols::ColumnButtonStyle::Ellipsis);
    EXPECT_EQ(buttonOf(1), platform::dbcontrols::ColumnButtonStyle::Ellipsis);
    EXPECT_EQ(buttonOf(2), platform::dbcontrols::ColumnButtonStyle::None);
    f.cdsAtividades.cancel();
    EXPECT_TRUE(f.medCdOper->isEnabled());
    EXPECT_TRUE(f.mnuHoje->isEnabled());
    EXPECT_TRUE(f.sbtAlterar->isEnabled());
    EXPECT_EQ(buttonOf(0), platform::dbcontrols::ColumnButtonStyle::None);
}

TEST_F(LifecycleTest, TheMemoKeepsItsStateWhileItHasTheFocus) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    f.focusManager().setFocusTo(f.memDesc);
    pump();
    f.cdsAtividades.edit();
    EXPECT_TRUE(f.memDesc->isEnabled());
    f.cdsAtividades.cancel();
}

TEST_F(LifecycleTest, ClosingResetsTheUnitFlagsAndDisconnects) {
    Screen& f = open();
    EXPECT_TRUE(f.netApropriacao.Connected());
    framework::CloseAction action = framework::CloseAction::Minimize;
    f.FormClose(action);
    EXPECT_FALSE(Z::boIdCriado);
    EXPECT_TRUE(Z::boPrimVez);
    EXPECT_EQ(action, framework::CloseAction::Free);
    f.FormDestroy();
    EXPECT_FALSE(f.netApropriacao.Connected());
}

}  // namespace
}  // namespace screen_testing
