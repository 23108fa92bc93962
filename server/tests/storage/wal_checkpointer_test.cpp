// SQLite's write-ahead log is copied back by the pool's own thread, not by the commits.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "test_support.h"

namespace appserver::testing {
namespace {

TEST(WalCheckpointer, commits_leave_the_log_to_the_background_copy_which_catches_up) {
    TestDatabase t;
    if (t.isPostgres()) GTEST_SKIP() << "PostgreSQL keeps its own log";
    {
        auto lease = t.db().acquire();
        int automatic = -1;
        lease.sql() << "PRAGMA wal_autocheckpoint", soci::into(automatic);
        EXPECT_EQ(automatic, 0);
        for (int i = 0; i < 200; ++i) {
            const std::string code = "T" + std::to_string(i);
            lease.sql() << "INSERT INTO teams (code, name) VALUES (:c, 'Equipe de carga')",
                soci::use(code);
        }
    }
    const auto before = t.db().checkpointStats().value();
    WalCheckpointer::Stats s;
    for (int waited = 0; waited < 100; ++waited) {
        s = t.db().checkpointStats().value();
        if (s.truncations > before.truncations) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_GT(s.runs, before.runs);
    // Wholly copied and no one using it: the log was emptied, so that reads
    // go to the database file again.
    EXPECT_GT(s.truncations, before.truncations);
    EXPECT_EQ(std::filesystem::file_size(t.url().substr(std::string("sqlite:").size()) + "-wal"),
              0u);

    auto lease = t.db().acquire();
    int teams = 0;
    lease.sql() << "SELECT COUNT(*) FROM teams WHERE code LIKE 'T%'", soci::into(teams);
    EXPECT_EQ(teams, 200);
}

}  // namespace
}  // namespace appserver::testing
