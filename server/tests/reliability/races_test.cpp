// Racing saves of one operator's overlapping spans through two server
// processes over one database: never two clashing spans stored.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "reliability_support.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";

TEST(Races, saves_racing_through_two_server_processes_never_store_two_clashing_spans) {
    TestDatabase t;
    ServerProcess first(t.url()), second(t.url());
    const std::string tokens[2] = {first.login(kAna), second.login(kAna)};
    const ServerProcess* servers[2] = {&first, &second};
    ASSERT_FALSE(tokens[0].empty() || tokens[1].empty());

    json fields;
    {
        auto c = first.client();
        auto res = c->Post("/v1/call", {{"Authorization", "Bearer " + tokens[0]}},
                           callBody("getAtividades", {kAna, "0001", date("2026-11-02")}),
                           "application/json");
        ASSERT_TRUE(res && res->status == 200);
        fields = json::parse(res->body)["result"]["fields"];
    }
    constexpr int kClients = 8, kRounds = 10;
    std::vector<std::unique_ptr<httplib::Client>> clients;
    clients.reserve(kClients);
    for (int i = 0; i < kClients; ++i) clients.push_back(servers[i % 2]->client());

    for (int round = 0; round < kRounds; ++round) {
        const std::string day = fmt::format("2026-11-{:02}", 2 + round);
        std::vector<int> statuses(kClients);
        std::vector<std::thread> threads;
        threads.reserve(kClients);
        for (int i = 0; i < kClients; ++i) {
            threads.emplace_back([&, i] {
                // Every span covers 11:40–11:45; each starts at another minute.
                DeltaBuilder d(json{{"fields", fields}});
                d.insert(newRow(day, fmt::format("11:{}:00", 30 + i), "11:50:00"));
                auto res = clients[static_cast<std::size_t>(i)]->Post(
                    "/v1/call", {{"Authorization", "Bearer " + tokens[i % 2]}},
                    callBody("SetAtividades", json::array({d.arg()})), "application/json");
                statuses[static_cast<std::size_t>(i)] = res ? res->status : -1;
            });
        }
        for (auto& th : threads) th.join();
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 200), 1)
            << day << ": " << ::testing::PrintToString(statuses);
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 422), kClients - 1) << day;
    }
    const std::string op = kAna;  // bound by reference until the statement runs
    long long stored = 0;
    const long long firstDay = platform::dataset::DateTime::date(2026, 11, 2).dayNumber(),
                    lastDay = firstDay + kRounds - 1;
    t.db().acquire().sql()
        << "SELECT COUNT(*) FROM appropriations WHERE operator = :o AND day BETWEEN :f AND :l",
        soci::into(stored), soci::use(op), soci::use(firstDay), soci::use(lastDay);
    EXPECT_EQ(stored, kRounds);
}

}  // namespace
}  // namespace appserver::testing
