#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <memory>
#include <string>

namespace appserver::hatest {

/// What came back: the status, 0 when no answer arrived (the connection
/// broke or timed out), and the body.
struct Answer {
    int status = 0;
    nlohmann::json body;
    std::string failure;  ///< why no answer arrived
};

/// The set-up of scripts/ha-tmp as the test sees it, from its environment.
struct HaSetup {
    std::string proxyUrl;  ///< http://127.0.0.1:PORT
    int proxyPort = 0;
    std::string control;  ///< the ha-tmp script
    int maxConnectionsPerAddress = 0;

    /// Fails (throws) naming what is missing when not run under ha-tmp.
    static HaSetup fromEnvironment();
    /// Runs `ha-tmp ARGS` (a part killed or restarted); throws, with what it
    /// wrote, unless it succeeds.
    void run(const std::string& args) const;
};

/// One client of the protocol through the proxy: one keep-alive connection,
/// its session's token kept after a login.
class ProxyClient {
public:
    /// With `sourceAddress` (a loopback address such as 127.0.0.12) its
    /// connections come from there, as from a desktop of its own.
    explicit ProxyClient(const HaSetup& setup, const std::string& sourceAddress = {});

    Answer login(const std::string& user, const std::string& password,
                 const std::string& branch = "0001");
    Answer call(const std::string& method, const nlohmann::json& args);
    const std::string& token() const { return token_; }
    /// Connections that could not be made from the source address.
    int bindFailures() const { return *bindFailures_; }

private:
    Answer answerOf(const httplib::Result& result);

    std::shared_ptr<std::atomic<int>> bindFailures_ = std::make_shared<std::atomic<int>>(0);
    httplib::Client http_;
    std::string token_;
};

}  // namespace appserver::hatest
