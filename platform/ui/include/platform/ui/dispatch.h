#pragma once

#include <QString>

#include <concepts>
#include <exception>
#include <functional>
#include <utility>

#include "platform/ui/export.h"

namespace platform::ui {

/// The one place where handlers that Qt calls are run. A silent abort
/// (platform::dataset::Abort) ends the handler with no message; any other exception
/// is shown through the dialog service as an error with its message.
/// Nothing escapes into Qt's event loop. Returns true when the handler
/// completed normally.
PLATFORM_UI_EXPORT bool dispatch(const std::function<void()>& handler) noexcept;

/// Wraps a handler for a Qt connection so that it runs through dispatch():
///   connect(button, &QToolButton::clicked, form, platform::ui::guarded([this] { ... }));
/// The arguments of the signal are passed on when the handler takes them.
template <typename Handler>
auto guarded(Handler handler) {
    return [handler = std::move(handler)]<typename... Args>(
        Args && ... args) requires std::invocable<const Handler&, Args...> {
        dispatch([&] { handler(std::forward<Args>(args)...); });
    };
}

/// Shows what `error` holds as dispatch() would (nothing for a silent abort).
PLATFORM_UI_EXPORT void reportException(const std::exception_ptr& error) noexcept;

/// The text dispatch() shows for an exception.
PLATFORM_UI_EXPORT QString exceptionMessage(const std::exception_ptr& error);

}  // namespace platform::ui
