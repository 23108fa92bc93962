#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace platform {

/// The one place where handlers that Qt calls are run. A silent abort
/// (dataset::Abort) ends the handler with no message; any other exception
/// is shown through the dialog service as an error with its message.
/// Nothing escapes into Qt's event loop. Returns true when the handler
/// completed normally.
bool dispatch(const std::function<void()>& handler) noexcept;

/// Shows what `error` holds as dispatch() would (nothing for a silent abort).
void reportException(std::exception_ptr error) noexcept;

/// The text dispatch() shows for an exception.
QString exceptionMessage(std::exception_ptr error);

}  // namespace platform
