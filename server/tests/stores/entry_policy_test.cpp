// The management's entry policies: each refusal of SetAtividades with the
// screen's own text, what each leaves allowed, and the policies' storage.
#include <gtest/gtest.h>

#include "appserver/stores/entry_policy.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;

constexpr const char* kAna = "000000000101";
constexpr const char* kCarla = "000000000103";  // Ana's team-mate, who may read and save her days
constexpr const char* kDay = "2026-12-07";      // Ana has punches on this day only

constexpr const char* kOutside =
    "Inclusão bloqueada. A apropriação deve ser feita somente no período determinado pela "
    "gerência (de 01/12/2026 até 07/12/2026).";
constexpr const char* kOwnInsert =
    "Inclusão bloqueada. A apropriação deve ser feita somente pelo próprio funcionário.";
constexpr const char* kOwnDelete =
    "Exclusão bloqueada. A exclusão deve ser feita pelo próprio funcionário.";
constexpr const char* kNoPunches = "Inclusão bloqueada. Ponto não apurado.";

class EntryPolicies : public ::testing::Test {
protected:
    TestServer server;
    std::string ana = server.login(kAna);
    std::string carla = server.login(kCarla);

    void set(const EntryPolicy& p) {
        auto lease = server.db().acquire();
        saveEntryPolicy(lease, p);
    }
    EntryPolicy policy(const char* branch = "0001") {
        EntryPolicy p;
        p.branch = branch;
        return p;
    }
    json day(const std::string& d) {
        return server.result(ana, "getAtividades", {kAna, "0001", date(d)});
    }
    json rowAt(const std::string& d, const std::string& start) {
        for (const json& r : rowsByName(day(d)))
            if (r["HORAINI"] == start) return r;
        ADD_FAILURE() << "no row at " << start << " on " << d;
        return json::object();
    }
    Reply insert(const std::string& d, const std::string& start, const std::string& end,
                 const std::string& token) {
        DeltaBuilder delta(day(d));
        delta.insert(newRow(d, start, end));
        return server.call(token, "SetAtividades", json::array({delta.arg()}));
    }
    Reply remove(const std::string& d, const std::string& start, const std::string& token) {
        DeltaBuilder delta(day(d));
        delta.remove(rowAt(d, start));
        return server.call(token, "SetAtividades", json::array({delta.arg()}));
    }
    Reply describe(const std::string& d, const std::string& start, const std::string& token,
                   const json& moveTo = nullptr) {
        const json old = rowAt(d, start);
        json changed = old;
        changed["TXAPRATIVTAR"] = "Revisto";
        if (!moveTo.is_null()) {
            changed["DTIAPATIVTAR"] = moveTo.get<std::string>() + "T" + start;
            changed["DTFAPATIVTAR"] =
                moveTo.get<std::string>() + "T" + old["HORAFIN"].get<std::string>();
        }
        DeltaBuilder delta(day(d));
        delta.update(old, changed);
        return server.call(token, "SetAtividades", json::array({delta.arg()}));
    }
    static void refused(const Reply& r, const char* message) {
        EXPECT_EQ(r.status, 422) << r.body.dump();
        EXPECT_EQ(r.body["error"].value("message", ""), message);
    }
    std::size_t trail(const std::string& d) {
        return server.result(ana, "GetHistorico", {kAna, "0001", date(d)})["rows"].size();
    }
};

TEST_F(EntryPolicies, a_branch_row_with_every_policy_off_changes_nothing) {
    set(policy());
    EXPECT_EQ(insert("2026-11-30", "08:00:00", "09:00:00", carla).status, 200)
        << "a team-mate, on a day without punches";
    EXPECT_EQ(remove("2026-11-30", "08:00:00", carla).status, 200);
    EXPECT_EQ(remove("2025-06-02", "14:00:00", ana).status, 200);
}

TEST_F(EntryPolicies, the_period_refuses_new_changed_and_deleted_rows_outside_it) {
    EntryPolicy p = policy();
    p.periodFrom = DateTime::date(2026, 12, 1);
    p.periodTo = DateTime::date(2026, 12, 7);
    set(p);

    refused(insert("2026-11-30", "08:00:00", "09:00:00", ana), kOutside);
    refused(insert("2026-12-08", "08:00:00", "09:00:00", ana), kOutside);
    refused(describe("2026-11-30", "14:00:00", ana), kOutside);
    refused(remove("2026-11-30", "14:00:00", ana), kOutside);
    // A row inside cannot leave it either: no row leaves its day.
    refused(describe(kDay, "08:00:00", ana, "2026-12-08"),
            "Uma apropriação não pode passar para outro dia: inclua-a no dia em que foi feita e "
            "exclua a deste.");
    EXPECT_EQ(rowsByName(day("2026-11-30")).size(), 1u);
    EXPECT_EQ(rowAt("2026-11-30", "14:00:00")["TXAPRATIVTAR"], "Trabalho registrado");
    EXPECT_EQ(trail("2026-11-30"), 0u);

    // Both ends belong to the period.
    EXPECT_EQ(insert("2026-12-01", "08:00:00", "09:00:00", ana).status, 200);
    EXPECT_EQ(insert(kDay, "10:30:00", "11:00:00", ana).status, 200);
    EXPECT_EQ(describe(kDay, "08:00:00", ana).status, 200);
    EXPECT_EQ(remove(kDay, "10:30:00", ana).status, 200);

    // Another branch's period does not apply here.
    p.branch = "0002";
    set(p);
    set(policy());
    EXPECT_EQ(insert("2026-11-30", "08:00:00", "09:00:00", ana).status, 200);
}

TEST_F(EntryPolicies,
       only_the_operator_inserts_and_deletes_his_rows_but_a_team_mate_may_change_them) {
    EntryPolicy p = policy();
    p.ownOnly = true;
    set(p);

    refused(insert(kDay, "10:30:00", "11:00:00", carla), kOwnInsert);
    refused(remove(kDay, "08:00:00", carla), kOwnDelete);
    EXPECT_EQ(rowsByName(day(kDay)).size(), 3u);
    EXPECT_EQ(describe(kDay, "08:00:00", carla).status, 200);

    EXPECT_EQ(insert(kDay, "10:30:00", "11:00:00", ana).status, 200);
    EXPECT_EQ(remove(kDay, "10:30:00", ana).status, 200);
}

TEST_F(EntryPolicies, a_new_row_needs_the_days_punches_and_other_changes_do_not) {
    EntryPolicy p = policy();
    p.requirePunches = true;
    set(p);

    refused(insert("2026-12-04", "08:00:00", "09:00:00", ana), kNoPunches);
    EXPECT_TRUE(rowsByName(day("2026-12-04")).empty());
    EXPECT_EQ(insert(kDay, "10:30:00", "11:00:00", ana).status, 200);
    // Rows of a day without punches may still be changed and deleted.
    EXPECT_EQ(describe("2026-11-30", "14:00:00", ana).status, 200);
    EXPECT_EQ(remove("2026-11-30", "14:00:00", ana).status, 200);
}

TEST_F(EntryPolicies, a_refused_row_keeps_every_other_change_of_its_packet_out) {
    EntryPolicy p = policy();
    p.requirePunches = true;
    set(p);
    DeltaBuilder delta(day(kDay));
    delta.insert(newRow(kDay, "10:30:00", "11:00:00"));
    delta.remove(rowAt(kDay, "08:00:00"));
    delta.insert(newRow("2026-12-04", "08:00:00", "09:00:00"));
    refused(server.call(ana, "SetAtividades", json::array({delta.arg()})), kNoPunches);
    EXPECT_EQ(rowsByName(day(kDay)).size(), 3u);
    EXPECT_EQ(trail(kDay), 0u);
}

TEST(EntryPolicyStore, stores_lists_and_refuses_what_cannot_be_a_policy) {
    TestDatabase t;
    auto lease = t.db().acquire();
    EXPECT_FALSE(entryPolicyOf(lease, "0001").ownOnly) << "a branch without a row has none";
    EXPECT_FALSE(entryPolicyOf(lease, "0001").hasPeriod());

    EntryPolicy p;
    p.branch = "0002";
    p.periodFrom = DateTime::date(2026, 12, 1);
    p.periodTo = DateTime::date(2026, 12, 31);
    p.requirePunches = true;
    saveEntryPolicy(lease, p);
    p.branch = "0001";
    p.periodFrom.reset();
    p.periodTo.reset();
    p.ownOnly = true;
    p.requirePunches = false;
    saveEntryPolicy(lease, p);
    p.ownOnly = false;  // saved again: replaced, not added
    saveEntryPolicy(lease, p);

    const auto all = entryPolicies(lease.sql());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].branch, "0001");
    EXPECT_FALSE(all[0].ownOnly);
    EXPECT_FALSE(all[0].hasPeriod());
    EXPECT_EQ(all[1].branch, "0002");
    EXPECT_EQ(all[1].periodFrom, DateTime::date(2026, 12, 1));
    EXPECT_EQ(all[1].periodTo, DateTime::date(2026, 12, 31));
    EXPECT_TRUE(all[1].requirePunches);
    EXPECT_FALSE(all[1].outsidePeriod(DateTime::date(2026, 12, 31)));
    EXPECT_TRUE(all[1].outsidePeriod(DateTime::date(2027, 1, 1)));
    // Read back through the prepared lookup too, after a row without a period.
    EXPECT_TRUE(entryPolicyOf(lease, "0002").hasPeriod());
    EXPECT_FALSE(entryPolicyOf(lease, "0001").hasPeriod());

    EntryPolicy bad = p;
    bad.branch = "9999";
    EXPECT_THROW(saveEntryPolicy(lease, bad), std::invalid_argument);
    bad = p;
    bad.periodFrom = DateTime::date(2026, 12, 2);
    bad.periodTo = DateTime::date(2026, 12, 1);
    EXPECT_THROW(saveEntryPolicy(lease, bad), std::invalid_argument);
    bad.periodTo.reset();
    EXPECT_THROW(saveEntryPolicy(lease, bad), std::invalid_argument);
    EXPECT_EQ(entryPolicies(lease.sql()).size(), 2u);
}

}  // namespace
}  // namespace appserver::testing
