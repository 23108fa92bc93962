// Closing and reopening an operator's month from the summary.
#include <QPushButton>

#include "framework/button_flat.h"
#include "resumo_fixture.h"

namespace summary_testing {
namespace {

using Kind = platform::ui::ScriptedDialogService::Kind;

TEST_F(ResumoTest, ClosingNeedsThePermission) {
    open(kAna);
    ASSERT_GT(form->cdsResumo.recordCount(), 0);
    EXPECT_FALSE(form->btnFecharMes->isEnabled());
    EXPECT_FALSE(form->btnReabrirMes->isEnabled());
    EXPECT_EQ(form->btnFecharMes->text(), QStringLiteral("Fechar Mês"));
    EXPECT_EQ(form->btnReabrirMes->text(), QStringLiteral("Reabrir Mês"));
}

TEST_F(ResumoTest, ClosingAsksFirstAndANoChangesNothing) {
    open();
    form->cdsResumo.moveToDisplayRow(rowOf(kBruno));
    ASSERT_TRUE(form->btnFecharMes->isEnabled());
    EXPECT_FALSE(form->btnReabrirMes->isEnabled());
    dialogs.queueConfirmation(false);
    form->btnFecharMes->click();
    settle();
    ASSERT_EQ(dialogs.texts(Kind::Confirmation).size(), 1);
    EXPECT_EQ(dialogs.texts(Kind::Confirmation).constFirst(),
              QStringLiteral("Confirma o fechamento do mês 03/2025 de Bruno Lima?"));
    EXPECT_EQ(cell(kBruno, "IDFECHADO"), QStringLiteral("N"));
}

TEST_F(ResumoTest, TheSelectedOperatorsMonthClosesAndReopens) {
    open();
    form->cdsResumo.moveToDisplayRow(rowOf(kBruno));
    dialogs.queueConfirmation(true);
    form->btnFecharMes->click();
    settle();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(cell(kBruno, "IDFECHADO"), QStringLiteral("S"));
    EXPECT_EQ(cell(kAna, "IDFECHADO"), QStringLiteral("N"));
    // The row stays selected, and only reopening is offered now.
    EXPECT_EQ(form->cdsResumo.fieldByName("CDOPERADOR").text(), kBruno.toStdString());
    EXPECT_FALSE(form->btnFecharMes->isEnabled());
    EXPECT_TRUE(form->btnReabrirMes->isEnabled());

    dialogs.queueConfirmation(true);
    form->btnReabrirMes->click();
    settle();
    EXPECT_EQ(dialogs.texts(Kind::Confirmation).constLast(),
              QStringLiteral("Confirma a reabertura do mês 03/2025 de Bruno Lima?"));
    EXPECT_EQ(cell(kBruno, "IDFECHADO"), QStringLiteral("N"));
    EXPECT_TRUE(form->btnFecharMes->isEnabled());
}

TEST_F(ResumoTest, AMonthWithoutDaysClosesAndShowsClosedAfterAReload) {
    open();
    form->cdsResumo.moveToDisplayRow(rowOf(kEva));
    dialogs.queueConfirmation(true);
    form->btnFecharMes->click();
    settle();
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(cell(kEva, "IDFECHADO"), QStringLiteral("S"));
    EXPECT_TRUE(form->btnReabrirMes->isEnabled());
    // Another month and back: still closed, though Eva has no day in it.
    form->sbtMesAnt->click();
    settle();
    EXPECT_EQ(cell(kEva, "IDFECHADO"), QStringLiteral("N"));
    form->sbtMesPost->click();
    settle();
    EXPECT_EQ(cell(kEva, "IDFECHADO"), QStringLiteral("S"));

    dialogs.queueConfirmation(true);
    form->cdsResumo.moveToDisplayRow(rowOf(kEva));
    form->btnReabrirMes->click();
    settle();
    EXPECT_EQ(cell(kEva, "IDFECHADO"), QStringLiteral("N"));
}

}  // namespace
}  // namespace summary_testing
