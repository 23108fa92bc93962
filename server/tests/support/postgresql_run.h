#pragma once

#include <initializer_list>

namespace appserver::testing {

// Every server test program runs twice: on SQLite, test by test, and whole
// again on a throwaway PostgreSQL cluster (scripts/pg-tmp sets
// APPSERVER_TEST_PG_URL, and every TestDatabase of the run is a database
// there). So a new suite over the test database runs on both by default. A
// suite about something the database under the server is incidental to
// leaves itself out of the second run, next to its tests:
//
//   [[maybe_unused]] const bool kSqliteOnly = leaveOutOfPostgresRun({"HttpProtocol"});

/// Leaves the suites named out of the run on PostgreSQL; call at namespace
/// scope, before main. Returns true.
bool leaveOutOfPostgresRun(std::initializer_list<const char*> suites);

/// In a run on PostgreSQL, adds the suites left out to the test filter and
/// says so on the standard output; in a run on SQLite, does nothing. Called
/// by main once GoogleTest has read the command line.
void selectSuitesForThisDatabase();

}  // namespace appserver::testing
