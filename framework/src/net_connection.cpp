#include "framework/net_connection.h"

#include <chrono>
#include <thread>

#include <httplib.h>

#include <nlohmann/json.hpp>

#include "framework/corvix.h"
#include "framework/errors.h"
#include "framework/reauthentication.h"
#include "http_limits.h"
#include "net_script_state.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"

namespace framework {

namespace {

std::unique_ptr<httplib::Client> makeClient(const QString& host, int port) {
    auto client = std::make_unique<httplib::Client>(host.toStdString(), port);
    client->set_keep_alive(true);
    client->set_tcp_nodelay(true);
    client->set_connection_timeout(http::kConnectTimeoutSeconds, 0);
    client->set_read_timeout(http::kReadTimeoutSeconds, 0);
    client->set_write_timeout(http::kWriteTimeoutSeconds, 0);
    return client;
}

/// The failure a refused call carries: {"error": {"code", "message"}}.
void readServerError(const std::string& body, RemoteResult& result) {
    const auto doc = nlohmann::json::parse(body, nullptr, false);
    if (doc.is_object() && doc.contains("error") && doc["error"].is_object()) {
        const auto& error = doc["error"];
        result.status = RemoteResult::Status::ServerError;
        if (error.contains("code") && error["code"].is_string())
            result.errorCode = error["code"].get<std::string>();
        if (error.contains("message") && error["message"].is_string())
            result.message = error["message"].get<std::string>();
        return;
    }
    result.status = RemoteResult::Status::BadReply;
    result.message = "estado HTTP " + std::to_string(result.httpStatus) + " sem descrição do erro";
}

void readAnswer(const std::string& body, RemoteResult& result) {
    try {
        if (auto packet = platform::dataset::decodeDataPacketMember(body, "result"))
            result.packet = std::move(*packet);
    } catch (const platform::dataset::Error& e) {
        result.status = RemoteResult::Status::BadReply;
        result.message = e.what();
    }
}

}  // namespace

TNetConnection::TNetConnection(QObject* parent) : QObject(parent) {}

TNetConnection::~TNetConnection() = default;

void TNetConnection::setHost(const QString& host) {
    if (host == host_) return;
    host_ = host;
    dropClient();
}

void TNetConnection::setPort(int port) {
    if (port == port_) return;
    port_ = port;
    dropClient();
}

void TNetConnection::dropClient() {
    client_.reset();
    connected_ = false;
}

void TNetConnection::setConnected(bool on) {
    if (!on) {
        dropClient();
        return;
    }
    if (connected_) return;
    if (OnBeforeConnect) OnBeforeConnect(this);
    connect();
}

bool TNetConnection::connect() {
    if (host_.isEmpty() || port_ <= 0) {
        lastError_ =
            QStringLiteral("Servidor de aplicação não configurado (endereço \"%1\", porta %2).")
                .arg(host_)
                .arg(port_);
        return false;
    }
    client_ = makeClient(host_, port_);
    const auto res = client_->Get(http::kHealthPath);
    if (!res || res->status != 200) {
        lastError_ =
            QStringLiteral("Não foi possível comunicar com o servidor de aplicação em %1:%2.")
                .arg(host_)
                .arg(port_);
        client_.reset();
        return false;
    }
    connected_ = true;
    lastError_.clear();
    return true;
}

RemoteResult TNetConnection::post(std::string_view method, const std::string& body) {
    // Every way out counts the time waited (benchmarks split a step by it).
    struct Timed {
        std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
        ~Timed() { recordCallTime(std::chrono::steady_clock::now() - started); }
    } timed;
    RemoteResult result;
    result.method = std::string(method);
    result.host = host_.toStdString();
    result.port = port_;
    if (recordCallAndCheckFailure(result.method)) {
        result.status = RemoteResult::Status::ConnectionFailed;
        result.message = "falha de conexão provocada pelo roteiro de teste";
        return result;
    }
    if (!connected_) {
        if (OnBeforeConnect) OnBeforeConnect(this);
        result.host = host_.toStdString();
        result.port = port_;
        if (!connect()) {
            result.status = RemoteResult::Status::ConnectionFailed;
            result.message = lastError_.toStdString();
            return result;
        }
    }

    httplib::Headers headers;
    if (const QString token = SessionToken(); !token.isEmpty()) {
        headers.emplace("Authorization", "Bearer " + token.toStdString());
    }
    const auto res = client_->Post(http::kCallPath, headers, body, "application/json");
    if (!res) {
        result.status = RemoteResult::Status::ConnectionFailed;
        result.message = httplib::to_string(res.error());
        connected_ = false;  // the next call checks the server again
        return result;
    }
    result.httpStatus = res->status;
    if (res->has_header("Retry-After")) {
        bool isNumber = false;
        const int seconds =
            QString::fromStdString(res->get_header_value("Retry-After")).toInt(&isNumber);
        if (isNumber && seconds >= 0) result.retryAfterSeconds = seconds;
    }
    if (res->status == 200) {
        readAnswer(res->body, result);
    } else {
        readServerError(res->body, result);
    }
    return result;
}

namespace {

/// Throws framework::Error unless `args` are those `method` takes.
void checkArguments(const protocol::Method& method, const std::vector<RemoteArg>& args) {
    const auto fault = [&](const std::string& what) {
        throw Error(QStringLiteral("Chamada ao servidor de aplicação fora do contrato: %1")
                        .arg(QString::fromStdString(what)));
    };
    if (args.size() != method.args.size()) fault(protocol::argumentCountError(method, args.size()));
    for (std::size_t i = 0; i < args.size(); ++i)
        if (args[i].kind() != method.args[i].kind) fault(protocol::argumentKindError(method, i));
}

}  // namespace

platform::dataset::DataPacket AppServerProxy::call(const protocol::Method& method,
                                                   const std::vector<RemoteArg>& args) {
    checkArguments(method, args);
    const std::string name(method.name);
    nlohmann::json body = {{"server", connection_.ServerName().toStdString()},
                           {"method", name},
                           {"args", nlohmann::json::array()}};
    for (const RemoteArg& arg : args) body["args"].push_back(arg.toJson());
    const std::string request = body.dump();

    RemoteResult result = connection_.post(name, request);
    if (result.httpStatus == 401) {
        // The server did nothing with a call it did not authenticate: once
        // a new session is open, the same call goes again.
        if (RenewSession(result.failureText())) result = connection_.post(name, request);
    } else if (method.effect == protocol::Effect::Reads && result.httpStatus == 503 &&
               result.retryAfterSeconds && *result.retryAfterSeconds <= kQuietRetryMaxSeconds) {
        std::this_thread::sleep_for(std::chrono::seconds(*result.retryAfterSeconds));
        result = connection_.post(name, request);
    }
    return CheckResultServ(std::move(result));
}

}  // namespace framework
