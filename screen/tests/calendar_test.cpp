// The day calendar: picking a day, "Hoje", month steps and their delayed load.
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTest>

#include "framework/button_flat.h"
#include "framework/calendar.h"
#include "framework/date_edit_plus.h"
#include "framework/net_connection.h"
#include "platform/dbcontrols/db_grid.h"
#include "platform/ui/focus_manager.h"
#include "screen/cli_zep00700.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using platform::dataset::DateTime;

namespace screen_testing {
namespace {

using CalendarTest = ScreenTest;

TEST_F(CalendarTest, PickingADayLoadsIt) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 31));
    {
        // Shown, not typed: typing would start a row of its own.
        const QSignalBlocker quiet(f.memDesc);
        f.memDesc->setPlainText(QStringLiteral("velho"));
    }
    framework::NetScript::reset();
    f.dbcDia->clickDay(QDate(2025, 3, 28));
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 28));
    EXPECT_EQ(f.cdsAtividades.recordCount(), 2);
    EXPECT_EQ(calls("getAtividades"), 1);
    EXPECT_FALSE(f.cdsTotApro.isEmpty());
    EXPECT_NE(f.memDesc->toPlainText(), QStringLiteral("velho"));
    EXPECT_TRUE(errors().isEmpty());
}

TEST_F(CalendarTest, EnteringTheCalendarBlanksTheDayTotal) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_TRUE(f.cdsTotApro.active());
    f.focusManager().setFocusTo(f.dbcDia);
    EXPECT_FALSE(f.cdsTotApro.active());
}

TEST_F(CalendarTest, TodayIsTheServersWhateverTheLocalClockSays) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 15));
    ASSERT_NE(QDate::currentDate(), QDate(2025, 3, 31));
    framework::NetScript::reset();
    f.btnHojeDia->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(calls("getAtividades"), 1);

    f.depAgenda->SetDate(DateTime::date(2025, 1, 15));
    f.mnuHoje->trigger();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 31));
    EXPECT_EQ(calls("getAtividades"), 2);
}

TEST_F(CalendarTest, TodayWithAnEmptyOperatorStillRunsTheDayLoad) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    f.medCdOper->clear();
    framework::NetScript::reset();
    f.btnHojeDia->click();
    EXPECT_EQ(calls("getAtividades"), 1);
    // The server refuses a day of nobody: said, and the grid stays on its day.
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 3, 28));
    EXPECT_EQ(f.cdsAtividades.recordCount(), 2);
}

TEST_F(CalendarTest, MonthStepsWrapTheYearAndCarryTheDay) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 15));
    f.sbtCalendDiaAnt->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2024, 12, 15));
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Dezembro 2024"));
    EXPECT_EQ(f.dbcDia->GetDateElement(1), 2024);
    EXPECT_EQ(f.dbcDia->GetDateElement(2), 12);
    f.sbtCalendDiaPost->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 1, 15));
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Janeiro 2025"));
    f.depAgenda->SetDate(DateTime::date(2025, 12, 15));
    f.sbtCalendDiaPost->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2026, 1, 15));
    EXPECT_FALSE(f.dbcDia->ChangeSuspended());
    // The marked days stay those of the year last fetched.
    EXPECT_TRUE(f.dbcDia->IsMarked(DateTime::date(2025, 3, 28)));
    EXPECT_FALSE(f.dbcDia->IsMarked(DateTime::date(2024, 12, 16)));
}

TEST_F(CalendarTest, AStepFromADayTheTargetMonthLacksEndsOnItsLastDay) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 31));
    f.sbtCalendDiaPost->click();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 2, 28));
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Fevereiro 2025"));
    EXPECT_FALSE(f.dbcDia->ChangeSuspended());
    EXPECT_TRUE(f.tmrAgenda.isActive());

    f.depAgenda->SetDate(DateTime::date(2024, 3, 31));
    f.sbtCalendDiaAnt->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2024, 2, 29)) << "a leap year";
    f.depAgenda->SetDate(DateTime::date(2025, 3, 31));
    f.sbtCalendDiaPost->click();
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 4, 30));
    EXPECT_EQ(f.dbcDia->GetDateElement(2), 4);
}

TEST_F(CalendarTest, ARunOfStepsLeadsToOneDayLoadAfterTheDelay) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 15));
    framework::NetScript::reset();
    f.sbtCalendDiaPost->click();
    pump(300);
    f.sbtCalendDiaPost->click();
    pump(300);
    f.sbtCalendDiaPost->click();
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Abril 2025"));
    EXPECT_EQ(calls("getAtividades"), 0) << "a step neither calls the server nor loads";
    pump(1200);
    EXPECT_EQ(calls("getAtividades"), 0) << "the delay restarts at every step";
    pump(800);
    EXPECT_EQ(calls("getAtividades"), 1);
    EXPECT_FALSE(f.tmrAgenda.isActive());
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 4, 15));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 4, 15));
}

TEST_F(CalendarTest, AStepWhileInTheFilterLoadsNothingUntilTheFilterIsLeft) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 15));
    f.focusManager().setFocusTo(f.depAgenda);
    ASSERT_FALSE(Z::boFiltrado);
    framework::NetScript::reset();
    // A real click: the button takes no focus, and nothing around it does.
    QTest::mouseClick(f.sbtCalendDiaPost, Qt::LeftButton);
    EXPECT_EQ(f.focusManager().current(), f.depAgenda);
    EXPECT_EQ(calls("getAtividades"), 0);
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 2, 15));
    pump(1800);
    EXPECT_EQ(calls("getAtividades"), 0);
    EXPECT_FALSE(f.tmrAgenda.isActive());
    f.focusManager().setFocusTo(f.dbgAtividades);
    EXPECT_EQ(calls("getAtividades"), 1);
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 2, 15));
}

}  // namespace
}  // namespace screen_testing

namespace screen_testing {
namespace {

TEST_F(CalendarTest, ADayClickedFromTheOperatorCodeIsTheDayLoadedEvenWhenTheYearLoadMovesTheMonth) {
    Screen& f = open();
    workOn(DateTime::date(2025, 1, 15));
    f.focusManager().setFocusTo(f.medCdOper);
    pump();  // January is drawn, as the user sees it
    framework::NetScript::reset();
    // Leaving the code checks it and loads the year, which brings the
    // calendar to the server's today (March); the click was aimed at January.
    QTest::mouseClick(f.dbcDia, Qt::LeftButton, {}, f.dbcDia->dayRect(QDate(2025, 1, 20)).center());
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(calls("GetOperEquip"), 1);
    EXPECT_EQ(calls("GetDatas"), 1);
    EXPECT_EQ(f.depAgenda->GetDate(), DateTime::date(2025, 1, 20));
    EXPECT_EQ(f.dbcDia->CalendarDate(), DateTime::date(2025, 1, 20));
    EXPECT_EQ(f.loadedDay(), DateTime::date(2025, 1, 20));
    EXPECT_EQ(f.panCalendario->text(), QStringLiteral("Janeiro 2025"));
}

}  // namespace
}  // namespace screen_testing
