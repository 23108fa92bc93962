#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "appserver/storage/database.h"
#include "postgresql_run.h"

namespace appserver {
namespace {

// Its database is an unreachable one of its own, the same in either run.
[[maybe_unused]] const bool kSqliteOnly =
    appserver::testing::leaveOutOfPostgresRun({"MultiHostUrl"});

TEST(MultiHostUrl, a_database_that_cannot_be_opened_is_reported_host_by_host) {
    DatabaseOptions options;
    options.poolSize = 1;
    // Nothing listens on port 1, and the .invalid domain never resolves.
    const auto url = DatabaseUrl::parse(
        "postgresql://apropriacao@127.0.0.1:1,pg2.invalid:5432/apropriacao"
        "?target_session_attrs=read-write&connect_timeout=2");
    try {
        Database db(url, options);
        FAIL() << "the database opened";
    } catch (const std::runtime_error& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("\"pg2.invalid\""), std::string::npos) << text;
        EXPECT_NE(text.find("\"127.0.0.1\", port 1"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace appserver
