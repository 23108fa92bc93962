// The main of the server's test programs: GoogleTest's own, with the choice
// of suites for a run on PostgreSQL (postgresql_run.h).
#include <gtest/gtest.h>

#include "postgresql_run.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    appserver::testing::selectSuitesForThisDatabase();
    return RUN_ALL_TESTS();
}
