#include "platform/ui/dispatch.h"

#include <QtGlobal>

#include "platform/dataset/errors.h"
#include "platform/ui/dialog_service.h"

namespace platform::ui {

QString exceptionMessage(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Erro desconhecido.");
    }
}

void reportException(const std::exception_ptr& error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const platform::dataset::Abort&) {
        return;
    } catch (...) {
    }
    QString text;
    try {
        text = exceptionMessage(error);
        dialogs().error(text);
    } catch (const std::exception& e) {
        // The error could not be shown; the log is the last place left for it.
        qCritical("Error not shown (%s): %s", e.what(), qUtf8Printable(text));
    } catch (...) {
        qCritical("Error not shown: %s", qUtf8Printable(text));
    }
}

bool dispatch(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        reportException(std::current_exception());
        return false;
    }
}

}  // namespace platform::ui
