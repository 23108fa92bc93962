// Enter or a double click on a day cell asks the host for the day screen
// on that operator and day.
#include <QTest>

#include <QMdiArea>
#include <QMdiSubWindow>

#include "framework/button_flat.h"
#include "framework/net_connection.h"
#include "framework/screen_service.h"
#include "protocol/resumo.h"
#include "resumo_fixture.h"

namespace summary_testing {
namespace {

struct Opened {
    QString package;
    framework::ScreenParams params;
};

class DrillDownTest : public ResumoTest {
protected:
    void SetUp() override {
        ResumoTest::SetUp();
        framework::SetScreenOpener(
            [this](const QString& package, const framework::ScreenParams& params) {
                opened.push_back({package, params});
            });
    }
    void TearDown() override {
        framework::SetScreenOpener({});
        ResumoTest::TearDown();
    }
    /// Makes the cell of `code` and `field` current, the grid focused.
    void select(const QString& code, const char* field) {
        form->dbgResumo->setFocus();
        form->cdsResumo.moveToDisplayRow(rowOf(code));
        form->dbgResumo->setSelectedIndex(form->dbgResumo->columnIndex(QString::fromLatin1(field)));
    }

    std::vector<Opened> opened;
};

const framework::ScreenParams kAnaOnTheFourth = {
    {QStringLiteral("CDOPERADOR"), QStringLiteral("000000000101")},
    {QStringLiteral("DTDIA"), QStringLiteral("2025-03-04")}};

TEST_F(DrillDownTest, EnterOnADayCellOpensTheDayScreenOnThatOperatorAndDay) {
    open();
    select(kAna, "D04");
    QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].package, QStringLiteral("Pkg_Zep00700"));
    EXPECT_EQ(opened[0].params, kAnaOnTheFourth);
    EXPECT_TRUE(errors().isEmpty());
}

TEST_F(DrillDownTest, ADoubleClickOnADayCellDoesTheSame) {
    open();
    select(kBruno, "D31");
    const QRect cell = form->dbgResumo->cellRect(
        rowOf(kBruno), form->dbgResumo->columnIndex(QStringLiteral("D31")));
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseDClick(form->dbgResumo->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].params.at(0).second, kBruno);
    EXPECT_EQ(opened[0].params.at(1).second, QStringLiteral("2025-03-31"));
}

TEST_F(DrillDownTest, OtherCellsOpenNothingAndAnEmptyMonthOpensItsDay) {
    open();
    for (const char* field : {"CDOPERADOR", "NMOPERADOR", "TOTAPRO", "IDFECHADO"}) {
        select(kAna, field);
        QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    }
    EXPECT_TRUE(opened.empty());
    // April holds nothing yet; Eva's row is there to start her 2nd from.
    form->sbtMesPost->click();
    settle();
    select(kEva, "D02");
    QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].params.at(0).second, kEva);
    EXPECT_EQ(opened[0].params.at(1).second, QStringLiteral("2025-04-02"));
}

TEST_F(DrillDownTest, BackFromTheDayScreenTheMonthIsReloaded) {
    open();
    // Another screen of the host, as the day screen would be.
    auto* other = area->addSubWindow(new QWidget);
    other->show();
    const auto goAwayAndBack = [&] {
        area->setActiveSubWindow(other);
        pump(20);
        area->setActiveSubWindow(form->subWindow());
        settle();
    };
    // While the day screen is up, a save changes what the summary showed
    // (here Ana's month closed, through the server the day screen uses too).
    const auto closeAnasMarch = [&](const char* close) {
        form->netResumo.AppServer().call(
            protocol::resumo::setFechamento,
            {QStringLiteral("0001"), kAna, QStringLiteral("2025-03"), QString::fromLatin1(close)});
    };
    // Before any drill-down, coming back reloads nothing.
    closeAnasMarch("S");
    goAwayAndBack();
    EXPECT_EQ(cell(kAna, "IDFECHADO"), QStringLiteral("N"));

    select(kAna, "D04");
    QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    goAwayAndBack();
    EXPECT_EQ(cell(kAna, "IDFECHADO"), QStringLiteral("S"));
    // The cell the drill-down started from is still the current one.
    EXPECT_EQ(form->cdsResumo.fieldByName("CDOPERADOR").text(), kAna.toStdString());
    ASSERT_NE(form->dbgResumo->selectedField(), nullptr);
    EXPECT_EQ(form->dbgResumo->selectedField()->name(), "D04");
    // And so on every later return, as the day screen may still be open.
    closeAnasMarch("N");
    goAwayAndBack();
    EXPECT_EQ(cell(kAna, "IDFECHADO"), QStringLiteral("N"));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(DrillDownTest, WithoutAHostTheUserIsToldWhy) {
    open();
    framework::SetScreenOpener({});
    select(kAna, "D04");
    QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors().constFirst().contains(QStringLiteral("Pkg_Zep00700")));
}

}  // namespace
}  // namespace summary_testing
