#include "framework/failures.h"

#include <QtGlobal>

#include "platform/dataset/errors.h"
#include "platform/ui/dispatch.h"

namespace framework {

namespace {

void logFailure(const QString& what, const std::exception_ptr& error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const platform::dataset::Abort&) {
        return;  // a silent abort has nothing to say
    } catch (...) {
    }
    try {
        QString text = platform::ui::exceptionMessage(error);
        if (text.isEmpty()) text = QStringLiteral("interrompido sem mensagem");
        qWarning("%s não terminou: %s", qUtf8Printable(what), qUtf8Printable(text));
    } catch (...) {
        // Nothing is left to tell it with.
    }
}

}  // namespace

bool RunDroppingFailure(const QString& what, const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (...) {
        logFailure(what, std::current_exception());
        return false;
    }
}

void RunDuringFailure(const QString& what, const std::function<void()>& action) noexcept {
    try {
        action();
    } catch (...) {
        logFailure(what, std::current_exception());
    }
}

}  // namespace framework
