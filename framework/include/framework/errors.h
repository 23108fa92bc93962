#pragma once

#include <QString>

#include <stdexcept>
#include <string>
#include <utility>

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
/// host and port that could not be reached. A refusal keeps what the server
/// said besides its text, so that a caller can tell a conflict from another
/// refusal without reading the text.
class FRAMEWORK_EXPORT ServerCallError : public Error {
public:
    using Error::Error;
    ServerCallError(const QString& message, std::string method, std::string code, int httpStatus)
        : Error(message),
          method_(std::move(method)),
          code_(std::move(code)),
          httpStatus_(httpStatus) {}

    /// The remote method called ("SetAtividades"); empty when not known.
    const std::string& method() const { return method_; }
    /// The protocol's error code ("conflict", "invalid", "forbidden", …);
    /// empty when the server gave none (it could not be reached, or its
    /// answer was unreadable).
    const std::string& code() const { return code_; }
    /// The HTTP status of the answer; 0 when there was no answer.
    int httpStatus() const { return httpStatus_; }
    /// The row the call meant to change was changed or deleted by someone
    /// else since it was read.
    bool isConflict() const { return code_ == "conflict"; }

private:
    std::string method_;
    std::string code_;
    int httpStatus_ = 0;
};

}  // namespace framework
