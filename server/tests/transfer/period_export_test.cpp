#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/month_closing.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/csv_writer.h"
#include "appserver/transfer/data_import.h"
#include "appserver/transfer/period_export.h"
#include "appserver/transfer/xlsx_writer.h"
#include "shell_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;

ExportCell text(const std::string& t) {
    ExportCell c;
    c.kind = ExportCell::Kind::Text;
    c.text = t;
    return c;
}

ExportCell number(ExportCell::Kind kind, std::int64_t v) {
    ExportCell c;
    c.kind = kind;
    c.value = v;
    return c;
}

std::string csvOf(const std::vector<std::vector<ExportCell>>& rows) {
    std::ostringstream out;
    CsvWriter csv(out);
    csv.header({"a", "b"});
    for (const auto& r : rows) csv.row(r);
    csv.finish();
    return out.str();
}

TEST(CsvWriter, quotes_only_fields_that_need_it_and_doubles_quotes) {
    struct Case {
        std::string field, written;
    };
    const std::vector<Case> cases = {
        {"simples", "simples"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"diz \"sim\"", "\"diz \"\"sim\"\"\""},
        {"\"", "\"\"\"\""},
        {"linha\r\noutra", "\"linha\r\noutra\""},
        {"só\nLF", "\"só\nLF\""},
        {"só\rCR", "\"só\rCR\""},
        {"Implantação à vista; ção", "Implantação à vista; ção"},
        {" espaços ", " espaços "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(csvOf({{text(c.field), text("x")}}), "a,b\r\n" + c.written + ",x\r\n") << c.field;
    }
}

TEST(CsvWriter, writes_empty_leading_fields_and_typed_values) {
    using K = ExportCell::Kind;
    const std::int64_t day = DateTime::date(2026, 12, 3).dayNumber();
    EXPECT_EQ(csvOf({{ExportCell{}, text("x")}}), "a,b\r\n,x\r\n");
    EXPECT_EQ(csvOf({{number(K::Date, day), number(K::Time, 8 * 3600 + 5)}}),
              "a,b\r\n2026-12-03,08:00:05\r\n");
    EXPECT_EQ(csvOf({{number(K::DateTime, day * 86400 + 13 * 3600 + 61),
                      number(K::Duration, -(4 * 3600 + 20 * 60))}}),
              "a,b\r\n2026-12-03 13:01:01,-04:20:00\r\n");
    // Durations pass 24 hours rather than wrapping; integers keep their sign.
    EXPECT_EQ(csvOf({{number(K::Duration, 30 * 3600), number(K::Integer, -15600)}}),
              "a,b\r\n30:00:00,-15600\r\n");
}

TEST(CsvWriter, reports_a_stream_that_failed) {
    std::ostringstream out;
    CsvWriter csv(out);
    csv.header({"a"});
    out.setstate(std::ios::badbit);
    EXPECT_THROW(
        {
            csv.row({text("x")});
            csv.finish();
        },
        std::runtime_error);
}

/// Operators 101 (branches 0001 and 0002) and 102 (0001 only, team EQ01); see
/// the expected rows of the unfiltered export below.
json exportData() {
    auto op = [](const char* code, const char* name, json branches, json teams) {
        return json{{"code", code},
                    {"name", name},
                    {"password", "x"},
                    {"branches", branches},
                    {"screens", json::array()},
                    {"teams", teams}};
    };
    auto appro = [](const char* o, const char* branch, const char* task, const char* start,
                    json end, const char* description) {
        return json{{"operator", o},       {"branch", branch}, {"task", task},
                    {"activity", "A1"},    {"start", start},   {"end", end},
                    {"stampStart", start}, {"stampEnd", end},  {"description", description}};
    };
    auto punch = [](const char* o, const char* at, const char* direction) {
        return json{{"company", "01"},        {"operator", o}, {"at", at},
                    {"direction", direction}, {"event", "E"},  {"day", std::string(at, 10)},
                    {"origin", "CAT"}};
    };
    auto task = [](const char* branch, const char* t, const char* description,
                   const char* process) {
        return json{{"branch", branch},      {"task", t},       {"description", description},
                    {"project", "P"},        {"baseline", "1"}, {"processCode", "PC"},
                    {"processName", process}};
    };
    auto activity = [](const char* branch, const char* t, const char* process) {
        return json{{"branch", branch},       {"task", t},
                    {"activity", "A1"},       {"processCode", "C"},
                    {"processName", process}, {"situation", "P"},
                    {"workItemCode", "I"},    {"workItemName", "I"},
                    {"responsible", "101"},   {"operators", json::array()}};
    };
    json d;
    d["branches"] = {{{"code", "0001"}, {"name", "Matriz"}},
                     {{"code", "0002"}, {"name", "Filial Sul"}}};
    d["teams"] = {{{"code", "EQ01"}, {"name", "Desenvolvimento"}},
                  {{"code", "EQ02"}, {"name", "Suporte"}}};
    d["operators"] = {op("101", "Ana Souza", {"0001", "0002"}, json::array()),
                      op("102", "João Ávila", {"0001"}, {"EQ01"})};
    d["tasks"] = {task("0001", "T1", "Faturamento, fase \"2\"", "Processo de faturamento"),
                  task("0002", "T9", "Implantação", "Processo de implantação")};
    d["activities"] = {activity("0001", "T1", "Desenvolvimento"),
                       activity("0002", "T9", "Implantação")};
    d["appropriations"] = {
        appro("102", "0001", "T1", "2026-12-01T08:00:00", "2026-12-01T09:00:00", "primeiro dia"),
        appro("101", "0001", "T1", "2026-12-03T13:00:00", "2026-12-03T14:00:00", "tarde"),
        appro("101", "0001", "T1", "2026-12-03T08:00:00", "2026-12-03T09:30:00",
              "manhã, com \"aspas\"\r\ne linha nova"),
        appro("101", "0002", "T9", "2026-12-03T10:00:00", "2026-12-03T10:30:00", "outra filial"),
        appro("101", "0001", "T1", "2026-12-03T15:00:00", nullptr, "aberta"),
        appro("101", "0001", "T1", "2026-11-30T08:00:00", "2026-11-30T09:00:00", "antes"),
        appro("101", "0001", "T1", "2026-12-05T08:00:00", "2026-12-05T09:00:00", "último dia"),
        appro("101", "0001", "T1", "2026-12-06T08:00:00", "2026-12-06T09:00:00", "depois"),
    };
    d["punches"] = {
        punch("101", "2026-12-03T07:50:00", "1"),
        punch("101", "2026-12-03T12:00:00", "2"),
        punch("101", "2026-12-03T12:50:00", "1"),
        punch("101", "2026-12-03T16:00:00", "2"),
        punch("101", "2026-12-04T08:00:00", "1"),
        punch("101", "2026-12-04T10:00:00", "2"),
        // An entry without its exit measures nothing.
        punch("102", "2026-12-01T08:00:00", "1"),
        punch("102", "2026-12-10T08:00:00", "1"),
        punch("102", "2026-12-10T09:00:00", "2"),
    };
    return d;
}

/// Keeps what was written as the CSV texts of each cell.
class Collect : public ExportWriter {
public:
    void header(const std::vector<std::string>& names) override { header_ = names; }
    void row(const std::vector<ExportCell>& cells) override {
        std::vector<std::string> r;
        r.reserve(cells.size());
        for (const ExportCell& c : cells) r.push_back(csvText(c));
        rows.push_back(r);
    }
    void finish() override { finished = true; }

    std::string cell(std::size_t row, const std::string& column) const {
        for (std::size_t c = 0; c < header_.size(); ++c)
            if (header_[c] == column) return rows.at(row).at(c);
        ADD_FAILURE() << "no column " << column;
        return {};
    }
    /// kind, operator, day, start and the day columns (appropriated, open, punched, difference).
    std::string summary(std::size_t row) const {
        return cell(row, "tipo") + " " + cell(row, "operador") + " " + cell(row, "filial") + " " +
               cell(row, "dia") + " " + cell(row, "início") + "-" + cell(row, "fim") + " " +
               cell(row, "duração") + " | " + cell(row, "total apropriado no dia") + " " +
               cell(row, "apropriações abertas no dia") + " " + cell(row, "total do ponto no dia") +
               " " + cell(row, "diferença apropriado - ponto") + " " +
               cell(row, "diferença em segundos");
    }
    std::vector<std::string> summaries() const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < rows.size(); ++i) out.push_back(summary(i));
        return out;
    }

    std::vector<std::vector<std::string>> rows;
    bool finished = false;

private:
    std::vector<std::string> header_;
};

class PeriodExport : public ::testing::Test {
protected:
    PeriodExport() : t_(false) {
        importData(t_.db(), exportData(), PasswordHasher(HashCost::minimum()));
    }
    Collect run(const std::string& branch = {}, const std::string& op = {},
                DateTime from = DateTime::date(2026, 12, 1),
                DateTime to = DateTime::date(2026, 12, 5)) {
        return run(ExportFilter{from, to, branch, op});
    }
    Collect run(const ExportFilter& filter) {
        Collect c;
        const ExportCounts n = exportPeriod(t_.db(), filter, c);
        EXPECT_TRUE(c.finished);
        long long days = 0;
        for (const auto& r : c.rows) days += r[0] == kExportDayKind;
        EXPECT_EQ(n.days, days);
        EXPECT_EQ(n.appropriations, static_cast<long long>(c.rows.size()) - days);
        return c;
    }
    TestDatabase t_;
};

TEST_F(PeriodExport, orders_rows_and_closes_each_operator_day_with_its_totals) {
    const Collect c = run();
    const std::vector<std::string> expected = {
        "apropriação 101 0001 2026-12-03 08:00:00-09:30:00 01:30:00 |     ",
        "apropriação 101 0002 2026-12-03 10:00:00-10:30:00 00:30:00 |     ",
        "apropriação 101 0001 2026-12-03 13:00:00-14:00:00 01:00:00 |     ",
        // Open: no end, no duration; counted apart, not in the total.
        "apropriação 101 0001 2026-12-03 15:00:00-  |     ",
        "dia 101  2026-12-03 -  | 03:00:00 1 07:20:00 -04:20:00 -15600",
        // Punches and no appropriation.
        "dia 101  2026-12-04 -  | 00:00:00 0 02:00:00 -02:00:00 -7200",
        // Appropriations and no punch: nothing measured, the whole record is the difference.
        "apropriação 101 0001 2026-12-05 08:00:00-09:00:00 01:00:00 |     ",
        "dia 101  2026-12-05 -  | 01:00:00 0  01:00:00 3600",
        "apropriação 102 0001 2026-12-01 08:00:00-09:00:00 01:00:00 |     ",
        // An entry with no exit: no punched total, as GetTotPontoReal answers none.
        "dia 102  2026-12-01 -  | 01:00:00 0  01:00:00 3600",
    };
    EXPECT_EQ(c.summaries(), expected);
    EXPECT_EQ(c.cell(0, "nome do operador"), "Ana Souza");
    EXPECT_EQ(c.cell(0, "tarefa"), "T1");
    EXPECT_EQ(c.cell(0, "descrição da tarefa"), "Faturamento, fase \"2\"");
    EXPECT_EQ(c.cell(0, "processo da tarefa"), "Processo de faturamento");
    EXPECT_EQ(c.cell(1, "processo da atividade"), "Implantação");
    EXPECT_EQ(c.cell(0, "descrição"), "manhã, com \"aspas\"\r\ne linha nova");
    EXPECT_EQ(c.cell(0, "carimbo de início"), "2026-12-03 08:00:00");
    EXPECT_EQ(c.cell(0, "carimbo de fim"), "2026-12-03 09:30:00");
    EXPECT_EQ(c.cell(3, "carimbo de fim"), "");
    EXPECT_EQ(c.cell(9, "nome do operador"), "João Ávila");
}

TEST_F(PeriodExport, filters_by_branch_operator_and_inclusive_bounds) {
    // One branch: its rows only, against the whole day's punches of the
    // operators allowed at it (the clock knows no branch).
    std::vector<std::string> expected = {
        "apropriação 101 0002 2026-12-03 10:00:00-10:30:00 00:30:00 |     ",
        "dia 101 0002 2026-12-03 -  | 00:30:00 0 07:20:00 -06:50:00 -24600",
        "dia 101 0002 2026-12-04 -  | 00:00:00 0 02:00:00 -02:00:00 -7200",
    };
    EXPECT_EQ(run("0002").summaries(), expected);
    const Collect matriz = run("0001");
    ASSERT_EQ(matriz.rows.size(), 9u);
    EXPECT_EQ(matriz.summary(3),
              "dia 101 0001 2026-12-03 -  | 02:30:00 1 07:20:00 -04:50:00 -17400");

    expected = {
        "apropriação 102 0001 2026-12-01 08:00:00-09:00:00 01:00:00 |     ",
        "dia 102  2026-12-01 -  | 01:00:00 0  01:00:00 3600",
    };
    EXPECT_EQ(run("", "102").summaries(), expected);

    // A single day, the bound itself.
    expected = {
        "apropriação 101 0001 2026-12-05 08:00:00-09:00:00 01:00:00 |     ",
        "dia 101  2026-12-05 -  | 01:00:00 0  01:00:00 3600",
    };
    EXPECT_EQ(run("", "", DateTime::date(2026, 12, 5), DateTime::date(2026, 12, 5)).summaries(),
              expected);
    EXPECT_TRUE(run("", "", DateTime::date(2027, 1, 1), DateTime::date(2027, 1, 31)).rows.empty());
}

TEST_F(PeriodExport, a_team_keeps_its_members_rows_and_punches_only) {
    const DateTime from = DateTime::date(2026, 12, 1), to = DateTime::date(2026, 12, 10);
    const std::vector<std::string> expected = {
        "apropriação 102 0001 2026-12-01 08:00:00-09:00:00 01:00:00 |     ",
        "dia 102  2026-12-01 -  | 01:00:00 0  01:00:00 3600",
        "dia 102  2026-12-10 -  | 00:00:00 0 01:00:00 -01:00:00 -3600",
    };
    EXPECT_EQ(run(ExportFilter{from, to, "", "", "EQ01"}).summaries(), expected);
    // With the other filters, all of them hold.
    EXPECT_EQ(run(ExportFilter{from, to, "0001", "102", "EQ01"}).rows.size(), 3u);
    EXPECT_TRUE(run(ExportFilter{from, to, "", "101", "EQ01"}).rows.empty());
    EXPECT_TRUE(run(ExportFilter{from, to, "0002", "", "EQ01"}).rows.empty());
    // A team with no members is an empty export, not an error.
    EXPECT_TRUE(run(ExportFilter{from, to, "", "", "EQ02"}).rows.empty());
}

TEST_F(PeriodExport, marks_the_rows_of_a_closed_month_by_branch) {
    const auto close = [&](const std::string& op, const std::string& branch,
                           const std::string& month) {
        auto lease = t_.db().acquire();
        WriteTransaction tx(lease);
        ASSERT_TRUE(
            changeMonthClosing(lease, tx,
                               MonthClosingChange{op, branch, *CalendarMonth::parse(month), true,
                                                  "admin", "teste", DateTime::date(2027, 1, 5)}));
        tx.commit();
    };
    const auto marks = [](const Collect& c) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            out.push_back(c.cell(i, "tipo") + " " + c.cell(i, "operador") + " " +
                          c.cell(i, "filial") + " " + c.cell(i, "dia") + " " +
                          c.cell(i, "mês fechado"));
        return out;
    };
    const DateTime nov30 = DateTime::date(2026, 11, 30), dec3 = DateTime::date(2026, 12, 3);
    for (const auto& r : run("", "", nov30, dec3).rows) EXPECT_EQ(r.back(), kExportMonthOpen);

    close("101", "0001", "2026-12");
    // The row at the other branch may still change, so the day is not final.
    std::vector<std::string> expected = {
        "apropriação 101 0001 2026-11-30 N",
        "dia 101  2026-11-30 N",
        "apropriação 101 0001 2026-12-03 S",
        "apropriação 101 0002 2026-12-03 N",
        "apropriação 101 0001 2026-12-03 S",
        "apropriação 101 0001 2026-12-03 S",
        "dia 101  2026-12-03 N",
        "apropriação 102 0001 2026-12-01 N",
        "dia 102  2026-12-01 N",
    };
    EXPECT_EQ(marks(run("", "", nov30, dec3)), expected);
    EXPECT_EQ(marks(run("0001", "101", dec3, dec3)).back(), "dia 101 0001 2026-12-03 S");
    EXPECT_EQ(marks(run("0002", "101", dec3, dec3)).back(), "dia 101 0002 2026-12-03 N");

    close("101", "0002", "2026-12");
    expected = {"apropriação 101 0001 2026-12-03 S", "apropriação 101 0002 2026-12-03 S",
                "apropriação 101 0001 2026-12-03 S", "apropriação 101 0001 2026-12-03 S",
                "dia 101  2026-12-03 S"};
    EXPECT_EQ(marks(run("", "101", dec3, dec3)), expected);
    // A day of punches only, in the closed month, is closed too.
    EXPECT_EQ(marks(run("", "101", DateTime::date(2026, 12, 4), DateTime::date(2026, 12, 4))),
              std::vector<std::string>{"dia 101  2026-12-04 S"});
}

TEST_F(PeriodExport, rejects_unknown_filters_and_a_reversed_period) {
    Collect c;
    const DateTime from = DateTime::date(2026, 12, 1), to = DateTime::date(2026, 12, 5);
    EXPECT_THROW(exportPeriod(t_.db(), ExportFilter{from, to, "", "999"}, c),
                 std::invalid_argument);
    EXPECT_THROW(exportPeriod(t_.db(), ExportFilter{from, to, "0009", ""}, c),
                 std::invalid_argument);
    EXPECT_THROW(exportPeriod(t_.db(), ExportFilter{from, to, "", "", "EQ09"}, c),
                 std::invalid_argument);
    EXPECT_THROW(exportPeriod(t_.db(), ExportFilter{to, from, "", ""}, c), std::invalid_argument);
    EXPECT_TRUE(c.rows.empty());
}

TEST_F(PeriodExport, merges_rows_and_punches_across_many_batches) {
    // Three operators, 40 days; 30 rows of 10 minutes a day except every
    // seventh day (punches only), and every fifth day without punches: more
    // rows than one batch holds, with day groups straddling the batches.
    {
        auto lease = t_.db().acquire();
        WriteTransaction tx(lease);
        for (const char* op : {"101", "102", "103"}) {
            if (std::string(op) == "103") {
                std::string code = op, name = "Carla", hash = "x";
                lease.sql() << "INSERT INTO operators (code, name, password_hash) VALUES (:c, :n, "
                               ":h)",
                    soci::use(code), soci::use(name), soci::use(hash);
            }
            for (int d = 0; d < 40; ++d) {
                const DateTime day = DateTime::date(2027, 1, 1).addDays(d);
                if (d % 7 != 0)
                    for (int r = 0; r < 30; ++r) {
                        AppropriationRecord a;
                        a.operatorCode = op;
                        a.branch = "0001";
                        a.task = "T1";
                        a.activity = "A1";
                        a.start = day.addSeconds(8 * 3600 + r * 600);
                        a.end = a.start.addSeconds(600);
                        a.stampStart = a.start;
                        a.description = "lote";
                        insertAppropriation(lease.sql(), a);
                    }
                if (d % 5 != 0)
                    for (int h : {8, 17}) {
                        PunchRecord p{"01", op,   day.addSeconds(h * 3600), h == 8 ? "1" : "2", "E",
                                      day,  "CAT"};
                        insertPunch(lease.sql(), p);
                    }
            }
        }
        tx.commit();
    }
    const Collect c = run("", "", DateTime::date(2027, 1, 1), DateTime::date(2027, 2, 9));
    long long rows = 0, dayRows = 0, recorded = 0, summed = 0;
    std::string lastKey, lastDayKey;
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
        const std::string key = c.cell(i, "operador") + c.cell(i, "dia");
        if (c.cell(i, "tipo") == kExportAppropriationKind) {
            ++rows;
            recorded += 600;
            EXPECT_GE(key, lastKey);
            EXPECT_GT(key, lastDayKey) << "a row after its day's total";
        } else {
            ++dayRows;
            EXPECT_GE(key, lastKey);
            EXPECT_GT(key, lastDayKey) << "one total a day";
            lastDayKey = key;
            summed += std::stoll(c.cell(i, "diferença em segundos"));
            const int d = static_cast<int>(DateTime::parseIso(c.cell(i, "dia"))->dayNumber() -
                                           DateTime::date(2027, 1, 1).dayNumber());
            EXPECT_EQ(c.cell(i, "total apropriado no dia"), d % 7 ? "05:00:00" : "00:00:00");
            EXPECT_EQ(c.cell(i, "total do ponto no dia"), d % 5 ? "09:00:00" : "");
        }
        lastKey = key;
    }
    // 34 days with rows, 32 with punches; days 0 and 35 have neither, so no day row.
    EXPECT_EQ(rows, 3 * 34 * 30);
    EXPECT_EQ(dayRows, 3 * 38);
    EXPECT_EQ(summed, recorded - 3LL * 32 * 9 * 3600);
}

std::string shell(const std::string& command, int* status = nullptr) {
    ShellRun r = runShell(command);
    if (status) *status = r.status;
    return std::move(r.output);
}

class ExportFiles : public PeriodExport {
protected:
    ExportFiles() {
        char pattern[] = "/tmp/export-test-XXXXXX";
        dir_ = ::mkdtemp(pattern);
    }
    ~ExportFiles() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
};

TEST_F(ExportFiles, xlsx_is_a_zip_with_typed_cells_and_goes_on_in_new_sheets) {
    const std::string path = dir_ + "/periodo.xlsx";
    {
        XlsxWriter xlsx(path, 4);  // header and three rows a sheet: 10 rows fill four sheets
        exportPeriod(t_.db(),
                     ExportFilter{DateTime::date(2026, 12, 1), DateTime::date(2026, 12, 5), "", ""},
                     xlsx);
    }
    int status = -1;
    shell("unzip -tq " + path + " 2>&1", &status);
    ASSERT_EQ(status, 0) << "not a valid zip";
    const std::string workbook = shell("unzip -p " + path + " xl/workbook.xml");
    EXPECT_NE(workbook.find("name=\"Apropriação\""), std::string::npos) << workbook;
    EXPECT_NE(workbook.find("name=\"Apropriação 4\""), std::string::npos) << workbook;
    EXPECT_EQ(workbook.find("name=\"Apropriação 5\""), std::string::npos) << workbook;

    const std::string first = shell("unzip -p " + path + " xl/worksheets/sheet1.xml");
    EXPECT_NE(first.find("<t>descrição da tarefa</t>"), std::string::npos);
    EXPECT_NE(first.find("<t>Faturamento, fase \"2\"</t>"), std::string::npos) << first;
    EXPECT_NE(first.find("<t>manhã, com \"aspas\"_x000D_\ne linha nova</t>"), std::string::npos)
        << first;
    // The day as a spreadsheet date number, the duration 1:30 as a fraction of a day.
    const auto day = DateTime::date(2026, 12, 3).dayNumber() + 25569;
    EXPECT_NE(first.find("<v>" + std::to_string(day) + "</v>"), std::string::npos);
    EXPECT_NE(first.find("<v>0.0625</v>"), std::string::npos) << first;
    EXPECT_NE(first.find("autoFilter ref=\"A1:V4\""), std::string::npos) << first;

    const std::string last = shell("unzip -p " + path + " xl/worksheets/sheet4.xml");
    EXPECT_NE(last.find("<t>tipo</t>"), std::string::npos) << "header again on each sheet";
    EXPECT_NE(last.find("<t>João Ávila</t>"), std::string::npos) << last;
    EXPECT_NE(last.find("<row r=\"2\""), std::string::npos);
    EXPECT_EQ(last.find("<row r=\"3\""), std::string::npos);
}

#ifdef APPSERVER_BINARY
TEST_F(ExportFiles, command_writes_files_and_refuses_bad_arguments_clearly) {
    const std::string base = std::string(APPSERVER_BINARY) + " export --db '" + t_.url() + "' ";
    int status = -1;
    const std::string csvPath = dir_ + "/periodo.csv";
    shell(base + "--from 2026-12-01 --to 2026-12-05 --output " + csvPath + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    std::ostringstream expected;
    {
        CsvWriter csv(expected);
        exportPeriod(t_.db(),
                     ExportFilter{DateTime::date(2026, 12, 1), DateTime::date(2026, 12, 5), "", ""},
                     csv);
    }
    std::ifstream in(csvPath, std::ios::binary);
    std::ostringstream written;
    written << in.rdbuf();
    EXPECT_EQ(written.str(), expected.str());
    // Standard output when no file is given.
    EXPECT_EQ(shell(base + "--from 2026-12-01 --to 2026-12-05 2>/dev/null", &status),
              expected.str());

    // An .xlsx output chooses the format.
    shell(base + "--from 2026-12-01 --to 2026-12-05 --output " + dir_ + "/p.xlsx 2>&1", &status);
    EXPECT_EQ(status, 0);
    shell("unzip -tq " + dir_ + "/p.xlsx 2>&1", &status);
    EXPECT_EQ(status, 0);

    struct Case {
        std::string args, message;
    };
    const std::vector<Case> cases = {
        {"--from 2026-02-30 --to 2026-03-01", "--from: \"2026-02-30\" não é um dia válido"},
        {"--from 01/12/2026 --to 2026-12-05", "use AAAA-MM-DD"},
        {"--from 2026-12-05 --to 2026-12-01", "vem antes do primeiro"},
        {"--from 2026-12-01 --to 2026-12-05 --format xlsx", "informe --output"},
        {"--from 2026-12-01 --to 2026-12-05 --format ods --output x", "--format"},
        {"--from 2026-12-01 --to 2026-12-05 --operator 999 --output " + dir_ + "/no.csv",
         "O operador \"999\" não está cadastrado"},
        {"--from 2026-12-01 --to 2026-12-05 --team EQ09 --output " + dir_ + "/no.csv",
         "A equipe \"EQ09\" não está cadastrada"},
        {"--from 2026-12-01 --to 2026-12-05 --output /nonexistent/dir/x.csv",
         "Não foi possível criar"},
        {"--to 2026-12-05", "--from"},
    };
    for (const Case& c : cases) {
        const std::string out = shell(base + c.args + " 2>&1", &status);
        EXPECT_NE(status, 0) << c.args;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.args << ": " << out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no.csv.partial"));

    const std::string missing =
        shell(std::string(APPSERVER_BINARY) + " export --db sqlite:" + dir_ +
                  "/nao-existe.db --from 2026-12-01 --to "
                  "2026-12-05 2>&1",
              &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(missing.find("não existe"), std::string::npos) << missing;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/nao-existe.db"));
}
#endif

}  // namespace
}  // namespace appserver::testing
