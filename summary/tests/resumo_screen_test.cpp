// The summary screen against a real server: its first load, the filter,
// the grid's texts, colours, marks and shading.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "framework/btn_pesquisa.h"
#include "framework/button_flat.h"
#include "framework/date_edit_plus.h"
#include "platform/ui/focus_manager.h"
#include "platform/ui/masked_edit.h"
#include "resumo_fixture.h"

namespace summary_testing {
namespace {

namespace pds = platform::dataset;

const QColor kRed(0xFF, 0x00, 0x00);
const QColor kBlue(0x00, 0x00, 0xFF);

TEST_F(ResumoTest, OpensOnTheFirstTeamByCodeAndTheServersMonth) {
    open();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Resumo da Apropriação"));
    // Carla's teams come as EQ02, EQ01: the list and the choice go by code.
    ASSERT_EQ(form->cbxEquipe->count(), 2);
    EXPECT_EQ(form->cbxEquipe->currentData().toString(), QStringLiteral("EQ01"));
    EXPECT_EQ(form->cbxEquipe->itemData(1).toString(), QStringLiteral("EQ02"));
    EXPECT_EQ(form->mesSelecionado(), pds::DateTime::date(2025, 3, 1));
    EXPECT_EQ(form->lblNomeMes->text(), QStringLiteral("Março 2025"));

    // One row per operator of EQ01, by code, also for Carla and Eva, who have
    // neither rows nor punches in March; Davi is of EQ02.
    ASSERT_EQ(form->cdsResumo.recordCount(), 4);
    EXPECT_EQ(rowOf(kAna), 0);
    EXPECT_EQ(rowOf(kBruno), 1);
    EXPECT_EQ(rowOf(kSupervisor), 2);
    EXPECT_EQ(rowOf(kEva), 3);
    EXPECT_EQ(rowOf(QStringLiteral("000000000104")), -1);
    EXPECT_EQ(cell(kAna, "NMOPERADOR"), QStringLiteral("Ana Souza"));
    EXPECT_EQ(cell(kEva, "NMOPERADOR"), QStringLiteral("Eva Ramos"));
    EXPECT_EQ(cell(kEva, "D31"), QString());
    EXPECT_EQ(cell(kEva, "TOTAPRO"), QStringLiteral("0:00"));
    EXPECT_EQ(cell(kEva, "IDFECHADO"), QStringLiteral("N"));
    // The days March has, and no more.
    EXPECT_NE(form->dbgResumo->columnIndex(QStringLiteral("D31")), -1);
    EXPECT_NE(form->dbgResumo->columnIndex(QStringLiteral("IDFECHADO")), -1);
}

TEST_F(ResumoTest, DayCellsShowAppropriatedMinusPunchedAndTheMonthsTotals) {
    open();
    EXPECT_EQ(cell(kAna, "D03"), QStringLiteral("-0:03"));
    EXPECT_EQ(cell(kAna, "D04"), QStringLiteral("-4:39"));
    EXPECT_EQ(cell(kAna, "D05"), QStringLiteral("+0:30"));
    EXPECT_EQ(cell(kAna, "D06"), QStringLiteral("-4:00"));
    EXPECT_EQ(cell(kAna, "D07"), QStringLiteral("+0:10"));
    EXPECT_EQ(cell(kAna, "D10"), QString());
    // 30 seconds punched and nothing appropriated.
    EXPECT_EQ(cell(kBruno, "D08"), QStringLiteral("0:00"));
    EXPECT_EQ(cell(kBruno, "D31"), QStringLiteral("+1:30"));

    EXPECT_EQ(cell(kAna, "TOTAPRO"), QStringLiteral("12:40"));
    EXPECT_EQ(cell(kAna, "TOTPONTO"), QStringLiteral("20:42"));
    EXPECT_EQ(cell(kAna, "TOTDIFER"), QStringLiteral("-8:02"));
    EXPECT_EQ(cell(kBruno, "TOTPONTO"), QStringLiteral("0:00"));
    EXPECT_EQ(cell(kBruno, "TOTDIFER"), QStringLiteral("1:29"));
    EXPECT_EQ(cell(kAna, "IDFECHADO"), QStringLiteral("N"));
}

TEST_F(ResumoTest, CellsAreRedShortBlueBeyondAndPlainWithinTenMinutes) {
    open();
    const auto shortDay = drawn(kAna, "D04");
    EXPECT_EQ(shortDay.text, QStringLiteral("-4:39"));
    EXPECT_EQ(shortDay.fontColor, kRed);
    EXPECT_EQ(drawn(kAna, "D05").fontColor, kBlue);
    EXPECT_EQ(drawn(kAna, "D06").fontColor, kRed);
    const auto within = drawn(kAna, "D03");
    EXPECT_NE(within.fontColor, kRed);
    EXPECT_NE(within.fontColor, kBlue);
    // Exactly ten minutes beyond is still within.
    const auto tenMinutes = drawn(kAna, "D07");
    EXPECT_NE(tenMinutes.fontColor, kBlue);
    EXPECT_EQ(drawn(kBruno, "D31").fontColor, kBlue);
}

TEST_F(ResumoTest, DaysPunchedWithoutRowsCarryAMarkAndWeekendsAreShaded) {
    open();
    EXPECT_TRUE(drawn(kAna, "D06").bitmapDrawn);
    EXPECT_TRUE(drawn(kBruno, "D08").bitmapDrawn);
    EXPECT_FALSE(drawn(kAna, "D04").bitmapDrawn);
    EXPECT_FALSE(drawn(kAna, "D07").bitmapDrawn);  // a row, no punch

    // 2025-03-08 is a Saturday, 03-09 a Sunday, 03-10 a Monday.
    const QColor saturday = drawn(kAna, "D08").background;
    EXPECT_EQ(drawn(kAna, "D09").background, saturday);
    EXPECT_NE(drawn(kAna, "D10").background, saturday);
    EXPECT_EQ(drawn(kAna, "IDFECHADO").text, QStringLiteral("Não"));
}

TEST_F(ResumoTest, MonthButtonsStepAndReload) {
    open();
    form->sbtMesAnt->click();
    settle();
    EXPECT_EQ(form->mesSelecionado(), pds::DateTime::date(2025, 2, 1));
    EXPECT_EQ(form->lblNomeMes->text(), QStringLiteral("Fevereiro 2025"));
    ASSERT_EQ(form->cdsResumo.recordCount(), 4);
    EXPECT_EQ(cell(kBruno, "D10"), QStringLiteral("+3:30"));
    EXPECT_EQ(cell(kAna, "D10"), QString());
    EXPECT_EQ(form->dbgResumo->columnIndex(QStringLiteral("D29")), -1);

    form->sbtMesPost->click();
    form->sbtMesPost->click();
    settle();
    EXPECT_EQ(form->mesSelecionado(), pds::DateTime::date(2025, 4, 1));
    // Nothing in April yet: the team's rows are there, empty.
    ASSERT_EQ(form->cdsResumo.recordCount(), 4);
    EXPECT_EQ(cell(kAna, "D01"), QString());
    EXPECT_EQ(cell(kAna, "TOTDIFER"), QStringLiteral("0:00"));
    EXPECT_EQ(form->dbgResumo->columnIndex(QStringLiteral("D31")), -1);
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ResumoTest, ATypedMonthStandsOnItsFirstDay) {
    open();
    form->focusManager().setFocusTo(form->depMes);
    form->depMes->SetDate(pds::DateTime::date(2025, 2, 20));
    form->focusManager().setFocusTo(form->dbgResumo);
    settle();
    EXPECT_EQ(form->depMes->GetDate(), pds::DateTime::date(2025, 2, 1));
    EXPECT_EQ(cell(kBruno, "D10"), QStringLiteral("+3:30"));
}

TEST_F(ResumoTest, AnotherTeamOrOneOperatorNarrowsTheRows) {
    open();
    form->cbxEquipe->setCurrentIndex(1);
    emit form->cbxEquipe->activated(1);
    settle();
    // EQ02: Carla, without a day, and Davi.
    ASSERT_EQ(form->cdsResumo.recordCount(), 2);
    EXPECT_EQ(rowOf(kSupervisor), 0);
    EXPECT_EQ(cell(QStringLiteral("000000000104"), "D10"), QStringLiteral("+4:00"));

    form->focusManager().setFocusTo(form->medCdOper);
    form->medCdOper->setText(QStringLiteral("102"));
    form->focusManager().setFocusTo(form->dbgResumo);
    settle();
    EXPECT_EQ(form->medCdOper->text(), kBruno);
    EXPECT_EQ(form->edtNmOper->text(), QStringLiteral("Bruno Lima"));
    ASSERT_EQ(form->cdsResumo.recordCount(), 1);
    EXPECT_EQ(rowOf(kBruno), 0);

    // Eva has nothing in March: she has her row all the same.
    form->focusManager().setFocusTo(form->medCdOper);
    form->medCdOper->setText(QStringLiteral("105"));
    form->focusManager().setFocusTo(form->dbgResumo);
    settle();
    ASSERT_EQ(form->cdsResumo.recordCount(), 1);
    EXPECT_EQ(cell(kEva, "NMOPERADOR"), QStringLiteral("Eva Ramos"));
    EXPECT_EQ(cell(kEva, "D04"), QString());
    EXPECT_EQ(cell(kEva, "TOTPONTO"), QStringLiteral("0:00"));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ResumoTest, AnOperatorOutsideTheUsersTeamsIsRefused) {
    open(kAna);
    form->focusManager().setFocusTo(form->medCdOper);
    form->medCdOper->setText(QStringLiteral("104"));
    form->focusManager().setFocusTo(form->dbgResumo);
    settle();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(errors().constFirst(),
              QStringLiteral("Operador não cadastrado para equipe de trabalho do usuário."));
    EXPECT_EQ(form->focusManager().current(), form->medCdOper);
}

TEST_F(ResumoTest, TheOperatorSearchListsTheUsersTeams) {
    open(kAna);
    dialogs.queuePick(1);
    form->btnPesqOper->click();
    settle();
    EXPECT_EQ(form->medCdOper->text(), kBruno);
    EXPECT_EQ(form->edtNmOper->text(), QStringLiteral("Bruno Lima"));
}

TEST_F(ResumoTest, AUserWithoutTheScreensPermissionIsRefusedAndTheScreenCloses) {
    open(kBruno);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(errors().constFirst(),
              QStringLiteral("Operado não possui permissão de acesso à tela."));
    pump(50);
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

}  // namespace
}  // namespace summary_testing
