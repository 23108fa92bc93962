// The punches panel's texts and total against the seeded server.
#include <QLineEdit>

#include "framework/net_connection.h"
#include "framework/remote_call.h"
#include "platform/ui/masked_edit.h"
#include "screen_fixture.h"

namespace Z = Cli_Zep00700;
using platform::dataset::DateTime;
using platform::dataset::Value;

namespace screen_testing {
namespace {

using PunchesTest = ScreenTest;

TEST_F(PunchesTest, TextsAreTheSameForDisplayAndEditingAndAPunchWithoutTimeShowsNone) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    ASSERT_EQ(f.cdsPonto.recordCount(), 2);
    platform::dataset::DataPacket packet = f.cdsPonto.data();
    // A Monday's entry, and an exit the clock sent without time, code or origin.
    packet.rows = {
        {Value(std::string("01")), Value(DateTime{2025, 3, 24, 7, 58, 0}), Value(std::string("1")),
         Value(std::string("E1")), Value(DateTime::date(2025, 3, 24)), Value(std::string("MAN"))},
        {Value(std::string("01")), Value(), Value(std::string("2")), Value(), Value(), Value()},
    };
    f.cdsPonto.load(std::move(packet));

    const auto both = [&](const char* name) {
        const platform::dataset::Field& field = f.cdsPonto.fieldByName(name);
        EXPECT_EQ(field.text(), field.displayText()) << name;
        return QString::fromStdString(field.displayText());
    };
    EXPECT_EQ(both("DTBATIDAPTO"), QStringLiteral("Seg 24/03/2025 07:58:00"));
    EXPECT_EQ(both("IDEVENPONTO"), QStringLiteral("1ª Entrada"));
    EXPECT_EQ(both("IDORIGPTO"), QStringLiteral("Manual"));
    f.cdsPonto.next();
    EXPECT_EQ(both("DTBATIDAPTO"), QString());
    EXPECT_EQ(both("IDEVENPONTO"),
              QStringLiteral("Saída - Dados não importados ou inconsistentes (do dia)"));
    EXPECT_EQ(both("IDORIGPTO"), QString());
    EXPECT_TRUE(errors().isEmpty());
}

TEST_F(PunchesTest, TheTotalIsTheClocksForTheFiltersOperatorAndDayAndAFailureKeepsTheLastOne) {
    Screen& f = open();
    workOn(DateTime::date(2025, 3, 28));
    EXPECT_EQ(calls("GetTotPontoReal"), 1);
    EXPECT_EQ(f.medHrTotal->text(), QStringLiteral("04:03:00"));  // 07:58 to 12:01

    framework::NetScript::failNextCalls("GetTotPontoReal", 1);
    loadDay(DateTime::date(2025, 1, 15));
    EXPECT_EQ(f.cdsPonto.recordCount(), 0) << "the punches of the new day are in";
    EXPECT_EQ(f.medHrTotal->text(), QStringLiteral("04:03:00"));
    EXPECT_EQ(errors(), QStringList{framework::ServerUnavailableText()})
        << "the day load tells what it could not do";

    loadDay(DateTime::date(2025, 1, 15));
    EXPECT_EQ(f.medHrTotal->text(), QString()) << "no total row: nothing measured";
}

}  // namespace
}  // namespace screen_testing
