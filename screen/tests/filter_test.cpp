// The operator and reference-date filter: the operator check, the search
// list, entering and leaving the panel, and the day load.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "framework/btn_pesquisa.h"
#include "framework/busy.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "screen/cli_zep00700.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using platform::dataset::DateTime;

namespace screen_testing {
namespace {

using FilterTest = ScreenTest;

/// Leaves medCdOper for depAgenda as a Tab would; false when refused.
bool leaveOperator(Screen& f) {
    f.focusManager().setFocusTo(f.medCdOper);
    return f.focusManager().setFocusTo(f.depAgenda);
}

TEST_F(FilterTest, TypingIntoTheCodeEmptiesTheName) {
    Screen& f = open();
    ASSERT_FALSE(f.edtNmOper->text().isEmpty());
    f.focusManager().setFocusTo(f.medCdOper);
    f.medCdOper->end(false);
    QTest::keyClick(f.medCdOper, Qt::Key_Backspace);
    EXPECT_TRUE(f.edtNmOper->text().isEmpty());
}

TEST_F(FilterTest, LeavingTheCodeChecksItAndLoadsTheYear) {
    Screen& f = open();
    f.depAgenda->SetDate(DateTime::date(2024, 7, 10));
    f.focusManager().setFocusTo(f.medCdOper);
    f.medCdOper->setText(QStringLiteral("102"));
    framework::NetScript::reset();
    ASSERT_TRUE(f.focusManager().setFocusTo(f.depAgenda));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.medCdOper->text(), QStringLiteral("000000000102"));
    EXPECT_EQ(f.edtNmOper->text(), QStringLiteral("Bruno Lima"));
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 31))
        << "the year load brings the server's today";
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Março 2025"));
    EXPECT_TRUE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 31)));
    EXPECT_FALSE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 28)));
    EXPECT_EQ(calls("GetOperEquip"), 1);
    EXPECT_EQ(calls("GetDatas"), 1);
    EXPECT_EQ(calls("getAtividades"), 0) << "the focus is still in the filter";
}

TEST_F(FilterTest, AnEmptyOrForeignCodeIsRefusedAndKeepsTheFocus) {
    Screen& f = open();
    f.focusManager().setFocusTo(f.medCdOper);
    f.medCdOper->clear();
    framework::NetScript::reset();
    EXPECT_FALSE(f.focusManager().setFocusTo(f.depAgenda));
    EXPECT_EQ(errors(), QStringList{QStringLiteral("Operador deve ser informado.")});
    EXPECT_EQ(f.focusManager().current(), f.medCdOper);
    EXPECT_EQ(calls("GetOperEquip") + calls("GetDatas"), 0);

    dialogs.clear();
    f.medCdOper->setText(QStringLiteral("104"));
    EXPECT_FALSE(leaveOperator(f));
    EXPECT_EQ(
        errors(),
        QStringList{QStringLiteral("Operador não cadastrado para equipe de trabalho do usuário.")});
    EXPECT_EQ(f.medCdOper->text(), QStringLiteral("000000000104"));
    EXPECT_TRUE(f.edtNmOper->text().isEmpty());
    EXPECT_EQ(f.focusManager().current(), f.medCdOper);
    EXPECT_EQ(calls("GetDatas"), 0);
    EXPECT_FALSE(framework::busyShowing());
}

TEST_F(FilterTest, ARemoteFailureOfTheCheckIsShownAndKeepsTheFocus) {
    Screen& f = open();
    framework::NetScript::failNextCalls("GetOperEquip", 1);
    EXPECT_FALSE(leaveOperator(f));
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(f.focusManager().current(), f.medCdOper);
    EXPECT_FALSE(framework::busyShowing());
}

TEST_F(FilterTest, TheSearchListFillsCodeAndNameWithoutCheckingTheCode) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    framework::NetScript::reset();
    dialogs.queuePick(2);  // Ana, Bruno, Carla, Eva by name
    ASSERT_TRUE(f.btnPesqOper->Execute());
    EXPECT_EQ(f.medCdOper->text(), QStringLiteral("000000000103"));
    EXPECT_EQ(f.edtNmOper->text(), QStringLiteral("Carla Dias"));
    EXPECT_EQ(calls("GetOperEquip"), 1);
    EXPECT_EQ(f.cdsOperEquip.recordCount(), 4);
    EXPECT_FALSE(framework::busyShowing());

    // A failed list opens nothing and is passed on.
    framework::NetScript::failNextCalls("GetOperEquip", 1);
    EXPECT_THROW(f.btnPesqOper->Execute(), std::exception);
    EXPECT_EQ(dialogs.texts(platform::ui::ScriptedDialogService::Kind::Pick).size(), 1);
    EXPECT_FALSE(framework::busyShowing());
}

TEST_F(FilterTest, EnteringThePanelBlanksTheDayAndLeavingItLoadsIt) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_TRUE(f.cdsAtividades.active());
    ASSERT_TRUE(Z::boFiltrado);

    f.focusManager().setFocusTo(f.depAgenda);
    EXPECT_FALSE(f.cdsAtividades.active());
    EXPECT_FALSE(f.cdsTotApro.active());
    EXPECT_FALSE(f.cdsPonto.active());
    EXPECT_TRUE(f.dbcDia->isEnabled()) << "a day clicked from the filter is the next one loaded";
    EXPECT_FALSE(Z::boFiltrado);
    EXPECT_TRUE(f.memDesc->toPlainText().isEmpty());

    framework::NetScript::reset();
    f.focusManager().setFocusTo(f.dbgAtividades);
    EXPECT_TRUE(Z::boFiltrado);
    EXPECT_TRUE(f.dbcDia->isEnabled());
    EXPECT_EQ(f.cdsAtividades.recordCount(), 2);
    EXPECT_EQ(f.cdsPonto.recordCount(), 2);
    EXPECT_TRUE(f.cdsTotApro.active());
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Março 2025"));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 3, 28));
    EXPECT_EQ(calls("getAtividades"), 1);
    EXPECT_EQ(calls("getTotApro"), 1);
    EXPECT_EQ(calls("getPonto"), 1);
}

TEST_F(FilterTest, LeavingAnEmptyDateFillsTheServersDate) {
    Screen& f = open();
    f.focusManager().setFocusTo(f.depAgenda);
    f.depAgenda->SetDate(DateTime{});
    ASSERT_TRUE(f.focusManager().setFocusTo(f.dbgAtividades));
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 31));
    EXPECT_TRUE(Z::boFiltrado);
}

TEST_F(FilterTest, AnInvalidDateKeepsTheFocusAndLoadsNothing) {
    Screen& f = open();
    f.focusManager().setFocusTo(f.depAgenda);
    f.depAgenda->setStoredText(QStringLiteral("31/02/2025"));
    framework::NetScript::reset();
    EXPECT_FALSE(f.focusManager().setFocusTo(f.dbgAtividades));
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(calls("getAtividades"), 0);
}

TEST_F(FilterTest, AFailedDayLoadTellsTheUserAndLeavesTheScreenOnTheDayItShows) {
    Screen& f = open();
    loadDay(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 2);
    const QString description = f.memDesc->toPlainText();
    ASSERT_FALSE(description.isEmpty());
    for (const char* method : {"getAtividades", "getTotApro", "getPonto"}) {
        SCOPED_TRACE(method);
        dialogs.clear();
        framework::NetScript::reset();
        framework::NetScript::failNextCalls(method, 1);
        loadDay(DateTime::date(2025, 3, 30));
        EXPECT_EQ(errors(), QStringList{framework::ServerUnavailableText()})
            << "a message, not only a line in a log";
        // Nothing of the other day got in: rows, total and punches are the 28th's.
        EXPECT_EQ(f.cdsAtividades.recordCount(), 2);
        EXPECT_TRUE(f.cdsTotApro.active());
        EXPECT_EQ(f.cdsPonto.recordCount(), 2);
        EXPECT_EQ(f.loadedDay(), DateTime::date(2025, 3, 28));
        EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 28));
        EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 3, 28));
        EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Março 2025"));
        EXPECT_EQ(f.memDesc->toPlainText(), description);
        EXPECT_FALSE(f.dbcDia->ChangeSuspended());
        EXPECT_FALSE(framework::busyShowing());
    }

    dialogs.clear();
    loadDay(DateTime::date(2025, 3, 30));
    EXPECT_TRUE(errors().isEmpty());
    EXPECT_TRUE(f.cdsAtividades.isEmpty());
    EXPECT_EQ(f.loadedDay(), DateTime::date(2025, 3, 30));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 3, 30));
}

TEST_F(FilterTest, AnotherOperatorsDayFollowsTheFilter) {
    Screen& f = open();
    f.medCdOper->setText(QStringLiteral("000000000102"));
    loadDay(DateTime::date(2025, 3, 31));
    ASSERT_EQ(f.cdsAtividades.recordCount(), 1);
    EXPECT_EQ(QString::fromStdString(f.cdsAtividades.fieldByName("TXAPRATIVTAR").text()),
              QStringLiteral("Bruno hoje"));
}

}  // namespace
}  // namespace screen_testing
