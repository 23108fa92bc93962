// Eight clients save through the proxy while, in turn, an application server
// is killed and started again, and the PostgreSQL primary is killed and its
// standby promoted. Every save acknowledged must be stored exactly once, and
// the longest time without an acknowledged save is printed beside its goal.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "packets.h"
#include "proxy_client.h"
#include "save_timeline.h"

namespace appserver::hatest {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Clock = SaveTimeline::Clock;
using testing::DeltaBuilder;
using testing::rowsByName;

constexpr int kClients = 8;
constexpr int kRowsPerDay = 36;

std::string operatorOf(int client) {
    return fmt::format("{:012d}", 201 + client);
}

/// Row `number` of a client: its own day and quarter of an hour, ten minutes
/// long, its number in the description so that it can be counted.
struct RowSlot {
    std::string day;
    std::string start;
    std::string end;
    std::string tag;
};

RowSlot slotOf(int client, int number) {
    using namespace std::chrono;
    const year_month_day day{sys_days{2025y / January / 1} + days{number / kRowsPerDay}};
    const int minutes = 8 * 60 + (number % kRowsPerDay) * 15;
    return {fmt::format("{:04d}-{:02d}-{:02d}", static_cast<int>(day.year()),
                        static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day())),
            fmt::format("{:02d}:{:02d}:00", minutes / 60, minutes % 60),
            fmt::format("{:02d}:{:02d}:00", (minutes + 10) / 60, (minutes + 10) % 60),
            fmt::format("ha c{} n{}", client, number)};
}

/// What one client knows of a row it sent.
struct RowFate {
    bool acknowledged = false;  ///< answered 200
    bool foundOnRead = false;   ///< not answered, then read back as stored
    int sends = 0;
    int refusedStatus = 0;  ///< a refusal no failover explains (4xx but 401)
    std::string refusal;
};

struct ClientCounts {
    int unansweredSaves = 0;  ///< 502, 503, 504 or a broken connection
    int sessionsLost = 0;     ///< 401 on a session that had worked
};

bool unknownOutcome(int status) {
    return status == 0 || status == 502 || status == 503 || status == 504;
}

class FailoverClient {
public:
    /// Each client from a loopback address of its own, as desktops are.
    FailoverClient(const HaSetup& setup, int index, SaveTimeline& everyone)
        : http_(setup, fmt::format("127.0.0.{}", 10 + index)),
          index_(index),
          op_(operatorOf(index)),
          everyone_(everyone) {}

    /// Saves rows one after the other until `stop`, each one resolved before
    /// the next; a row still unresolved at `giveUp` is left so.
    void run(const std::atomic<bool>& stop, const std::atomic<Clock::time_point>& giveUp) {
        try {
            loginUntil(giveUp);
            dayShape_ = dayPacket(slotOf(index_, 0).day, giveUp);
            for (int n = 0; !stop && Clock::now() < giveUp.load(); ++n) {
                save(n, giveUp);
                std::this_thread::sleep_for(50ms);
            }
        } catch (const std::exception& e) {
            failure_ = e.what();
        }
    }

    const std::map<int, RowFate>& rows() const { return rows_; }
    const ClientCounts& counts() const { return counts_; }
    int bindFailures() const { return http_.bindFailures(); }
    /// This client's own acknowledged saves.
    const SaveTimeline& timeline() const { return own_; }
    const std::string& failure() const { return failure_; }
    const std::string& op() const { return op_; }

    /// The day's rows as stored, read until an answer comes.
    json dayPacket(const std::string& day, const std::atomic<Clock::time_point>& giveUp) {
        for (;;) {
            const Answer a = http_.call("getAtividades", {op_, "0001", {{"date", day}}});
            if (a.status == 200) return a.body.at("result");
            if (a.status == 401) {
                sessionLost(giveUp);
                continue;
            }
            if (!unknownOutcome(a.status))
                throw std::runtime_error(
                    fmt::format("getAtividades answered {}: {}", a.status, a.body.dump()));
            if (Clock::now() > giveUp.load())
                throw std::runtime_error("no answer to getAtividades before the end of the run");
            std::this_thread::sleep_for(200ms);
        }
    }

private:
    void acknowledged() {
        const auto now = Clock::now();
        own_.record(now);
        everyone_.record(now);
    }

    /// A session the servers no longer know: logged in again, as the desktop
    /// does. One that is lost again and again is a fault, not a failover.
    void sessionLost(const std::atomic<Clock::time_point>& giveUp) {
        ++counts_.sessionsLost;
        if (++lostInARow_ > 20)
            throw std::runtime_error("the session was lost 20 times in a row after a login");
        loginUntil(giveUp);
    }

    void loginUntil(const std::atomic<Clock::time_point>& giveUp) {
        for (;;) {
            const Answer a = http_.login(op_, fmt::format("senha{}", 201 + index_));
            if (a.status == 200) return;
            if (!unknownOutcome(a.status))
                throw std::runtime_error(
                    fmt::format("login of {} answered {}: {}", op_, a.status, a.body.dump()));
            if (Clock::now() > giveUp.load())
                throw std::runtime_error("no login before the end of the run");
            std::this_thread::sleep_for(200ms);
        }
    }

    json insertPacket(const RowSlot& s) const {
        const json row = {{"HORAINI", s.start},
                          {"HORAFIN", s.end},
                          {"NRTAREFA", "0000000001"},
                          {"NRPLATIVTARE", "00001"},
                          {"DTIAPATIVTAR", s.day + "T" + s.start},
                          {"DTFAPATIVTAR", s.day + "T" + s.end},
                          {"CDFILIAL", "0001"},
                          {"TXAPRATIVTAR", s.tag},
                          {"CDOPERADOR", op_}};
        return DeltaBuilder(dayShape_).insert(row).arg();
    }

    bool stored(const RowSlot& s, const std::atomic<Clock::time_point>& giveUp) {
        for (const json& row : rowsByName(dayPacket(s.day, giveUp)))
            if (row.value("TXAPRATIVTAR", json()) == s.tag) return true;
        return false;
    }

    void save(int number, const std::atomic<Clock::time_point>& giveUp) {
        const RowSlot s = slotOf(index_, number);
        RowFate& fate = rows_[number];
        const json args = json::array({insertPacket(s)});
        while (Clock::now() < giveUp.load()) {
            ++fate.sends;
            const Answer a = http_.call("SetAtividades", args);
            if (a.status == 200) {
                lostInARow_ = 0;
                fate.acknowledged = true;
                acknowledged();
                return;
            }
            if (a.status == 401) {
                // Refused before anything was read: nothing stored.
                sessionLost(giveUp);
                continue;
            }
            if (!unknownOutcome(a.status)) {
                fate.refusedStatus = a.status;
                fate.refusal = a.body.dump();
                return;
            }
            // The save may or may not have been applied: read before sending it again.
            ++counts_.unansweredSaves;
            std::this_thread::sleep_for(100ms);
            if (stored(s, giveUp)) {
                fate.foundOnRead = true;
                acknowledged();
                return;
            }
        }
    }

    ProxyClient http_;
    int index_;
    std::string op_;
    SaveTimeline& everyone_;
    SaveTimeline own_;
    json dayShape_;  ///< a day's packet: its fields are a change packet's
    std::map<int, RowFate> rows_;
    ClientCounts counts_;
    int lostInARow_ = 0;
    std::string failure_;
};

/// What the database holds of one client's rows at the end.
struct Stored {
    std::map<int, int> copies;  ///< by row number
    int clashes = 0;            ///< pairs of rows of the day that overlap
};

/// "08:00:00", also with the screen mask's leading blank (" 8:00:00").
int secondsOf(std::string hhmmss) {
    if (!hhmmss.empty() && hhmmss[0] == ' ') hhmmss[0] = '0';
    return std::stoi(hhmmss.substr(0, 2)) * 3600 + std::stoi(hhmmss.substr(3, 2)) * 60 +
           std::stoi(hhmmss.substr(6, 2));
}

Stored readBack(FailoverClient& client, int index, const std::atomic<Clock::time_point>& giveUp) {
    Stored out;
    if (client.rows().empty()) return out;
    const int lastDay = client.rows().rbegin()->first / kRowsPerDay;
    const std::string prefix = fmt::format("ha c{} n", index);
    for (int d = 0; d <= lastDay; ++d) {
        const auto rows = rowsByName(client.dayPacket(slotOf(index, d * kRowsPerDay).day, giveUp));
        std::vector<std::pair<int, int>> spans;
        for (const json& row : rows) {
            const std::string tag = row.value("TXAPRATIVTAR", "");
            if (tag.rfind(prefix, 0) == 0) ++out.copies[std::stoi(tag.substr(prefix.size()))];
            spans.emplace_back(secondsOf(row.at("HORAINI").get<std::string>()),
                               secondsOf(row.at("HORAFIN").get<std::string>()));
        }
        for (std::size_t i = 0; i < spans.size(); ++i)
            for (std::size_t j = i + 1; j < spans.size(); ++j)
                if (spans[i].first < spans[j].second && spans[j].first < spans[i].second)
                    ++out.clashes;
    }
    return out;
}

double seconds(std::chrono::milliseconds ms) {
    return static_cast<double>(ms.count()) / 1000.0;
}

/// Waits until a save is acknowledged after `since`, at most `limit`.
bool savesResumed(const SaveTimeline& timeline, Clock::time_point since,
                  std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (timeline.anyAfter(since)) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

TEST(Failover, acknowledged_saves_are_stored_once_while_a_server_and_the_primary_are_lost) {
    const HaSetup setup = HaSetup::fromEnvironment();
    SaveTimeline timeline;
    std::atomic<bool> stop{false};
    // Far past every phase: a client that cannot resolve a row by then
    // leaves it. Once the phases are over, the rows under way get a minute.
    std::atomic<Clock::time_point> giveUp{Clock::now() + 6min};
    std::vector<std::unique_ptr<FailoverClient>> clients;
    std::vector<std::thread> threads;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(std::make_unique<FailoverClient>(setup, i, timeline));
        threads.emplace_back([&, i] { clients[i]->run(stop, giveUp); });
    }
    const auto stopClients = [&] {
        stop = true;
        giveUp = std::min(giveUp.load(), Clock::now() + 1min);
        for (auto& t : threads)
            if (t.joinable()) t.join();
    };

    std::this_thread::sleep_for(4s);
    const bool warmedUp = timeline.anyAfter(Clock::now() - 3s);

    // (a) An application server killed, then started again.
    const auto aFrom = Clock::now();
    setup.run("kill app1");
    std::this_thread::sleep_for(2s);
    setup.run("restart app1");
    std::this_thread::sleep_for(4s);
    const auto aTo = Clock::now();

    // (b) The primary killed with its machine's pg_autoctl; the monitor
    // promotes the standby.
    const auto bFrom = Clock::now();
    setup.run("kill-primary");
    const bool resumed = savesResumed(timeline, Clock::now(), 120s);
    std::this_thread::sleep_for(4s);
    const auto bTo = Clock::now();
    stopClients();

    // What one user sees: the longest wait of any one client; and of the
    // service as a whole, all clients together.
    std::chrono::milliseconds gapA{0}, gapB{0};
    for (const auto& c : clients) {
        gapA = std::max(gapA, c->timeline().longestGap(aFrom, aTo));
        gapB = std::max(gapB, c->timeline().longestGap(bFrom, bTo));
    }
    const auto serviceGapA = timeline.longestGap(aFrom, aTo);
    const auto serviceGapB = timeline.longestGap(bFrom, bTo);
    int acknowledged = 0, foundOnRead = 0, resent = 0, unanswered = 0, sessionsLost = 0;
    int lost = 0, doubled = 0, clashes = 0;
    std::vector<std::string> faults;
    for (int i = 0; i < kClients; ++i) {
        FailoverClient& c = *clients[i];
        if (!c.failure().empty()) faults.push_back(fmt::format("client {}: {}", i, c.failure()));
        if (c.bindFailures() > 0)
            faults.push_back(fmt::format("client {}: {} connections not made from its own address",
                                         i, c.bindFailures()));
        const std::atomic<Clock::time_point> readUntil{Clock::now() + 2min};
        const Stored stored = readBack(c, i, readUntil);
        clashes += stored.clashes;
        unanswered += c.counts().unansweredSaves;
        sessionsLost += c.counts().sessionsLost;
        for (const auto& [n, fate] : c.rows()) {
            const auto it = stored.copies.find(n);
            const int copies = it == stored.copies.end() ? 0 : it->second;
            if (fate.acknowledged) ++acknowledged;
            if (fate.foundOnRead) ++foundOnRead;
            if (fate.sends > 1) resent += fate.sends - 1;
            if ((fate.acknowledged || fate.foundOnRead) && copies == 0) ++lost;
            if (copies > 1) ++doubled;
            if (fate.refusedStatus != 0)
                faults.push_back(
                    fmt::format("client {} row {}: {} {}", i, n, fate.refusedStatus, fate.refusal));
        }
    }

    fmt::print(
        "ha: (a) app server killed and restarted: longest time a client went without a "
        "save {:.2f} s (goal <= 2 s); all clients together {:.2f} s\n",
        seconds(gapA), seconds(serviceGapA));
    fmt::print(
        "ha: (b) primary killed, standby promoted: longest time a client went without a "
        "save {:.2f} s (goal <= 30 s); all clients together {:.2f} s\n",
        seconds(gapB), seconds(serviceGapB));
    fmt::print("ha: acknowledged saves lost {}, doubled {} (goal 0)\n", lost, doubled);
    fmt::print(
        "ha: {} saves acknowledged, {} found stored after an unanswered save, {} sent "
        "again, {} unanswered (502, 503, 504 or a broken connection), {} answers 401 "
        "(a session lost)\n",
        acknowledged, foundOnRead, resent, unanswered, sessionsLost);
    std::fflush(stdout);

    EXPECT_TRUE(warmedUp) << "no save was acknowledged before the first failure";
    EXPECT_TRUE(resumed) << "no save was acknowledged within 120 s of the primary's loss";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(doubled, 0);
    EXPECT_EQ(clashes, 0);
    EXPECT_TRUE(faults.empty()) << fmt::format("{}", fmt::join(faults, "\n"));
    EXPECT_GT(acknowledged, 0);
}

TEST(SaveTimeline, the_longest_gap_counts_from_the_window_start_and_to_its_end) {
    SaveTimeline t;
    const auto t0 = Clock::now();
    EXPECT_EQ(t.longestGap(t0, t0 + 5s), 5000ms);
    t.record(t0 + 3s);
    t.record(t0 + 1s);   // out of order, as clients record
    t.record(t0 + 20s);  // outside the window
    EXPECT_EQ(t.longestGap(t0, t0 + 4s), 2000ms);
    EXPECT_EQ(t.longestGap(t0, t0 + 10s), 7000ms);
    EXPECT_TRUE(t.anyAfter(t0 + 19s));
    EXPECT_FALSE(t.anyAfter(t0 + 20s));
}

}  // namespace
}  // namespace appserver::hatest
