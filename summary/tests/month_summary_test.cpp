// The month's texts and arithmetic, without a server.
#include "month_summary.h"

#include <gtest/gtest.h>

#include "framework/errors.h"

namespace {

using Cli_Zep00710::DayFigures;
using Cli_Zep00710::DayTone;
using Cli_Zep00710::MonthSummary;
namespace pds = platform::dataset;

DayFigures figures(std::optional<std::int64_t> appropriated, std::optional<std::int64_t> punched) {
    return DayFigures{appropriated, punched};
}

constexpr std::int64_t hm(int hours, int minutes, int seconds = 0) {
    return hours * 3600 + minutes * 60 + seconds;
}

TEST(DayCell, ShowsTheDifferenceToTheMinuteWithItsSign) {
    EXPECT_EQ(dayCellText(figures(hm(4, 0), hm(8, 39))), QStringLiteral("-4:39"));
    EXPECT_EQ(dayCellText(figures(hm(4, 30), hm(4, 0))), QStringLiteral("+0:30"));
    EXPECT_EQ(dayCellText(figures(hm(4, 0), hm(4, 0))), QStringLiteral("0:00"));
    EXPECT_EQ(dayCellText(figures(hm(12, 0), std::nullopt)), QStringLiteral("+12:00"));
    EXPECT_EQ(dayCellText(figures(std::nullopt, hm(4, 0))), QStringLiteral("-4:00"));
}

TEST(DayCell, DropsTheSecondsTowardZero) {
    // 4:39:59 short is still -4:39; under a minute either way is 0:00.
    EXPECT_EQ(dayCellText(figures(0, hm(4, 39, 59))), QStringLiteral("-4:39"));
    EXPECT_EQ(dayCellText(figures(hm(0, 0, 59), 0)), QStringLiteral("0:00"));
    EXPECT_EQ(dayCellText(figures(std::nullopt, 30)), QStringLiteral("0:00"));
}

TEST(DayCell, IsEmptyOnlyForADayWithNeitherRowsNorPunches) {
    EXPECT_EQ(dayCellText(DayFigures{}), QString());
    EXPECT_EQ(dayCellText(figures(0, std::nullopt)), QStringLiteral("0:00"));
}

TEST(DayCell, IsColouredOnlyBeyondTenMinutes) {
    EXPECT_EQ(dayTone(figures(hm(4, 0), hm(4, 10))), DayTone::WithinTolerance);
    EXPECT_EQ(dayTone(figures(hm(4, 0), hm(4, 10, 1))), DayTone::Short);
    EXPECT_EQ(dayTone(figures(hm(4, 10), hm(4, 0))), DayTone::WithinTolerance);
    EXPECT_EQ(dayTone(figures(hm(4, 10, 1), hm(4, 0))), DayTone::Over);
    EXPECT_EQ(dayTone(DayFigures{}), DayTone::WithinTolerance);
}

TEST(DayCell, MarksPunchesWithoutRows) {
    EXPECT_TRUE(punchedWithoutRows(figures(std::nullopt, 30)));
    EXPECT_FALSE(punchedWithoutRows(figures(0, 30)));
    EXPECT_FALSE(punchedWithoutRows(figures(hm(1, 0), std::nullopt)));
    EXPECT_FALSE(punchedWithoutRows(DayFigures{}));
}

TEST(Totals, HaveAsManyHourDigitsAsNeededAndNoPlusSign) {
    EXPECT_EQ(Cli_Zep00710::totalText(hm(176, 0)), QStringLiteral("176:00"));
    EXPECT_EQ(Cli_Zep00710::totalText(hm(3, 30, 59)), QStringLiteral("3:30"));
    EXPECT_EQ(Cli_Zep00710::totalText(-hm(4, 39, 30)), QStringLiteral("-4:39"));
    EXPECT_EQ(Cli_Zep00710::totalText(-59), QStringLiteral("0:00"));
    EXPECT_EQ(Cli_Zep00710::totalText(0), QStringLiteral("0:00"));
}

TEST(Durations, ReadTheServersTextsAndRefuseOthers) {
    EXPECT_EQ(Cli_Zep00710::durationSeconds(QStringLiteral("08:39:30")), hm(8, 39, 30));
    EXPECT_EQ(Cli_Zep00710::durationSeconds(QString()), std::nullopt);
    EXPECT_THROW(Cli_Zep00710::durationSeconds(QStringLiteral("8h39")), framework::Error);
    EXPECT_THROW(Cli_Zep00710::durationSeconds(QStringLiteral("08:-1:00")), framework::Error);
}

TEST(DayFields, NameTheDaysOfTheMonth) {
    EXPECT_EQ(Cli_Zep00710::dayFieldName(1), QStringLiteral("D01"));
    EXPECT_EQ(Cli_Zep00710::dayFieldName(31), QStringLiteral("D31"));
    EXPECT_EQ(Cli_Zep00710::dayOfField(QStringLiteral("D07")), 7);
    EXPECT_EQ(Cli_Zep00710::dayOfField(QStringLiteral("D32")), 0);
    EXPECT_EQ(Cli_Zep00710::dayOfField(QStringLiteral("DTDIA")), 0);
    EXPECT_EQ(Cli_Zep00710::dayOfField(QStringLiteral("TOTAPRO")), 0);
}

/// Rows as GetResumoPeriodo answers them.
pds::DataPacket period(const std::vector<std::array<const char*, 6>>& rows) {
    pds::DataPacket packet;
    for (const char* name :
         {"CDOPERADOR", "NMOPERADOR", "DTDIA", "QTHRAPRO", "QTHRPONTO", "IDFECHADO"}) {
        pds::FieldDef def;
        def.name = name;
        def.type =
            std::string_view(name) == "DTDIA" ? pds::FieldType::DateTime : pds::FieldType::String;
        packet.fields.push_back(def);
    }
    for (const auto& r : rows)
        packet.rows.push_back({pds::Value(r[0]), pds::Value(r[1]),
                               pds::Value(*pds::DateTime::parseIso(r[2])), pds::Value(r[3]),
                               pds::Value(r[4]), pds::Value(r[5])});
    return packet;
}

std::string text(const pds::DataPacket& packet, std::size_t row, const char* field) {
    return packet.rows.at(row).at(static_cast<std::size_t>(packet.fieldIndex(field))).asString();
}

TEST(MonthGrid, HasOneRowPerOperatorByCodeAndTheDaysTheMonthHas) {
    const MonthSummary february(
        period({{"000000000102", "Bruno", "2024-02-29", "01:00:00", "", "N"},
                {"000000000101", "Ana", "2024-02-01", "", "04:00:00", "N"},
                {"000000000101", "Ana", "2024-02-02", "04:30:00", "04:00:00", "S"}}),
        pds::DateTime::date(2024, 2, 17));
    const pds::DataPacket grid = february.gridPacket();
    // CDOPERADOR, NMOPERADOR, 29 days of a leap February, three totals, IDFECHADO.
    ASSERT_EQ(grid.fields.size(), 2u + 29u + 4u);
    EXPECT_EQ(grid.fields.at(2).name, "D01");
    EXPECT_EQ(grid.fields.at(30).name, "D29");
    EXPECT_EQ(grid.fields.at(31).name, "TOTAPRO");
    EXPECT_EQ(grid.fields.back().name, "IDFECHADO");
    ASSERT_EQ(grid.rows.size(), 2u);
    EXPECT_EQ(text(grid, 0, "CDOPERADOR"), "000000000101");
    EXPECT_EQ(text(grid, 0, "D01"), "-4:00");
    EXPECT_EQ(text(grid, 0, "D02"), "+0:30");
    EXPECT_EQ(text(grid, 0, "D03"), "");
    EXPECT_EQ(text(grid, 0, "TOTAPRO"), "4:30");
    EXPECT_EQ(text(grid, 0, "TOTPONTO"), "8:00");
    EXPECT_EQ(text(grid, 0, "TOTDIFER"), "-3:30");
    // One closed day's row closes the operator's month.
    EXPECT_EQ(text(grid, 0, "IDFECHADO"), "S");
    EXPECT_EQ(text(grid, 1, "D29"), "+1:00");
    EXPECT_EQ(text(grid, 1, "TOTPONTO"), "0:00");
    EXPECT_EQ(text(grid, 1, "IDFECHADO"), "N");

    EXPECT_EQ(MonthSummary(period({}), pds::DateTime::date(2025, 2, 1)).gridPacket().fields.size(),
              2u + 28u + 4u);
}

/// Rows as GetOperadoresResumo answers them.
pds::DataPacket listed(const std::vector<std::array<const char*, 3>>& rows) {
    pds::DataPacket packet;
    for (const char* name : {"CDOPERADOR", "NMOPERADOR", "IDFECHADO"}) {
        pds::FieldDef def;
        def.name = name;
        packet.fields.push_back(def);
    }
    for (const auto& r : rows)
        packet.rows.push_back({pds::Value(r[0]), pds::Value(r[1]), pds::Value(r[2])});
    return packet;
}

TEST(MonthGrid, ListsEveryMemberByCodeWithOrWithoutDays) {
    const auto members = Cli_Zep00710::membersOf(listed({{"000000000105", "Eva", "S"},
                                                         {"000000000101", "Ana", "N"},
                                                         {"000000000103", "Carla", "N"}}));
    ASSERT_EQ(members.size(), 3u);
    EXPECT_TRUE(members[0].closed);
    // Bruno's day came though he is no longer listed (the team changed between the two
    // answers): he keeps his row.
    const MonthSummary march(
        period({{"000000000101", "Ana", "2025-03-04", "04:00:00", "08:39:00", "N"},
                {"000000000102", "Bruno", "2025-03-31", "01:30:00", "", "N"}}),
        pds::DateTime::date(2025, 3, 1), members);
    const pds::DataPacket grid = march.gridPacket();
    ASSERT_EQ(grid.rows.size(), 4u);
    std::vector<std::string> codes;
    for (std::size_t row = 0; row < grid.rows.size(); ++row)
        codes.push_back(text(grid, row, "CDOPERADOR"));
    EXPECT_EQ(codes, (std::vector<std::string>{"000000000101", "000000000102", "000000000103",
                                               "000000000105"}));
    EXPECT_EQ(text(grid, 0, "D04"), "-4:39");
    // A member without a day: every day empty, the totals nil, his closing as listed.
    EXPECT_EQ(text(grid, 2, "NMOPERADOR"), "Carla");
    for (int day = 1; day <= 31; ++day)
        EXPECT_EQ(text(grid, 2, Cli_Zep00710::dayFieldName(day).toStdString().c_str()), "");
    EXPECT_EQ(text(grid, 2, "TOTAPRO"), "0:00");
    EXPECT_EQ(text(grid, 2, "TOTDIFER"), "0:00");
    EXPECT_EQ(text(grid, 2, "IDFECHADO"), "N");
    EXPECT_EQ(text(grid, 3, "IDFECHADO"), "S");
    ASSERT_NE(march.find(QStringLiteral("000000000103")), nullptr);
    EXPECT_TRUE(march.find(QStringLiteral("000000000103"))->days.empty());

    // No member and no day: no row.
    EXPECT_TRUE(
        MonthSummary(period({}), pds::DateTime::date(2025, 3, 1), {}).gridPacket().rows.empty());
    EXPECT_TRUE(Cli_Zep00710::membersOf(listed({})).empty());
}

TEST(MonthGrid, RefusesADayOutsideTheMonth) {
    EXPECT_THROW(MonthSummary(period({{"000000000101", "Ana", "2024-03-01", "01:00:00", "", "N"}}),
                              pds::DateTime::date(2024, 2, 1)),
                 framework::Error);
}

}  // namespace
