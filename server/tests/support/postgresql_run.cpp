#include "postgresql_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <set>
#include <string>

namespace appserver::testing {

namespace {

/// Built on first use: the test files' calls run before main, in no set order.
std::set<std::string>& leftOut() {
    static std::set<std::string> suites;
    return suites;
}

}  // namespace

bool leaveOutOfPostgresRun(std::initializer_list<const char*> suites) {
    for (const char* s : suites) leftOut().insert(s);
    return true;
}

void selectSuitesForThisDatabase() {
    const char* pg = std::getenv("APPSERVER_TEST_PG_URL");
    if (!pg || !*pg || leftOut().empty()) return;
    std::string patterns, names;
    for (const std::string& suite : leftOut()) {
        patterns += (patterns.empty() ? "" : ":") + suite + ".*";
        names += (names.empty() ? "" : ", ") + suite;
    }
    // A filter is positive patterns, then '-' and the negative ones.
    std::string filter = GTEST_FLAG_GET(filter);
    filter += (filter.find('-') == std::string::npos ? "-" : ":") + patterns;
    GTEST_FLAG_SET(filter, filter);
    std::cout << "On PostgreSQL: every suite but those that leave themselves out of this run ("
              << names << ")" << std::endl;
}

}  // namespace appserver::testing
