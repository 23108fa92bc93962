// The audit trail: every change a save makes, recorded in the save's own
// transaction, and the day's history read back through GetHistorico.
#include <gtest/gtest.h>

#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kCarla = "000000000103";  // Ana's team-mate
constexpr const char* kDay = "2026-12-07";

class AuditTrail : public ::testing::Test {
protected:
    TestServer server;
    std::string ana = server.login(kAna);

    json day(const std::string& d = kDay) {
        return server.result(ana, "getAtividades", {kAna, "0001", date(d)});
    }
    Reply save(const DeltaBuilder& delta, const std::string& token) {
        return server.call(token, "SetAtividades", json::array({delta.arg()}));
    }
    std::vector<json> history(const std::string& d = kDay, const std::string& op = kAna) {
        return rowsByName(server.result(ana, "GetHistorico", {op, "0001", date(d)}));
    }
    /// The row of the day that starts at `start`.
    json rowAt(const std::string& start, const std::string& d = kDay) {
        for (const json& r : rowsByName(day(d)))
            if (r["HORAINI"] == start) return r;
        ADD_FAILURE() << "no row at " << start;
        return json::object();
    }
};

TEST_F(AuditTrail, insert_update_and_delete_are_recorded_newest_first_with_their_values) {
    {
        DeltaBuilder d(day());
        d.insert(newRow(kDay, "10:30:00", "11:00:00"));
        ASSERT_EQ(save(d, ana).status, 200);
    }
    const json inserted = rowAt("10:30:00");
    {
        json changed = inserted;
        changed["TXAPRATIVTAR"] = "Texto revisto";
        changed["HORAFIN"] = "10:50:00";
        changed["DTFAPATIVTAR"] = "2026-12-07T10:50:00";
        DeltaBuilder d(day());
        d.update(inserted, changed);
        ASSERT_EQ(save(d, ana).status, 200);
    }
    {
        DeltaBuilder d(day());
        d.remove(rowAt("10:30:00"));
        ASSERT_EQ(save(d, ana).status, 200);
    }

    const auto h = history();
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0]["DSACAO"], "delete");
    EXPECT_EQ(h[1]["DSACAO"], "update");
    EXPECT_EQ(h[2]["DSACAO"], "insert");
    for (const json& e : h) {
        EXPECT_EQ(e["CDUSUARIO"], kAna);
        EXPECT_EQ(e["DSENDERECO"], "127.0.0.1");
        EXPECT_EQ(e["DSCHAVE"], inserted["CHAVE2"]);
        // The server's clock, which the tests start at kNow.
        EXPECT_GE(e["DTHALTERACAO"].get<std::string>(), std::string(kNow));
        EXPECT_LT(e["DTHALTERACAO"].get<std::string>(), "2026-12-08T10:05:00");
    }
    EXPECT_TRUE(h[2]["DSANTES"].is_null());
    const json added = json::parse(h[2]["DSDEPOIS"].get<std::string>());
    EXPECT_EQ(added["task"], "0000000001");
    EXPECT_EQ(added["activity"], "00001");
    EXPECT_EQ(added["start"], "2026-12-07T10:30:00");
    EXPECT_EQ(added["end"], "2026-12-07T11:00:00");
    EXPECT_EQ(added["stampStart"], inserted["DTHIAPATIVTA"]);
    EXPECT_EQ(added["description"], "Nova apropriação");

    const json before = json::parse(h[1]["DSANTES"].get<std::string>());
    const json after = json::parse(h[1]["DSDEPOIS"].get<std::string>());
    EXPECT_EQ(before, added);
    EXPECT_EQ(after["end"], "2026-12-07T10:50:00");
    EXPECT_EQ(after["description"], "Texto revisto");
    EXPECT_EQ(after["stampStart"], before["stampStart"]) << "a change keeps the stamps";

    EXPECT_EQ(json::parse(h[0]["DSANTES"].get<std::string>()), after);
    EXPECT_TRUE(h[0]["DSDEPOIS"].is_null());

    // Other days and other operators' days have their own histories.
    EXPECT_TRUE(history("2026-11-30").empty());
    EXPECT_TRUE(history(kDay, kCarla).empty());
}

TEST_F(AuditTrail, a_team_mates_change_is_recorded_as_hers_on_the_operators_day) {
    const std::string carla = server.login(kCarla);
    DeltaBuilder d(day());
    d.insert(newRow(kDay, "10:30:00", "11:00:00"));
    ASSERT_EQ(save(d, carla).status, 200);
    const auto h = history();
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0]["CDUSUARIO"], kCarla);
    // Carla reads Ana's day's history as she reads the day.
    EXPECT_EQ(rowsByName(server.result(carla, "GetHistorico", {kAna, "0001", date(kDay)})).size(),
              1u);
}

TEST_F(AuditTrail, a_failed_save_records_nothing) {
    // Refused by a rule: the valid row of the same packet is not kept, nor its trail.
    {
        DeltaBuilder d(day());
        d.insert(newRow(kDay, "10:30:00", "11:00:00"));
        d.insert(newRow(kDay, "10:45:00", "11:30:00"));  // clashes with the first
        ASSERT_EQ(save(d, ana).status, 422);
    }
    // Refused as stale: the row changed since it was loaded.
    {
        json stale = rowAt("08:00:00");
        stale["HORAFIN"] = "08:30:00";
        json changed = stale;
        changed["TXAPRATIVTAR"] = "x";
        DeltaBuilder d(day());
        d.remove(rowAt("09:00:00"));
        d.update(stale, changed);
        ASSERT_EQ(save(d, ana).status, 409);
    }
    EXPECT_TRUE(history().empty());
    EXPECT_EQ(rowsByName(day()).size(), 3u);
}

TEST_F(AuditTrail, starting_an_activity_is_recorded_once_under_the_users_today) {
    ASSERT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).status, 200);
    // Already started: nothing changes, nothing is recorded.
    ASSERT_EQ(server.call(ana, "GetUpdateAtiv", {"0001", "0000000001", "00001"}).status, 200);
    const auto h = history("2026-12-08");
    ASSERT_EQ(h.size(), 1u);
    EXPECT_EQ(h[0]["DSACAO"], "update");
    EXPECT_EQ(h[0]["DSCHAVE"], "0000000001 - 00001");
    EXPECT_EQ(json::parse(h[0]["DSANTES"].get<std::string>())["situation"], "P");
    EXPECT_EQ(json::parse(h[0]["DSDEPOIS"].get<std::string>())["situation"], "A");
    EXPECT_EQ(h[0]["DSENDERECO"], "127.0.0.1");
}

TEST_F(AuditTrail, a_row_refused_a_move_to_another_day_leaves_no_history) {
    const json old = rowAt("08:00:00");
    json moved = old;
    moved["DTIAPATIVTAR"] = "2026-12-04T08:00:00";
    moved["DTFAPATIVTAR"] = "2026-12-04T09:00:00";
    DeltaBuilder d(day());
    d.update(old, moved);
    ASSERT_EQ(save(d, ana).status, 422);
    EXPECT_TRUE(history(kDay).empty());
    EXPECT_TRUE(history("2026-12-04").empty());
}

TEST_F(AuditTrail, the_history_answer_has_its_fields_and_no_row_for_an_untouched_day) {
    const json packet = server.result(ana, "GetHistorico", {kAna, "0001", date(kDay)});
    EXPECT_EQ(fieldNames(packet),
              (std::vector<std::string>{"DTHALTERACAO", "CDUSUARIO", "DSENDERECO", "DSACAO",
                                        "DSCHAVE", "DSANTES", "DSDEPOIS"}));
    EXPECT_TRUE(packet["rows"].empty());
    EXPECT_EQ(server.call(ana, "GetHistorico", {kAna, "0001"}).status, 400);
}

}  // namespace
}  // namespace appserver::testing
