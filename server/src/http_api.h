#pragma once

#include <httplib.h>

#include "apropriacao_module.h"
#include "database.h"
#include "login_service.h"
#include "server_clock.h"
#include "server_settings.h"
#include "session_store.h"

namespace appserver {

/// Protocol v1: the endpoints, their JSON bodies and the error form.
class HttpApi {
public:
    HttpApi(Database& db, const ServerClock& clock, const ServerSettings& settings);

    /// Registers the routes, the error form and the request log on `server`.
    void install(httplib::Server& server);

    SessionStore& sessions() { return sessions_; }

private:
    void health(const httplib::Request& req, httplib::Response& res);
    void login(const httplib::Request& req, httplib::Response& res);
    void logout(const httplib::Request& req, httplib::Response& res);
    void call(const httplib::Request& req, httplib::Response& res);

    /// The session of the bearer token; ApiError(unauthenticated) otherwise.
    std::pair<std::string, SessionInfo> authenticate(const httplib::Request& req);

    Database& db_;
    ApropriacaoModule module_;
    SessionStore sessions_;
    LoginService login_;
};

}  // namespace appserver
