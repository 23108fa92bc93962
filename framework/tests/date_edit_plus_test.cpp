#include <gtest/gtest.h>

#include <QTest>

#include "framework/date_edit_plus.h"
#include "framework/errors.h"

using framework::TDateEditPlus;
using platform::dataset::DateTime;

namespace {

struct DateEditFixture : ::testing::Test {
    DateEditFixture() {
        edit.setValidDateColor(Qt::blue);
        edit.show();
        edit.setFocus();
    }
    TDateEditPlus edit;
};

}  // namespace

TEST_F(DateEditFixture, TypedDateIsReadBackWithoutTime) {
    EXPECT_EQ(edit.text(), QStringLiteral("  /  /    "));
    EXPECT_TRUE(edit.GetDate().isZero());  // nothing entered
    EXPECT_NO_THROW(edit.CheckValidDate());

    QTest::keyClicks(&edit, QStringLiteral("08122026"));
    EXPECT_EQ(edit.text(), QStringLiteral("08/12/2026"));
    EXPECT_EQ(edit.GetDate(), DateTime::date(2026, 12, 8));
    EXPECT_EQ(edit.weekdayName(), QStringLiteral("Terça"));
    EXPECT_EQ(edit.toolTip(), QStringLiteral("Terça"));
}

TEST_F(DateEditFixture, ImpossibleOrPartialDatesAreRefusedWithAClearMessage) {
    QTest::keyClicks(&edit, QStringLiteral("31022026"));
    try {
        edit.CheckValidDate();
        FAIL() << "31/02/2026 accepted";
    } catch (const framework::Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("\"31/02/2026\" não é uma data válida."));
    }
    EXPECT_THROW(edit.GetDate(), framework::Error);
    EXPECT_EQ(edit.weekdayName(), QString());

    edit.SetDate(DateTime{});
    QTest::keyClicks(&edit, QStringLiteral("0812"));
    EXPECT_THROW(edit.CheckValidDate(), framework::Error);
}

TEST_F(DateEditFixture, SetDateDropsTheTimeUnlessAskedToKeepIt) {
    edit.SetDate(DateTime{2024, 2, 29, 17, 30, 5});
    EXPECT_EQ(edit.text(), QStringLiteral("29/02/2024"));
    EXPECT_EQ(edit.GetDate(), DateTime::date(2024, 2, 29));

    edit.setKeepTime(true);
    edit.SetDate(DateTime{2024, 2, 29, 17, 30, 5});
    EXPECT_EQ(edit.GetDate(), (DateTime{2024, 2, 29, 17, 30, 5}));

    edit.SetDate(DateTime{});
    EXPECT_TRUE(edit.GetDate().isZero());
    EXPECT_THROW(edit.SetDate(DateTime::date(2026, 13, 1)), framework::Error);
}

TEST_F(DateEditFixture, ValidDatesAreDrawnInTheGivenColour) {
    const QColor normal = edit.currentTextColor();
    ASSERT_NE(normal, QColor(Qt::blue));
    edit.SetDate(DateTime::date(2003, 7, 6));
    EXPECT_EQ(edit.currentTextColor(), QColor(Qt::blue));
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("3102"));  // now 31/02/2003
    EXPECT_FALSE(edit.hasValidDate());
    EXPECT_EQ(edit.currentTextColor(), normal);
}

TEST_F(DateEditFixture, WeekdayNamesCanBeReplacedButOnlyAllSeven) {
    edit.SetDate(DateTime::date(2003, 7, 6));
    edit.setWeekdayNames({QStringLiteral("Dom"), QStringLiteral("Seg"), QStringLiteral("Ter"),
                          QStringLiteral("Qua"), QStringLiteral("Qui"), QStringLiteral("Sex"),
                          QStringLiteral("Sáb")});
    EXPECT_EQ(edit.weekdayName(), QStringLiteral("Dom"));
    EXPECT_THROW(edit.setWeekdayNames({QStringLiteral("Dom")}), framework::Error);
}
