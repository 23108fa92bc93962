// The schema's migrations, SQLite's settings and database URLs.
#include <gtest/gtest.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include <thread>

#include "appserver/storage/migrations.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

TEST(Storage, migrations_apply_once_and_report_the_latest_version) {
    TestDatabase t(true);
    EXPECT_EQ(migrate(t.db()), latestSchemaVersion());
    const int applied = rowCount(t.db(), "schema_migrations");
    EXPECT_EQ(migrate(t.db()), latestSchemaVersion());
    EXPECT_EQ(rowCount(t.db(), "schema_migrations"), applied);
    EXPECT_EQ(rowCount(t.db(), "appropriations"), 7);
}

TEST(Storage, a_version_below_the_newest_recorded_is_applied_when_missing) {
    // Versions are numbered on parallel branches: a database may hold a newer
    // one and lack an older one that arrived with a later build.
    TestDatabase t(true);
    {
        auto lease = t.db().acquire();
        lease.sql() << "DROP TABLE entry_policies";
        lease.sql() << "DROP TABLE audit_trail";
        lease.sql() << "DELETE FROM schema_migrations WHERE version = 3";
    }
    EXPECT_EQ(migrate(t.db()), latestSchemaVersion());
    EXPECT_EQ(rowCount(t.db(), "entry_policies"), 0);
    EXPECT_EQ(rowCount(t.db(), "audit_trail"), 0);
    EXPECT_EQ(rowCount(t.db(), "month_closings"), 0);
    EXPECT_EQ(rowCount(t.db(), "appropriations"), 7);
}

TEST(Storage, sqlite_runs_in_wal_mode_with_foreign_keys) {
    TestDatabase t(true);
    if (t.isPostgres()) {
        // The same rule on PostgreSQL: a row naming an unknown operator is refused.
        const nlohmann::json punch = {
            {"operator", "999"}, {"at", "2026-12-07T08:00:00"}, {"direction", "1"}};
        EXPECT_THROW(
            importData(t.db(), {{"punches", {punch}}}, PasswordHasher(HashCost::minimum())),
            ImportError);
        return;
    }
    auto lease = t.db().acquire();
    std::string mode;
    int fk = 0;
    lease.sql() << "PRAGMA journal_mode", soci::into(mode);
    lease.sql() << "PRAGMA foreign_keys", soci::into(fk);
    EXPECT_EQ(mode, "wal");
    EXPECT_EQ(fk, 1);
}

TEST(Storage, sqlite_sessions_are_lent_to_one_thread_at_a_time_without_a_mutex_of_their_own) {
    TestDatabase t;
    if (t.isPostgres()) return;
    // Two sessions in use at once by two threads, each reading through its
    // own lease, while neither connection carries SQLite's per-connection mutex.
    auto first = t.db().acquire();
    const auto connection = [](const Database::Lease& lease) {
        return static_cast<soci::sqlite3_session_backend*>(lease.sql().get_backend())->conn_;
    };
    EXPECT_EQ(sqlite_api::sqlite3_db_mutex(connection(first)), nullptr);
    int counted = 0;
    std::thread other([&] {
        auto second = t.db().acquire();
        EXPECT_EQ(sqlite_api::sqlite3_db_mutex(connection(second)), nullptr);
        for (int i = 0; i < 200; ++i)
            second.sql() << "SELECT COUNT(*) FROM appropriations", soci::into(counted);
    });
    int mine = 0;
    for (int i = 0; i < 200; ++i) first.sql() << "SELECT COUNT(*) FROM operators", soci::into(mine);
    other.join();
    EXPECT_EQ(counted, 7);
    EXPECT_GT(mine, 0);
}

TEST(Storage, database_urls_are_parsed_and_passwords_kept_out_of_logs) {
    EXPECT_EQ(DatabaseUrl::parse("sqlite:/tmp/a.db").target, "/tmp/a.db");
    EXPECT_EQ(DatabaseUrl::parse("postgresql://u:secret@h:5432/db").kind, DatabaseKind::Postgres);
    EXPECT_EQ(DatabaseUrl::parse("postgresql://u:secret@h:5432/db").redacted(),
              "postgresql://u:***@h:5432/db");
    EXPECT_THROW(DatabaseUrl::parse("mysql://x"), std::invalid_argument);
    EXPECT_THROW(DatabaseUrl::parse("sqlite:"), std::invalid_argument);
}

}  // namespace
}  // namespace appserver::testing
