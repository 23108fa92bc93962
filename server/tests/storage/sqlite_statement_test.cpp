// Statements straight on a SQLite session's connection: named values, rows
// and their columns, a statement run again, and failures as the library's own.
#include <gtest/gtest.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include "appserver/storage/database_error.h"
#include "appserver/storage/sqlite_statement.h"
#include "postgresql_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

[[maybe_unused]] const bool kSqliteOnly = leaveOutOfPostgresRun({"SqliteStatement"});

TEST(SqliteStatement, binds_by_name_reads_the_rows_and_runs_again) {
    TestDatabase t;
    auto lease = t.db().acquire();
    SqliteStatement st(lease.sql(),
                       "SELECT code, name, pis FROM operators WHERE code >= :from AND code < :to"
                       " ORDER BY code");
    for (int run = 0; run < 2; ++run) {
        st.reset();
        st.bind(":from", std::string("000000000102"));
        st.bind(":to", std::string("000000000104"));
        std::vector<std::string> codes;
        while (st.step()) {
            codes.emplace_back(st.text(0));
            EXPECT_FALSE(st.text(1).empty());
            EXPECT_TRUE(st.isNull(2));  // no PIS in the base data
        }
        EXPECT_EQ(codes, (std::vector<std::string>{"000000000102", "000000000103"})) << run;
    }
    SqliteStatement count(lease.sql(), "SELECT COUNT(*) FROM appropriations WHERE day > :d");
    count.bind(":d", 0LL);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.int64(0), 7);
    EXPECT_FALSE(count.isNull(0));
    EXPECT_FALSE(count.step());
}

TEST(SqliteStatement, fails_as_the_librarys_statements_do) {
    TestDatabase t;
    auto lease = t.db().acquire();
    try {
        SqliteStatement bad(lease.sql(), "SELECT code FROM nowhere");
        FAIL() << "prepared a statement over a table that does not exist";
    } catch (const soci::sqlite3_soci_error& e) {
        EXPECT_EQ(e.result(), 1);  // SQLITE_ERROR
        EXPECT_NE(std::string(e.what()).find("nowhere"), std::string::npos) << e.what();
        EXPECT_FALSE(unavailabilityOf(e).has_value());
    }
    SqliteStatement st(lease.sql(), "SELECT 1 WHERE :a = 1");
    EXPECT_THROW(st.bind(":b", 1LL), soci::soci_error);
}

}  // namespace
}  // namespace appserver::testing
