#pragma once

#include "appserver/api/server_settings.h"
#include "appserver/api/session_store.h"
#include "appserver/api/trusted_proxies.h"
#include "appserver/http/server.h"
#include "appserver/remote/remote_modules.h"
#include "appserver/remote/server_clock.h"
#include "appserver/storage/database.h"
#include "login_service.h"

namespace appserver {

/// Protocol v1: the endpoints, their JSON bodies and the error form.
class HttpApi {
public:
    HttpApi(Database& db, const ServerClock& clock, const ServerSettings& settings);

    /// Registers the routes, the error form and the request log on `server`.
    void install(http::Server& server);

    SessionStore& sessions() { return sessions_; }

private:
    void health(const http::Request& req, http::Response& res);
    void login(const http::Request& req, http::Response& res);
    void logout(const http::Request& req, http::Response& res);
    void call(const http::Request& req, http::Response& res);

    /// Who sent the request: the peer, or for a trusted proxy the last
    /// address of X-Forwarded-For.
    TrustedProxies::Client client(const http::Request& req) const;

    /// The session of the bearer token; ApiError(unauthenticated) otherwise.
    std::pair<std::string, SessionInfo> authenticate(const http::Request& req);
    /// Before the body of a call or logout is read: false, with the 401
    /// answer in `res`, when the token opens no session.
    bool hasSession(const http::Request& req, http::Response& res);

    Database& db_;
    RemoteModules modules_;
    SessionStore sessions_;
    LoginService login_;
    TrustedProxies trustedProxies_;
    std::size_t maxBodyBytes_;
};

}  // namespace appserver
