#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/export.h"
#include "framework/remote_call.h"
#include "protocol/method.h"

namespace httplib {
class Client;
}

namespace framework {

class TNetConnection;

/// The late-bound interface to the server module: its methods, as the
/// contract (protocol/) describes them.
class FRAMEWORK_EXPORT AppServerProxy {
public:
    explicit AppServerProxy(TNetConnection& connection) : connection_(connection) {}
    /// POST /v1/call {"server", "method", "args"} with the session's bearer
    /// token; returns the answer's packet (an empty one for a null answer).
    ///
    /// The arguments must be those `method` takes, in number and kind: a
    /// mismatch is a fault of the caller, thrown as framework::Error naming
    /// the method and the argument before anything is sent. A failure of the
    /// call itself throws ServerCallError (CheckResultServ), after:
    ///   - a 401 (the session ended): the installed ReauthenticationService
    ///     is asked for a new session and, when it opens one, the call is
    ///     sent once more;
    ///   - a read answered 503 with a Retry-After of at most
    ///     kQuietRetryMaxSeconds: sent once more after that wait.
    platform::dataset::DataPacket call(const protocol::Method& method,
                                       const std::vector<RemoteArg>& args = {});

    /// The longest wait the server may ask for before a read is sent again
    /// without telling the user.
    static constexpr int kQuietRetryMaxSeconds = 2;

private:
    TNetConnection& connection_;
};

/// The HTTP keep-alive connection to the application server.
///
/// Setting Connected true raises OnBeforeConnect first (where the screen
/// sets host and port), then checks GET /v1/health. A failed connection
/// stays disconnected and lastError() tells why (host and port included);
/// the calls then report the failure. A call on a disconnected connection
/// connects first. TCP_NODELAY is on: without it each small request waits
/// for the peer's delayed acknowledgement.
class FRAMEWORK_EXPORT TNetConnection : public QObject {
    Q_OBJECT
public:
    explicit TNetConnection(QObject* parent = nullptr);
    ~TNetConnection() override;

    QString ServerName() const { return serverName_; }
    void setServerName(const QString& name) { serverName_ = name; }
    QString Host() const { return host_; }
    void setHost(const QString& host);
    int Port() const { return port_; }
    void setPort(int port);
    bool Connected() const { return connected_; }
    void setConnected(bool on);
    QString lastError() const { return lastError_; }

    /// Raised with the connection as sender before every connection attempt.
    std::function<void(QObject* sender)> OnBeforeConnect;

    AppServerProxy& AppServer() { return proxy_; }

private:
    friend class AppServerProxy;
    RemoteResult post(std::string_view method, const std::string& body);
    bool connect();
    void dropClient();

    QString serverName_;
    QString host_;
    int port_ = 0;
    bool connected_ = false;
    QString lastError_;
    std::unique_ptr<httplib::Client> client_;
    AppServerProxy proxy_{*this};
};

/// The answer of a successful login.
struct LoginAnswer {
    QString token;
    QString user;
    QString name;
    QString branch;
};

/// POST /v1/login for the host. Throws ServerCallError: "Usuário ou senha
/// inválidos." (or the server's own text) when refused, host:port when the
/// server cannot be reached.
FRAMEWORK_EXPORT LoginAnswer ServerLogin(const QString& host, int port, const QString& user,
                                         const QString& password, const QString& branch);

/// Hooks for scripted runs, tests and benchmarks, process-wide: make the
/// next calls of a method fail as a broken connection would, count the
/// calls made of each method (failed ones included), and add up the time
/// spent waiting for them (sending, the server's work, reading the answer).
class FRAMEWORK_EXPORT NetScript {
public:
    static void failNextCalls(const std::string& method, int count);
    static int callCount(const std::string& method);
    /// Seconds spent in remote calls since the last reset.
    static double callSeconds();
    static void reset();
};

}  // namespace framework
