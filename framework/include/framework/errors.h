#pragma once

#include <QString>

#include <stdexcept>

#include "framework/export.h"

namespace framework {

/// A failure of a framework service; the message is meant for the user.
class FRAMEWORK_EXPORT Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    QString message() const { return QString::fromUtf8(what()); }
};

/// A remote call that failed or was refused: the server's own text, or the
/// host and port that could not be reached.
class FRAMEWORK_EXPORT ServerCallError : public Error {
public:
    using Error::Error;
};

}  // namespace framework
