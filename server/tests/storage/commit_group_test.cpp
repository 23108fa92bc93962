// Writers that share one commit on SQLite: each answered only once the
// group's commit is on disk, a failed one harming none of the others.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace appserver::testing {
namespace {

using namespace std::chrono_literals;

/// A database with a table of marks, one per writer, and a pair of tables
/// whose foreign key is checked only at the commit.
class CommitGroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (t_.isPostgres()) GTEST_SKIP() << "PostgreSQL has no write lock to share";
        auto lease = t_.db().acquire();
        lease.sql() << "CREATE TABLE marks (writer TEXT PRIMARY KEY)";
        lease.sql() << "CREATE TABLE parents (id INTEGER PRIMARY KEY)";
        lease.sql() << "CREATE TABLE children (id INTEGER PRIMARY KEY, parent INTEGER"
                       " REFERENCES parents (id) DEFERRABLE INITIALLY DEFERRED)";
    }

    Database& db() { return t_.db(); }

    /// Runs `work` as a writer that joins, on a thread of its own; its
    /// outcome ("ok" or the failure's text) lands in outcomes_[slot].
    void writer(std::size_t slot, std::function<void(const Database::Lease&)> work,
                std::size_t weight = 1) {
        outcomes_.resize(std::max(outcomes_.size(), slot + 1));
        threads_.emplace_back([this, slot, weight, work = std::move(work)] {
            try {
                auto lease = db().acquire();
                WriteTransaction tx(lease, weight, WriteTransaction::Sharing::Joins);
                work(tx.lease());
                tx.commit();
                outcomes_[slot] = "ok";
            } catch (const std::exception& e) {
                outcomes_[slot] = e.what();
            }
        });
    }

    /// Waits (boundedly) until `done()`.
    static void until(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("waited 10 s in vain");
            std::this_thread::sleep_for(1ms);
        }
    }
    /// Until `n` writers wait for the write lock.
    void untilWaiting(std::size_t n) {
        until([&] { return db().writersWaiting() >= n; });
    }
    /// The first writer of a test: marks, says it holds the lock, and keeps
    /// it until `n` writers wait behind it.
    void firstWriter(std::size_t n) {
        writer(0, [this, n](const Database::Lease& lease) {
            mark(lease, "first");
            holding_ = true;
            untilWaiting(n);
        });
        until([this] { return holding_.load(); });
    }

    void joinAll() {
        for (auto& t : threads_) t.join();
        threads_.clear();
    }

    bool marked(const std::string& writer) {
        auto lease = db().acquire();
        int n = 0;
        lease.sql() << "SELECT COUNT(*) FROM marks WHERE writer = :w", soci::use(writer),
            soci::into(n);
        return n == 1;
    }

    static void mark(const Database::Lease& lease, std::string writer) {
        lease.sql() << "INSERT INTO marks (writer) VALUES (:w)", soci::use(writer);
    }

    TestDatabase t_;
    std::atomic<bool> holding_{false};
    std::vector<std::thread> threads_;
    std::vector<std::string> outcomes_;
};

TEST_F(CommitGroupTest, writers_queued_behind_one_share_its_commit_and_a_lone_writer_does_not) {
    const auto before = db().commitStats();
    firstWriter(3);
    for (std::size_t i = 1; i <= 3; ++i)
        writer(i, [i](const Database::Lease& lease) { mark(lease, "w" + std::to_string(i)); });
    joinAll();
    for (const auto& outcome : outcomes_) EXPECT_EQ(outcome, "ok");
    for (const char* w : {"first", "w1", "w2", "w3"}) EXPECT_TRUE(marked(w)) << w;
    const auto after = db().commitStats();
    EXPECT_EQ(after.commits - before.commits, 1U);
    EXPECT_EQ(after.writers - before.writers, 4U);

    // A writer that does not join waits for the group's commit and commits by itself.
    std::atomic<bool> aloneDone{false};
    holding_ = false;
    writer(0, [&](const Database::Lease& lease) {
        mark(lease, "grouped");
        holding_ = true;
        untilWaiting(1);
    });
    until([this] { return holding_.load(); });
    std::thread alone([&] {
        auto lease = db().acquire();
        WriteTransaction tx(lease);
        EXPECT_EQ(&tx.lease(), &lease);
        mark(lease, "alone");
        tx.commit();
        aloneDone = true;
    });
    alone.join();
    joinAll();
    EXPECT_TRUE(aloneDone);
    EXPECT_EQ(outcomes_[0], "ok");
    EXPECT_TRUE(marked("grouped") && marked("alone"));
    EXPECT_EQ(db().commitStats().commits - after.commits, 2U);
}

TEST_F(CommitGroupTest, a_large_writer_commits_by_itself) {
    // Every writer of a group waits for the work of all: a large one would
    // hold the small ones behind it.
    const auto before = db().commitStats();
    firstWriter(1);
    writer(
        1, [](const Database::Lease& lease) { mark(lease, "large"); }, 500);
    joinAll();
    EXPECT_EQ(outcomes_[0], "ok");
    EXPECT_EQ(outcomes_[1], "ok");
    EXPECT_TRUE(marked("first") && marked("large"));
    EXPECT_EQ(db().commitStats().commits - before.commits, 2U);
}

TEST_F(CommitGroupTest, a_failed_writer_drops_only_its_own_work) {
    firstWriter(2);
    writer(1, [](const Database::Lease& lease) {
        mark(lease, "b");
        throw std::runtime_error("b refused");
    });
    untilWaiting(1);  // b before c
    writer(2, [](const Database::Lease& lease) {
        mark(lease, "c");
        mark(lease, "c");  // the key again: the statement fails, the transaction goes on
    });
    joinAll();
    EXPECT_EQ(outcomes_[0], "ok");
    EXPECT_EQ(outcomes_[1], "b refused");
    EXPECT_NE(outcomes_[2], "ok");
    EXPECT_TRUE(marked("first"));
    EXPECT_FALSE(marked("b"));
    EXPECT_FALSE(marked("c"));
}

TEST_F(CommitGroupTest, a_first_writer_that_fails_leaves_nothing_to_those_behind_it) {
    // The first of a group works without a savepoint: its failure must undo
    // all it did, and the writer behind it start clean.
    writer(0, [&](const Database::Lease& lease) {
        mark(lease, "first");
        holding_ = true;
        untilWaiting(1);
        throw std::runtime_error("first refused");
    });
    until([this] { return holding_.load(); });
    writer(1, [](const Database::Lease& lease) { mark(lease, "second"); });
    joinAll();
    EXPECT_EQ(outcomes_[0], "first refused");
    EXPECT_EQ(outcomes_[1], "ok");
    EXPECT_FALSE(marked("first"));
    EXPECT_TRUE(marked("second"));
}

TEST_F(CommitGroupTest, no_writer_is_answered_before_the_group_commits) {
    std::atomic<bool> secondWorking{false}, release{false}, firstAnswered{false};
    threads_.emplace_back([&] {
        auto lease = db().acquire();
        WriteTransaction tx(lease, 1, WriteTransaction::Sharing::Joins);
        mark(tx.lease(), "first");
        holding_ = true;
        untilWaiting(1);
        tx.commit();  // hands the transaction on: returns only after the second commits
        firstAnswered = true;
    });
    until([this] { return holding_.load(); });
    writer(0, [&](const Database::Lease& lease) {
        mark(lease, "second");
        secondWorking = true;
        until([&] { return release.load(); });
    });
    until([&] { return secondWorking.load(); });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(firstAnswered);
    EXPECT_FALSE(marked("first"));  // not committed, so not acknowledged either
    release = true;
    joinAll();
    EXPECT_TRUE(firstAnswered);
    EXPECT_EQ(outcomes_[0], "ok");
    EXPECT_TRUE(marked("first") && marked("second"));
}

TEST_F(CommitGroupTest, a_failed_commit_fails_every_writer_of_the_group) {
    firstWriter(1);
    writer(1, [](const Database::Lease& lease) {
        mark(lease, "b");
        lease.sql() << "INSERT INTO children (id, parent) VALUES (1, 42)";  // refused at the commit
    });
    joinAll();
    ASSERT_EQ(outcomes_.size(), 2U);
    for (const auto& outcome : outcomes_) EXPECT_NE(outcome.find("FOREIGN KEY"), std::string::npos);
    EXPECT_FALSE(marked("first"));
    EXPECT_FALSE(marked("b"));
    // The lock is free again, for a writer alone as for a group.
    writer(0, [](const Database::Lease& lease) { mark(lease, "after"); });
    joinAll();
    EXPECT_EQ(outcomes_[0], "ok");
    EXPECT_TRUE(marked("after"));
}

TEST_F(CommitGroupTest, a_transaction_ended_under_the_group_fails_the_writers_before_it) {
    firstWriter(2);
    writer(1, [](const Database::Lease& lease) {
        mark(lease, "b");
        // As SQLite does by itself on a full disk or an I/O error.
        lease.sql() << "ROLLBACK";
        throw std::runtime_error("b lost the transaction");
    });
    untilWaiting(1);  // b before c
    writer(2, [](const Database::Lease& lease) { mark(lease, "c"); });
    joinAll();
    EXPECT_NE(outcomes_[0].find("desfeita"), std::string::npos) << outcomes_[0];
    EXPECT_EQ(outcomes_[1], "b lost the transaction");
    EXPECT_EQ(outcomes_[2], "ok");  // in a group of its own, after
    EXPECT_FALSE(marked("first"));
    EXPECT_FALSE(marked("b"));
    EXPECT_TRUE(marked("c"));
}

}  // namespace
}  // namespace appserver::testing
