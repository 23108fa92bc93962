#pragma once

#include <stdexcept>
#include <string>

namespace appserver {

/// The failure kinds of the protocol; the API gives each its name and HTTP status.
enum class ErrorCode {
    BadRequest,
    Unauthenticated,
    Forbidden,
    NotFound,
    Timeout,
    Conflict,
    TooLarge,
    UnsupportedMediaType,
    Invalid,
    HeadersTooLarge,
    Throttled,
    Internal,
    Unavailable,
};

/// A failure that reaches the client as {"error":{"code":…,"message":…}}. The
/// message is meant for the user (Portuguese, as the rest of the system).
class ApiError : public std::runtime_error {
public:
    ApiError(ErrorCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ErrorCode code() const { return code_; }

private:
    ErrorCode code_;
};

inline ApiError badRequest(const std::string& m) {
    return {ErrorCode::BadRequest, m};
}
inline ApiError forbidden(const std::string& m) {
    return {ErrorCode::Forbidden, m};
}
inline ApiError invalid(const std::string& m) {
    return {ErrorCode::Invalid, m};
}
inline ApiError conflict(const std::string& m) {
    return {ErrorCode::Conflict, m};
}

}  // namespace appserver
