// The import of time clock punches: matching, numbering, idempotence, all or
// nothing, and what the screen's punch methods then answer.
#include <gtest/gtest.h>

#include "appserver/clockfile/afd_import.h"
#include "appserver/clockfile/afd_writer.h"
#include "appserver/stores/appropriation_store.h"
#include "appserver/transfer/period_export.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using afd::Layout;
using afd::Writer;
using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";
constexpr const char* kAnaCpf = "11122233396";
constexpr const char* kAnaPis = "12011223344";
constexpr const char* kBrunoCpf = "22233344405";
constexpr const char* kStranger = "99988877766";

DateTime at(const std::string& iso) {
    return *DateTime::parseIso(iso);
}

void giveNumbers(Database& db) {
    auto lease = db.acquire();
    lease.sql() << "UPDATE operators SET cpf = '" << kAnaCpf << "', pis = '" << kAnaPis
                << "' WHERE code = '000000000101'";
    lease.sql() << "UPDATE operators SET cpf = '" << kBrunoCpf << "' WHERE code = '000000000102'";
}

int punchCount(Database& db) {
    auto lease = db.acquire();
    int n = 0;
    lease.sql() << "SELECT COUNT(*) FROM punches", soci::into(n);
    return n;
}

/// "event/direction hh:mm" of each punch of the day, in the order read.
std::vector<std::string> day(Database& db, const std::string& op, const std::string& date) {
    auto lease = db.acquire();
    std::vector<std::string> out;
    for (const PunchRecord& p : punchesOfDay(lease, op, at(date)))
        out.push_back(p.event + "/" + p.direction + " " + p.at.toIso().substr(11, 5));
    return out;
}

AfdImportResult import(Database& db, const Writer& w, bool skipBad = false) {
    return importClockFile(db, afd::readClockFile(w.text()), {skipBad, "01"});
}

/// Ana's 08:00–12:00, 13:00–17:00 on 2026-12-08, then an 18:00 entry; Bruno's 09:00.
Writer anasDay(const std::string& serial = "00004000310000123") {
    Writer w(Layout::Current, serial, "Indústria");
    std::int64_t nsr = 0;
    for (const char* t : {"08:00", "09:00", "12:00", "13:00", "17:00", "18:00"})
        w.punch(++nsr, at(std::string("2026-12-08T") + t + ":00"), -180,
                std::string(t) == "09:00" ? kBrunoCpf : kAnaCpf);
    return w;
}

class AfdImport : public ::testing::Test {
protected:
    void SetUp() override { giveNumbers(t.db()); }
    TestDatabase t;
};

TEST_F(AfdImport, numbers_each_operators_day_in_time_order_with_origin_CAT) {
    const int before = punchCount(t.db());
    const auto r = import(t.db(), anasDay());
    EXPECT_EQ(r.inserted, 6u);
    EXPECT_EQ(r.days, 2u);
    EXPECT_EQ(punchCount(t.db()), before + 6);
    EXPECT_EQ(day(t.db(), kAna, "2026-12-08"),
              (std::vector<std::string>{"E1/1 08:00", "S1/2 12:00", "E2/1 13:00", "S2/2 17:00",
                                        "1/1 18:00"}));
    EXPECT_EQ(day(t.db(), "000000000102", "2026-12-08"), (std::vector<std::string>{"E1/1 09:00"}));
    auto lease = t.db().acquire();
    const auto stored = punchesOfDay(lease, kAna, at("2026-12-08"));
    EXPECT_EQ(stored[0].origin, "CAT");
    EXPECT_EQ(stored[0].company, "01");
    EXPECT_EQ(stored[0].utcOffsetMinutes, -180);
}

TEST_F(AfdImport, the_same_file_twice_adds_nothing_and_a_longer_one_only_its_new_punches) {
    Writer w = anasDay();
    import(t.db(), w);
    const int once = punchCount(t.db());
    const auto again = import(t.db(), w);
    EXPECT_EQ(again.inserted, 0u);
    EXPECT_EQ(again.alreadyImported, 6u);
    EXPECT_EQ(punchCount(t.db()), once);

    w.punch(7, at("2026-12-08T22:00:00"), -180, kAnaCpf);
    const auto longer = import(t.db(), w);
    EXPECT_EQ(longer.inserted, 1u);
    EXPECT_EQ(longer.alreadyImported, 6u);
    EXPECT_EQ(day(t.db(), kAna, "2026-12-08").back(), "2/2 22:00");

    // Another clock may reuse the NSRs: they are its own punches.
    Writer other(Layout::Current, "00004000310000999", "Portaria");
    other.punch(1, at("2026-12-09T08:00:00"), -180, kAnaCpf);
    EXPECT_EQ(import(t.db(), other).inserted, 1u);
}

TEST_F(AfdImport, an_nsr_stored_with_other_content_is_reported_not_passed_over) {
    import(t.db(), anasDay());
    Writer w(Layout::Current, "00004000310000123", "Indústria");
    w.punch(1, at("2026-12-08T08:00:00"), -180, kAnaCpf);  // as stored
    w.punch(2, at("2026-12-08T09:00:00"), -180, kAnaCpf);  // stored as Bruno's
    w.punch(3, at("2026-12-08T12:05:00"), -180, kAnaCpf);  // stored at 12:00
    w.punch(7, at("2026-12-08T19:00:00"), -180, kAnaCpf);  // new
    const int before = punchCount(t.db());
    try {
        import(t.db(), w);
        ADD_FAILURE() << "a file contradicting the stored punches was imported";
    } catch (const AfdImportError& e) {
        ASSERT_EQ(e.issues().size(), 2u);
        EXPECT_EQ(e.issues()[0].line, 3u);
        EXPECT_NE(e.issues()[0].reason.find("NSR 2 já importado"), std::string::npos);
        EXPECT_NE(e.issues()[0].reason.find("000000000102"), std::string::npos);
        EXPECT_EQ(e.issues()[1].line, 4u);
    }
    EXPECT_EQ(punchCount(t.db()), before);

    const auto r = import(t.db(), w, true);
    EXPECT_EQ(r.inserted, 1u);
    EXPECT_EQ(r.alreadyImported, 1u);
    EXPECT_EQ(r.skipped.size(), 2u);
    EXPECT_EQ(punchCount(t.db()), before + 1);
}

TEST_F(AfdImport, an_earlier_punch_of_another_clock_renumbers_the_stored_day) {
    import(t.db(), anasDay());
    Writer gate(Layout::Current, "00004000310000999", "Portaria");
    gate.punch(1, at("2026-12-08T07:30:00"), -180, kAnaCpf);
    const auto r = import(t.db(), gate);
    EXPECT_EQ(r.inserted, 1u);
    EXPECT_EQ(r.renumbered, 5u);
    EXPECT_EQ(day(t.db(), kAna, "2026-12-08"),
              (std::vector<std::string>{"E1/1 07:30", "S1/2 08:00", "E2/1 12:00", "S2/2 13:00",
                                        "1/1 17:00", "2/2 18:00"}));
}

TEST_F(AfdImport, a_bad_record_refuses_the_whole_file_listing_every_line_at_fault) {
    Writer w = anasDay();
    w.punch(7, at("2026-12-08T19:00:00"), -180, kAnaCpf)[21] = '2';  // fails its CRC
    w.punch(8, at("2026-12-08T20:00:00"), -180, kStranger);
    const int before = punchCount(t.db());
    try {
        import(t.db(), w);
        ADD_FAILURE() << "a file with bad records was imported";
    } catch (const AfdImportError& e) {
        ASSERT_EQ(e.issues().size(), 2u);
        EXPECT_EQ(e.issues()[0].line, 8u);
        EXPECT_NE(e.issues()[0].reason.find("CRC"), std::string::npos);
        EXPECT_EQ(e.issues()[1].line, 9u);
        EXPECT_NE(e.issues()[1].reason.find("empregado não cadastrado"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("linha 9: empregado não cadastrado: nenhum operador "
                                             "tem o CPF 99988877766"),
                  std::string::npos);
    }
    EXPECT_EQ(punchCount(t.db()), before);

    const auto r = import(t.db(), w, true);
    EXPECT_EQ(r.inserted, 6u);
    ASSERT_EQ(r.skipped.size(), 2u);
    EXPECT_EQ(r.skipped[1].line, 9u);
    EXPECT_EQ(punchCount(t.db()), before + 6);
}

TEST_F(AfdImport, the_old_layout_finds_operators_by_pis) {
    Writer w(Layout::Old, "OLD-1", "Oficina");
    w.punch(1, at("2026-12-10T08:00:00"), 0, kAnaPis);
    w.punch(2, at("2026-12-10T12:00:00"), 0, kAnaPis);
    w.punch(3, at("2026-12-10T13:00:00"), 0, kAnaCpf);  // a CPF is no PIS
    EXPECT_THROW(import(t.db(), w), AfdImportError);
    const auto r = import(t.db(), w, true);
    EXPECT_EQ(r.layout, Layout::Old);
    EXPECT_EQ(r.inserted, 2u);
    EXPECT_EQ(day(t.db(), kAna, "2026-12-10"),
              (std::vector<std::string>{"E1/1 08:00", "S1/2 12:00"}));
    auto lease = t.db().acquire();
    EXPECT_FALSE(punchesOfDay(lease, kAna, at("2026-12-10"))[0].utcOffsetMinutes);
}

TEST_F(AfdImport, a_file_that_cannot_be_read_stores_nothing) {
    EXPECT_THROW(importClockFilePath(t.db(), "/nonexistent/afd.txt", {}), afd::FileError);
    EXPECT_THROW(importClockFile(t.db(), afd::readClockFile(anasDay().text()), {false, "123"}),
                 std::invalid_argument);
}

/// Through the screen's methods, as the screen reads them.
class AfdImportRead : public ::testing::Test {
protected:
    void SetUp() override { giveNumbers(server.db()); }
    TestServer server;
    std::string token = server.login(kAna);

    std::vector<nlohmann::json> ponto(const std::string& date) {
        return rowsByName(server.result(token, "getPonto", {kAna, testing::date(date)}));
    }
    nlohmann::json total(const std::string& date) {
        return server.result(token, "GetTotPontoReal", {kAna, testing::date(date)})["rows"];
    }
};

TEST_F(AfdImportRead, a_night_shift_past_midnight_is_read_on_the_day_it_began) {
    Writer w(Layout::Current, "NIGHT", "X");
    w.punch(1, at("2026-12-08T22:00:00"), -180, kAnaCpf);
    w.punch(2, at("2026-12-09T01:30:00"), -180, kAnaCpf);
    w.punch(3, at("2026-12-09T07:00:00"), -180, kAnaCpf);
    importClockFile(server.db(), afd::readClockFile(w.text()), {});
    const auto night = ponto("2026-12-08");
    ASSERT_EQ(night.size(), 2u);
    EXPECT_EQ(night[1]["DTBATIDAPTO"], "2026-12-09T01:30:00");
    EXPECT_EQ(night[1]["IDEVENPONTO"], "S1");
    EXPECT_EQ(night[1]["IDSENTBATIDA"], "2");
    EXPECT_EQ(night[1]["DTPONTO"], "2026-12-08T00:00:00");
    EXPECT_EQ(night[1]["IDORIGPTO"], "CAT");
    EXPECT_EQ(total("2026-12-08"), nlohmann::json({{"03:30:00"}}));
    const auto next = ponto("2026-12-09");
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0]["IDEVENPONTO"], "E1");
}

TEST_F(AfdImportRead, a_shift_across_the_end_of_daylight_saving_lasts_its_true_time) {
    // At midnight the clocks went back from -0200 to -0300.
    Writer w(Layout::Current, "DST", "X");
    w.punch(1, at("2026-02-21T22:00:00"), -120, kAnaCpf);  // 00:00 UTC
    w.punch(2, at("2026-02-21T23:30:00"), -120, kAnaCpf);  // 01:30 UTC
    w.punch(3, at("2026-02-21T23:50:00"), -120, kAnaCpf);  // 01:50 UTC
    w.punch(4, at("2026-02-21T23:10:00"), -180, kAnaCpf);  // 02:10 UTC
    w.punch(5, at("2026-02-21T23:20:00"), -180, kAnaCpf);  // 02:20 UTC
    w.punch(6, at("2026-02-22T02:00:00"), -180, kAnaCpf);  // 05:00 UTC
    importClockFile(server.db(), afd::readClockFile(w.text()), {});
    const auto rows = ponto("2026-02-21");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[2]["DTBATIDAPTO"], "2026-02-21T23:50:00");
    EXPECT_EQ(rows[3]["DTBATIDAPTO"], "2026-02-21T23:10:00");
    EXPECT_EQ(rows[3]["IDEVENPONTO"], "S2");
    EXPECT_EQ(rows[4]["IDEVENPONTO"], "1");
    EXPECT_EQ(rows[5]["IDEVENPONTO"], "2");
    EXPECT_EQ(rows[5]["IDSENTBATIDA"], "2");
    // 1:30, 0:20 and 2:40 of true time; the wall clocks would make the second
    // one negative and the total an hour short.
    EXPECT_EQ(total("2026-02-21"), nlohmann::json({{"04:30:00"}}));
    EXPECT_TRUE(ponto("2026-02-22").empty());

    // The period export pairs the same punches the same way.
    struct PunchedTotals : ExportWriter {
        std::size_t column = 0;
        std::vector<ExportCell> days;
        void header(const std::vector<std::string>& names) override {
            column = std::find(names.begin(), names.end(), "total do ponto no dia") - names.begin();
        }
        void row(const std::vector<ExportCell>& cells) override {
            if (cells[0].text == kExportDayKind) days.push_back(cells.at(column));
        }
        void finish() override {}
    } exported;
    exportPeriod(server.db(), {at("2026-02-21T00:00:00"), at("2026-02-22T00:00:00"), "", kAna},
                 exported);
    ASSERT_EQ(exported.days.size(), 1u);
    EXPECT_EQ(exported.days[0].kind, ExportCell::Kind::Duration);
    EXPECT_EQ(exported.days[0].value, 4 * 3600 + 30 * 60);
}

}  // namespace
}  // namespace appserver::testing
