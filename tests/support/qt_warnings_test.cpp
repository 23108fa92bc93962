#include "qt_warnings.h"

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QtGlobal>

#include <string>
#include <thread>
#include <vector>

namespace {

using aprop_testing::ExpectedQtWarning;
using testing::ElementsAre;
using testing::EndsWith;

/// The failures `statement` reports, from any thread, instead of failing this test.
template <typename Statement>
std::vector<std::string> failuresOf(Statement statement) {
    testing::TestPartResultArray results;
    {
        const testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
        statement();
    }
    std::vector<std::string> messages;
    messages.reserve(static_cast<std::size_t>(results.size()));
    for (int i = 0; i < results.size(); ++i)
        messages.emplace_back(results.GetTestPartResult(i).message());
    return messages;
}

TEST(QtWarnings, AWarningOrACriticalMessageFailsTheTestWithItsText) {
    EXPECT_THAT(failuresOf([] { qWarning("the model has no row %d", 7); }),
                ElementsAre(EndsWith("Qt warning: the model has no row 7")));
    EXPECT_THAT(failuresOf([] { qCritical("lost"); }), ElementsAre(EndsWith("Qt warning: lost")));
    EXPECT_THAT(failuresOf([] {
                    std::thread worker([] { qWarning("from a worker"); });
                    worker.join();
                }),
                ElementsAre(EndsWith("Qt warning: from a worker")));
}

TEST(QtWarnings, DebugAndInfoMessagesAndThePlatformsNoticesPass) {
    EXPECT_TRUE(failuresOf([] {
                    qDebug("tracing");
                    qInfo("informing");
                    qWarning("This plugin does not support raise()");
                }).empty());
}

TEST(QtWarnings, AnExpectedWarningPassesWhileItLivesAndOnlyTheOnesItNames) {
    EXPECT_THAT(failuresOf([] {
                    const ExpectedQtWarning expected(QStringLiteral("no row"));
                    qWarning("the model has no row 7");
                    qWarning("the model has no row 8");
                    qWarning("another thing");
                }),
                ElementsAre(EndsWith("Qt warning: another thing")));
    EXPECT_THAT(failuresOf([] {
                    {
                        const ExpectedQtWarning expected(QStringLiteral("no row"));
                        qWarning("no row 1");
                    }
                    qWarning("no row 2");
                }),
                ElementsAre(EndsWith("Qt warning: no row 2")));
}

TEST(QtWarnings, AnExpectedWarningThatNeverComesFailsTheTest) {
    EXPECT_THAT(failuresOf([] { const ExpectedQtWarning expected(QStringLiteral("no row")); }),
                ElementsAre(EndsWith("expected a Qt warning containing \"no row\"; none came")));
}

}  // namespace
