// Enter or a double click on a day cell asks the host for the day screen
// on that operator and day.
#include <QTest>

#include "framework/button_flat.h"
#include "framework/screen_service.h"
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

TEST_F(DrillDownTest, OtherCellsAndAnEmptyGridOpenNothing) {
    open();
    for (const char* field : {"CDOPERADOR", "NMOPERADOR", "TOTAPRO", "IDFECHADO"}) {
        select(kAna, field);
        QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    }
    form->sbtMesPost->click();  // April: no rows
    settle();
    QTest::keyClick(form->dbgResumo, Qt::Key_Return);
    EXPECT_TRUE(opened.empty());
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
