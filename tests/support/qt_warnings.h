#pragma once

#include <QString>

namespace aprop_testing {

/// Makes every Qt warning, critical or fatal message fail the GoogleTest
/// test that is running, except the offscreen platform's notices about
/// itself and the ones an `ExpectedQtWarning` allows. Installed once, by
/// the main of the Qt test programs, before the QApplication exists.
void failTestsOnQtWarnings();

/// While it lives, the Qt warnings that contain `text` belong to the test
/// instead of failing it; and at least one must come before it goes, or the
/// test fails. For a warning the code under test is meant to give: say at
/// the test why it is expected.
class ExpectedQtWarning {
public:
    explicit ExpectedQtWarning(QString text);
    ~ExpectedQtWarning();
    ExpectedQtWarning(const ExpectedQtWarning&) = delete;
    ExpectedQtWarning& operator=(const ExpectedQtWarning&) = delete;

private:
    friend class QtWarningHandler;
    QString text_;
    int seen_ = 0;  // guarded by the handler's lock
};

}  // namespace aprop_testing
