// The chart under the grid follows the selected operator's month.
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QValueAxis>

#include "framework/button_flat.h"
#include "month_chart.h"
#include "resumo_fixture.h"

namespace summary_testing {
namespace {

TEST_F(ResumoTest, TheChartShowsTheSelectedOperatorsHoursPerDay) {
    open();
    Cli_Zep00710::TGraficoMes& chart = *form->chtResumo;
    EXPECT_EQ(chart.chart()->title(), QStringLiteral("Ana Souza — Março 2025"));
    ASSERT_EQ(chart.apropriado()->count(), 31);
    ASSERT_EQ(chart.ponto()->count(), 31);
    EXPECT_EQ(chart.eixoDias()->count(), 31);
    // The 4th: 4 hours appropriated against 8:39 punched; the 6th punched only.
    EXPECT_DOUBLE_EQ(chart.apropriado()->at(3), 4.0);
    EXPECT_DOUBLE_EQ(chart.ponto()->at(3), 8.65);
    EXPECT_DOUBLE_EQ(chart.apropriado()->at(5), 0.0);
    EXPECT_DOUBLE_EQ(chart.ponto()->at(5), 4.0);
    EXPECT_GE(chart.eixoHoras()->max(), 8.65 + 1.0 / 6);

    form->cdsResumo.moveToDisplayRow(rowOf(kBruno));
    EXPECT_EQ(chart.chart()->title(), QStringLiteral("Bruno Lima — Março 2025"));
    EXPECT_DOUBLE_EQ(chart.apropriado()->at(30), 1.5);
    EXPECT_DOUBLE_EQ(chart.apropriado()->at(3), 0.0);
}

TEST_F(ResumoTest, TheToleranceBandSpansTenMinutesAroundThePunchedHours) {
    open();
    const Cli_Zep00710::TGraficoMes& chart = *form->chtResumo;
    const QList<QPointF> upper = chart.toleranciaSuperior()->points();
    const QList<QPointF> lower = chart.toleranciaInferior()->points();
    ASSERT_EQ(upper.size(), 62);  // two points a day
    // The 4th (index 3): 8:39 punched, the band from 8:29 to 8:49.
    EXPECT_DOUBLE_EQ(upper.at(6).y(), 8.65 + 1.0 / 6);
    EXPECT_DOUBLE_EQ(lower.at(7).y(), 8.65 - 1.0 / 6);
    EXPECT_LT(upper.at(6).x(), 3.0);
    EXPECT_GT(upper.at(7).x(), 3.0);
    // The 7th: appropriated with no punch, the band from 0 to 0:10; the
    // 10th: nothing, no band.
    EXPECT_DOUBLE_EQ(upper.at(12).y(), 1.0 / 6);
    EXPECT_DOUBLE_EQ(lower.at(12).y(), 0.0);
    EXPECT_DOUBLE_EQ(upper.at(18).y(), 0.0);
}

TEST_F(ResumoTest, AMonthWithoutDaysEmptiesTheChart) {
    open();
    form->sbtMesAnt->click();  // February: Bruno only, 28 days; Ana stays selected
    settle();
    EXPECT_EQ(form->chtResumo->apropriado()->count(), 28);
    EXPECT_EQ(form->chtResumo->eixoDias()->count(), 28);
    EXPECT_EQ(form->chtResumo->chart()->title(), QStringLiteral("Ana Souza — Fevereiro 2025"));
    EXPECT_DOUBLE_EQ(form->chtResumo->apropriado()->sum(), 0.0);
    form->sbtMesPost->click();
    form->sbtMesPost->click();  // April: nothing yet
    settle();
    EXPECT_EQ(form->chtResumo->chart()->title(), QStringLiteral("Ana Souza — Abril 2025"));
    EXPECT_EQ(form->chtResumo->apropriado()->count(), 30);
    EXPECT_EQ(form->chtResumo->eixoDias()->count(), 30);
    EXPECT_EQ(form->chtResumo->eixoDias()->at(29), QStringLiteral("30"));
    EXPECT_DOUBLE_EQ(form->chtResumo->apropriado()->sum(), 0.0);
    EXPECT_DOUBLE_EQ(form->chtResumo->ponto()->sum(), 0.0);
}

}  // namespace
}  // namespace summary_testing
