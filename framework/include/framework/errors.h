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

/// The one failure of a call to the application server: what the server
/// said (its code, the HTTP status and its text) or, with status 0, that no
/// answer came. The message is meant for the user; the rest lets a caller
/// tell the kinds apart without reading the text.
class FRAMEWORK_EXPORT ServerCallError : public Error {
public:
    /// `httpStatus` 0: no answer came (the server could not be reached, or
    /// the connection broke or timed out before its answer).
    ServerCallError(const QString& message, std::string method, std::string code, int httpStatus)
        : Error(message),
          method_(std::move(method)),
          code_(std::move(code)),
          httpStatus_(httpStatus) {}

    /// The remote method called ("SetAtividades"), or the service ("login").
    const std::string& method() const { return method_; }
    /// The protocol's error code ("conflict", "invalid", "forbidden", …);
    /// empty when the server gave none.
    const std::string& code() const { return code_; }
    /// The HTTP status of the answer; 0 when there was no answer.
    int httpStatus() const { return httpStatus_; }

    /// The row the call meant to change was changed or deleted by someone
    /// else since it was read.
    bool isConflict() const { return code_ == "conflict"; }
    /// The session is no longer valid: its idle or maximum age was reached,
    /// or the server lost it (a restart). Logging in again may go on.
    bool isUnauthenticated() const { return httpStatus_ == 401; }
    /// Nothing was done and the same call may work a little later: no
    /// answer came, or the server (or a proxy in front of it) could not
    /// serve it now (busy, database down, too many requests).
    bool isUnavailable() const;
    /// The server refused what was asked, saying why (a rule, a permission,
    /// a malformed request): asking again unchanged gets the same answer.
    bool isRefusal() const;

private:
    std::string method_;
    std::string code_;
    int httpStatus_ = 0;
};

}  // namespace framework
