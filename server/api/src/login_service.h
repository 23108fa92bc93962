#pragma once

#include <string>

#include "appserver/api/login_throttle.h"
#include "appserver/api/server_settings.h"
#include "appserver/api/session_store.h"
#include "appserver/storage/database.h"
#include "appserver/stores/password_hasher.h"

namespace appserver {

/// Login: the throttles, the operator's password and branch, and the new session.
class LoginService {
public:
    LoginService(Database& db, SessionStore& sessions, const ServerSettings& settings);

    struct Result {
        std::string token;
        SessionInfo session;
    };

    /// Opens a session for the operator. Throws ApiError: too_many_requests
    /// while the user or the address is locked out, unauthenticated for a
    /// wrong user, password or branch alike; DatabaseUnavailable.
    Result login(const std::string& user, const std::string& password, const std::string& branch,
                 const std::string& address);

private:
    Database& db_;
    SessionStore& sessions_;
    PasswordHasher hasher_;
    LoginThrottle users_;
    LoginThrottle addresses_;
    std::string dummyHash_;  ///< checked for unknown users so that they cost the same time
};

}  // namespace appserver
