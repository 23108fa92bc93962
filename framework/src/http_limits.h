#pragma once

#include <ctime>

namespace framework::http {

// Time limits of the connection to the application server.
inline constexpr std::time_t kConnectTimeoutSeconds = 5;
inline constexpr std::time_t kReadTimeoutSeconds = 60;
inline constexpr std::time_t kWriteTimeoutSeconds = 30;

inline constexpr const char* kHealthPath = "/v1/health";
inline constexpr const char* kCallPath = "/v1/call";
inline constexpr const char* kLoginPath = "/v1/login";

}  // namespace framework::http
