#include "qt_warnings.h"

#include <gtest/gtest.h>

#include <QtGlobal>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace aprop_testing {

/// The message handler and the expectations it consults; warnings may come
/// from any thread (a network worker, say), hence the lock.
class QtWarningHandler {
public:
    static void install() { previous_ = qInstallMessageHandler(&QtWarningHandler::handle); }

    static void add(ExpectedQtWarning* expected) {
        const std::lock_guard lock(mutex_);
        expected_.push_back(expected);
    }

    /// How many warnings `expected` matched.
    static int remove(ExpectedQtWarning* expected) {
        const std::lock_guard lock(mutex_);
        expected_.erase(std::remove(expected_.begin(), expected_.end(), expected), expected_.end());
        return expected->seen_;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type != QtDebugMsg && type != QtInfoMsg && !platformNotice(message) &&
            !matchExpected(message))
            ADD_FAILURE() << "Qt warning: " << message.toStdString();
        if (previous_) previous_(type, context, message);
    }

    // The offscreen platform says what it cannot do ("This plugin does not
    // support propagateSizeHints()", "… raise()" for a tooltip) and what the
    // environment lacks; neither is about the code under test.
    static bool platformNotice(const QString& message) {
        return message.contains(QStringLiteral("This plugin does not support")) ||
               message.contains(QStringLiteral("XDG_RUNTIME_DIR not set"));
    }

    static bool matchExpected(const QString& message) {
        const std::lock_guard lock(mutex_);
        for (ExpectedQtWarning* expected : expected_) {
            if (message.contains(expected->text_)) {
                ++expected->seen_;
                return true;
            }
        }
        return false;
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline std::mutex mutex_;
    static inline std::vector<ExpectedQtWarning*> expected_;
};

void failTestsOnQtWarnings() {
    QtWarningHandler::install();
}

ExpectedQtWarning::ExpectedQtWarning(QString text) : text_(std::move(text)) {
    QtWarningHandler::add(this);
}

ExpectedQtWarning::~ExpectedQtWarning() {
    if (QtWarningHandler::remove(this) == 0)
        ADD_FAILURE() << "expected a Qt warning containing \"" << text_.toStdString()
                      << "\"; none came";
}

}  // namespace aprop_testing
