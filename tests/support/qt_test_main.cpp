// Entry point for GoogleTest programs that need a QApplication (widgets,
// event loop). Tests run under QT_QPA_PLATFORM=offscreen, and an unexpected
// Qt warning fails the test that gave it.
#include "qt_warnings.h"

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    aprop_testing::failTestsOnQtWarnings();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
