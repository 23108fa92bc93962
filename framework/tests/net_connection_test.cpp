#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <thread>

#include "framework/corvix.h"
#include "framework/errors.h"
#include "framework/net_connection.h"
#include "framework/reauthentication.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"
#include "platform/ui/scripted_dialog_service.h"
#include "protocol/apropriacao.h"

using framework::RemoteArg;
using framework::ServerCallError;
using framework::TNetConnection;
using nlohmann::json;

namespace {

namespace apropriacao = protocol::apropriacao;

// Methods only the stand-in server below answers, described as the contract
// describes the real ones.
constexpr protocol::Arg kEveryKindArgs[] = {{protocol::ArgKind::Text, "filial"},
                                            {protocol::ArgKind::Text, "usuário"},
                                            {protocol::ArgKind::Date, "dia"},
                                            {protocol::ArgKind::DateTime, "instante"},
                                            {protocol::ArgKind::ChangePacket, "alterações"}};
constexpr protocol::Method kEveryKind{"getTudo", kEveryKindArgs, nullptr};
constexpr protocol::Method kBroken{"quebrado", {}, nullptr};
constexpr protocol::Method kCrashing{"explode", {}, nullptr};

const char* const kPacket =
    R"({"fields": [{"name": "SYSDATE", "type": "datetime"}], "rows": [["2026-12-08T10:15:00"]]})";

/// A stand-in application server on a free loopback port, answering by
/// method name and recording what it was sent.
class FakeAppServer {
public:
    FakeAppServer() {
        server_.set_tcp_nodelay(true);
        server_.set_keep_alive_max_count(1000);
        server_.Get("/v1/health", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(R"({"status": "ok"})", "application/json");
        });
        server_.Post("/v1/call", [this](const httplib::Request& req, httplib::Response& res) {
            answerCall(req, res);
        });
        server_.Post("/v1/login", [](const httplib::Request& req, httplib::Response& res) {
            const json body = json::parse(req.body);
            if (body["user"] == "maria" && body["password"] == "certa") {
                res.set_content(R"({"token": "T-123", "user": "maria", "name": "Maria Silva",)"
                                R"( "branch": "0001"})",
                                "application/json");
            } else if (body["user"] == "bloqueado") {
                res.status = 401;
                res.set_content(R"({"error": {"code": "LOCKED", "message": "Usuário bloqueado."}})",
                                "application/json");
            } else {
                res.status = 401;
            }
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~FakeAppServer() {
        server_.stop();
        thread_.join();
    }

    int port() const { return port_; }
    /// Calls carrying another bearer token than `token` are answered 401.
    void acceptOnlyToken(std::string token) {
        std::lock_guard lock(mutex_);
        validToken_ = std::move(token);
    }
    /// The next `count` calls are answered 503 with Retry-After `seconds`.
    void beBusy(int count, int seconds) {
        std::lock_guard lock(mutex_);
        busyCalls_ = count;
        retryAfter_ = seconds;
    }
    json lastBody() {
        std::lock_guard lock(mutex_);
        return lastBody_;
    }
    std::string lastAuthorization() {
        std::lock_guard lock(mutex_);
        return lastAuthorization_;
    }
    int calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    std::size_t clientPorts() {
        std::lock_guard lock(mutex_);
        return clientPorts_.size();
    }

private:
    void answerCall(const httplib::Request& req, httplib::Response& res) {
        const json body = json::parse(req.body, nullptr, false);
        {
            std::lock_guard lock(mutex_);
            ++calls_;
            lastBody_ = body;
            lastAuthorization_ = req.get_header_value("Authorization");
            clientPorts_.insert(req.remote_port);
            if (!validToken_.empty() && lastAuthorization_ != "Bearer " + validToken_) {
                res.status = 401;
                res.set_content(R"({"error": {"code": "unauthenticated", "message": )"
                                R"("Sessão inválida ou expirada. Entre novamente."}})",
                                "application/json");
                return;
            }
            if (busyCalls_ > 0) {
                --busyCalls_;
                res.status = 503;
                res.set_header("Retry-After", std::to_string(retryAfter_));
                res.set_content(R"({"error": {"code": "unavailable", "message": )"
                                R"("Banco de dados indisponível."}})",
                                "application/json");
                return;
            }
        }
        const std::string method = body.value("method", "");
        if (method == "getHoraServidor" || method == "getTudo") {
            res.set_content(std::string(R"({"result": )") + kPacket + "}", "application/json");
        } else if (method == "SetAtividades") {
            res.set_content(R"({"result": null})", "application/json");
        } else if (method == "getVdTarefa") {
            res.status = 422;
            res.set_content(
                R"({"error": {"code": "NOT_FOUND", "message": "Tarefa não cadastrada."}})",
                "application/json");
        } else if (method == "quebrado") {
            res.set_content("<html>oops</html>", "text/html");
        } else {
            res.status = 500;
            res.set_content("internal", "text/plain");
        }
    }

    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    json lastBody_;
    std::string lastAuthorization_;
    int calls_ = 0;
    std::set<int> clientPorts_;
    std::string validToken_;
    int busyCalls_ = 0;
    int retryAfter_ = 0;
};

/// A re-authentication that opens the session `token`, or gives up, and
/// counts how often it was asked; `during` runs while it "shows its dialog".
struct ScriptedRenewal : framework::ReauthenticationService {
    bool reauthenticate(const QString& reason) override {
        ++asked;
        reasons << reason;
        if (during) during();
        if (!token) return false;
        framework::LoginValues values{QStringLiteral("maria"),
                                      QStringLiteral("Maria Silva"),
                                      QStringLiteral("0001"),
                                      QStringLiteral("127.0.0.1"),
                                      port,
                                      *token};
        framework::SetLoginValues(values);
        return true;
    }
    int port = 0;
    std::optional<QString> token;
    std::function<void()> during;
    int asked = 0;
    QStringList reasons;
};

/// A loopback port where nothing listens: bound by the system, then released.
int closedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return 1;  // a privileged port nobody serves here
    }
    ::close(fd);
    return ntohs(addr.sin_port);
}

struct ConnectionFixture : ::testing::Test {
    ConnectionFixture() {
        framework::NetScript::reset();
        framework::SetLoginValues({QStringLiteral("maria"), QStringLiteral("Maria Silva"),
                                   QStringLiteral("0001"), QStringLiteral("127.0.0.1"),
                                   server.port(), QStringLiteral("T-123")});
        net.setServerName(QStringLiteral("Zep00700.rdmApropriacao"));
        net.OnBeforeConnect = [this](QObject* sender) {
            events.push_back("before-connect");
            EXPECT_EQ(sender, &net);
            net.setHost(framework::WebURL());
            net.setPort(framework::WebPort());
        };
    }
    ~ConnectionFixture() override {
        framework::SetLoginValues({});
        framework::NetScript::reset();
    }

    FakeAppServer server;
    TNetConnection net;
    std::vector<std::string> events;
};

}  // namespace

TEST_F(ConnectionFixture, ConnectingRaisesBeforeConnectFirstThenChecksTheServer) {
    EXPECT_FALSE(net.Connected());
    net.setConnected(true);
    EXPECT_EQ(events, std::vector<std::string>{"before-connect"});
    EXPECT_TRUE(net.Connected());
    EXPECT_EQ(net.Host(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(net.Port(), server.port());
    net.setConnected(true);  // already connected: no second event
    EXPECT_EQ(events.size(), 1u);
    net.setConnected(false);
    EXPECT_FALSE(net.Connected());
}

/// The failure a call throws (the test fails when it throws none).
ServerCallError failureOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ServerCallError& e) {
        return e;
    }
    ADD_FAILURE() << "the call did not fail";
    return ServerCallError(QString(), {}, {}, -1);
}

TEST_F(ConnectionFixture, CallSendsServerMethodTypedArgumentsAndTheSessionToken) {
    platform::dataset::ChangePacket delta;
    delta.fields.push_back({"HORAINI", platform::dataset::FieldType::String, 8});
    delta.changes.push_back(
        {platform::dataset::RowChange::Op::Insert, {}, {platform::dataset::Value("08:00:00")}});

    net.setConnected(true);
    const platform::dataset::DataPacket packet = net.AppServer().call(
        kEveryKind, {RemoteArg(QStringLiteral("0001")), RemoteArg("maria"),
                     RemoteArg::date(platform::dataset::DateTime{2026, 12, 8, 9, 0, 0}),
                     RemoteArg::dateTime(platform::dataset::DateTime{2026, 12, 8, 9, 30, 15}),
                     RemoteArg::delta(delta)});

    const json sent = server.lastBody();
    EXPECT_EQ(sent["server"], "Zep00700.rdmApropriacao");
    EXPECT_EQ(sent["method"], "getTudo");
    ASSERT_EQ(sent["args"].size(), 5u);
    EXPECT_EQ(sent["args"][0], "0001");
    EXPECT_EQ(sent["args"][1], "maria");
    EXPECT_EQ(sent["args"][2], (json{{"date", "2026-12-08"}}));  // a date carries no time
    EXPECT_EQ(sent["args"][3], (json{{"datetime", "2026-12-08T09:30:15"}}));
    EXPECT_EQ(sent["args"][4]["delta"], platform::dataset::toJson(delta));
    EXPECT_EQ(server.lastAuthorization(), "Bearer T-123");

    ASSERT_EQ(packet.rows.size(), 1u);
    EXPECT_EQ(packet.rows[0][0].asDateTime(),
              (platform::dataset::DateTime{2026, 12, 8, 10, 15, 0}));
}

TEST_F(ConnectionFixture, ANullResultIsAnEmptyPacket) {
    const platform::dataset::DataPacket packet = net.AppServer().call(
        apropriacao::setAtividades, {RemoteArg::delta({})});  // connects on its own
    EXPECT_EQ(events, std::vector<std::string>{"before-connect"});
    EXPECT_TRUE(packet.rows.empty());
    EXPECT_TRUE(packet.fields.empty());
}

TEST_F(ConnectionFixture, ARefusalCarriesTheServersCodeStatusAndText) {
    const ServerCallError e = failureOf([&] {
        net.AppServer().call(apropriacao::getVdTarefa,
                             {RemoteArg("0001"), RemoteArg("0000000123")});
    });
    EXPECT_EQ(e.message(), QStringLiteral("Tarefa não cadastrada."));
    EXPECT_EQ(e.code(), "NOT_FOUND");
    EXPECT_EQ(e.httpStatus(), 422);
    EXPECT_EQ(e.method(), "getVdTarefa");
    EXPECT_TRUE(e.isRefusal());
    EXPECT_FALSE(e.isConflict());
    EXPECT_FALSE(e.isUnavailable());
    EXPECT_FALSE(e.isUnauthenticated());
}

TEST_F(ConnectionFixture, UnreadableAnswersAreReportedAsSuch) {
    const ServerCallError html = failureOf([&] { net.AppServer().call(kBroken); });
    EXPECT_EQ(html.httpStatus(), 200);
    EXPECT_TRUE(html.message().startsWith(QStringLiteral("Resposta inválida")));
    const ServerCallError crash = failureOf([&] { net.AppServer().call(kCrashing); });
    EXPECT_EQ(crash.httpStatus(), 500);
    EXPECT_TRUE(crash.message().contains(QStringLiteral("explode")));
    EXPECT_FALSE(crash.isRefusal());
    EXPECT_FALSE(crash.isUnavailable());
}

TEST_F(ConnectionFixture, AnUnreachableServerIsUnavailableAndTheConnectionNamesWhere) {
    const int port = closedPort();
    net.OnBeforeConnect = [&](QObject*) {
        net.setHost(QStringLiteral("127.0.0.1"));
        net.setPort(port);
    };
    net.setConnected(true);  // no exception: not connected, and why
    EXPECT_FALSE(net.Connected());
    EXPECT_TRUE(net.lastError().contains(QStringLiteral("127.0.0.1:%1").arg(port)))
        << net.lastError().toStdString();

    const ServerCallError e =
        failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    // One text in the user's language, no library's words in it.
    EXPECT_EQ(e.message(), framework::ServerUnavailableText());
    EXPECT_TRUE(e.code().empty()) << "no server answered";
    EXPECT_EQ(e.httpStatus(), 0);
    EXPECT_EQ(e.method(), "getHoraServidor");
    EXPECT_TRUE(e.isUnavailable());
    EXPECT_FALSE(e.isRefusal());
}

TEST_F(ConnectionFixture, ABusyServerIsUnavailableAndAShortWaitIsTakenQuietlyOnceByAReadOnly) {
    // A read told to come back in a second goes again, once, and nobody hears of it.
    server.beBusy(1, 1);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(net.AppServer().call(apropriacao::getHoraServidor).rows.size(), 1u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(900));
    EXPECT_EQ(server.calls(), 2);

    // Busy twice: the second answer is the one the caller gets.
    server.beBusy(2, 0);
    ServerCallError e = failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    EXPECT_EQ(e.httpStatus(), 503);
    EXPECT_TRUE(e.isUnavailable());
    EXPECT_EQ(e.message(), framework::ServerUnavailableText()) << "not the database's own words";
    EXPECT_EQ(server.calls(), 4);

    // A long wait is the user's to decide.
    server.beBusy(1, framework::AppServerProxy::kQuietRetryMaxSeconds + 1);
    e = failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    EXPECT_EQ(server.calls(), 5);

    // A write is never sent twice by itself.
    server.beBusy(1, 0);
    e = failureOf(
        [&] { net.AppServer().call(apropriacao::setAtividades, {RemoteArg::delta({})}); });
    EXPECT_TRUE(e.isUnavailable());
    EXPECT_EQ(server.calls(), 6);
}

TEST_F(ConnectionFixture, AnEndedSessionIsRenewedAndTheCallSentAgainOnce) {
    ScriptedRenewal renewal;
    renewal.port = server.port();
    renewal.token = QStringLiteral("T-456");
    framework::ScopedReauthenticationService installed(renewal);
    server.acceptOnlyToken("T-456");

    // A write too: the server did nothing with a call it did not authenticate.
    EXPECT_NO_THROW(net.AppServer().call(apropriacao::setAtividades, {RemoteArg::delta({})}));
    EXPECT_EQ(renewal.asked, 1);
    EXPECT_EQ(renewal.reasons,
              QStringList{QStringLiteral("Sessão inválida ou expirada. Entre novamente.")});
    EXPECT_EQ(server.calls(), 2);
    EXPECT_EQ(server.lastAuthorization(), "Bearer T-456");

    // The new session serves the next calls without asking again.
    net.AppServer().call(apropriacao::getHoraServidor);
    EXPECT_EQ(renewal.asked, 1);
    EXPECT_EQ(server.calls(), 3);
}

TEST_F(ConnectionFixture, AnEndedSessionNotRenewedFailsAsUnauthenticated) {
    server.acceptOnlyToken("T-999");
    // Without a service installed: the 401 as it came.
    ServerCallError e = failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    EXPECT_TRUE(e.isUnauthenticated());
    EXPECT_FALSE(e.isRefusal());
    EXPECT_EQ(server.calls(), 1);

    // The user gives up: nothing sent again.
    ScriptedRenewal renewal;
    framework::ScopedReauthenticationService installed(renewal);
    e = failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    EXPECT_TRUE(e.isUnauthenticated());
    EXPECT_EQ(e.message(), QStringLiteral("Sessão inválida ou expirada. Entre novamente."));
    EXPECT_EQ(renewal.asked, 1);
    EXPECT_EQ(server.calls(), 2);
}

TEST_F(ConnectionFixture, NeverTwoRenewalsAtOnce) {
    ScriptedRenewal renewal;
    renewal.port = server.port();
    renewal.token = QStringLiteral("T-456");
    server.acceptOnlyToken("T-456");
    // A call made while the dialog is up (a timer's, say) fails instead of asking again.
    std::optional<ServerCallError> inner;
    renewal.during = [&] {
        inner = failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); });
    };
    framework::ScopedReauthenticationService installed(renewal);
    EXPECT_NO_THROW(net.AppServer().call(apropriacao::getHoraServidor));
    EXPECT_EQ(renewal.asked, 1);
    ASSERT_TRUE(inner.has_value());
    EXPECT_TRUE(inner->isUnauthenticated());
}

TEST_F(ConnectionFixture, KeepsOneConnectionAliveAcrossCalls) {
    for (int i = 0; i < 5; ++i) net.AppServer().call(apropriacao::getHoraServidor);
    EXPECT_EQ(server.calls(), 5);
    EXPECT_EQ(server.clientPorts(), 1u);
}

TEST_F(ConnectionFixture, ScriptedRunsCanBreakTheNextCallsOfAMethodAndCountThem) {
    framework::NetScript::failNextCalls("getHoraServidor", 2);
    EXPECT_TRUE(
        failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); }).isUnavailable());
    net.AppServer().call(apropriacao::setAtividades, {RemoteArg::delta({})});  // unaffected
    EXPECT_TRUE(
        failureOf([&] { net.AppServer().call(apropriacao::getHoraServidor); }).isUnavailable());
    net.AppServer().call(apropriacao::getHoraServidor);
    EXPECT_EQ(framework::NetScript::callCount("getHoraServidor"), 3);
    EXPECT_EQ(framework::NetScript::callCount("SetAtividades"), 1);
    EXPECT_EQ(framework::NetScript::callCount("GetDatas"), 0);
    EXPECT_EQ(server.calls(), 2);  // the failed ones never reached the server
    EXPECT_GT(framework::NetScript::callSeconds(), 0.0) << "the time the calls waited adds up";
    framework::NetScript::reset();
    EXPECT_EQ(framework::NetScript::callSeconds(), 0.0);
    EXPECT_EQ(framework::NetScript::callCount("getHoraServidor"), 0);
}

TEST_F(ConnectionFixture, ArgumentsOutsideTheContractAreRefusedBeforeAnythingIsSent) {
    const auto refusal = [&](const protocol::Method& method, const std::vector<RemoteArg>& args) {
        try {
            net.AppServer().call(method, args);
        } catch (const ServerCallError&) {
            // The stand-in server answers this method with a failure: it was sent.
        } catch (const framework::Error& e) {
            return e.message();
        }
        return QStringLiteral("(sent)");
    };
    const RemoteArg day = RemoteArg::date(platform::dataset::DateTime{2026, 12, 8, 0, 0, 0});
    EXPECT_EQ(refusal(apropriacao::getAtividades, {"000000000101", "0001"}),
              QStringLiteral("Chamada ao servidor de aplicação fora do contrato: "
                             "getAtividades espera 3 argumento(s) e recebeu 2"));
    EXPECT_EQ(refusal(apropriacao::getHoraServidor, {"0001"}),
              QStringLiteral("Chamada ao servidor de aplicação fora do contrato: "
                             "getHoraServidor espera 0 argumento(s) e recebeu 1"));
    EXPECT_EQ(refusal(apropriacao::getAtividades, {"000000000101", "0001", "2026-12-08"}),
              QStringLiteral("Chamada ao servidor de aplicação fora do contrato: "
                             "getAtividades: o argumento 3 (dia) deve ser uma data"));
    EXPECT_EQ(refusal(apropriacao::getPonto, {day, day}),
              QStringLiteral("Chamada ao servidor de aplicação fora do contrato: "
                             "getPonto: o argumento 1 (operador) deve ser um texto"));
    // A date and time is not a date: the contract says which one the method takes.
    EXPECT_TRUE(refusal(apropriacao::getPonto,
                        {"000000000101",
                         RemoteArg::dateTime(platform::dataset::DateTime{2026, 12, 8, 9, 0, 0})})
                    .endsWith(QStringLiteral("getPonto: o argumento 2 (dia) deve ser uma data")));
    EXPECT_TRUE(refusal(apropriacao::setAtividades, {"alterações"})
                    .endsWith(QStringLiteral("deve ser um pacote de alterações")));
    EXPECT_EQ(server.calls(), 0);
    EXPECT_EQ(framework::NetScript::callCount("getAtividades"), 0) << "a refused call is no call";
    EXPECT_TRUE(events.empty()) << "nor does it connect";

    // Arguments as the contract lists them go out.
    EXPECT_EQ(refusal(apropriacao::getPonto, {"000000000101", day}), QStringLiteral("(sent)"));
    EXPECT_EQ(server.calls(), 1);
}

TEST_F(ConnectionFixture, LoginGivesTheSessionOrAClearRefusal) {
    const auto answer =
        framework::ServerLogin(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("maria"),
                               QStringLiteral("certa"), QStringLiteral("0001"));
    EXPECT_EQ(answer.token, QStringLiteral("T-123"));
    EXPECT_EQ(answer.name, QStringLiteral("Maria Silva"));
    EXPECT_EQ(answer.branch, QStringLiteral("0001"));

    const auto refusal = [&](const QString& user, int port) -> QString {
        try {
            framework::ServerLogin(QStringLiteral("127.0.0.1"), port, user,
                                   QStringLiteral("errada"), QStringLiteral("0001"));
        } catch (const framework::ServerCallError& e) {
            return e.message();
        }
        return QStringLiteral("(accepted)");
    };
    EXPECT_EQ(refusal(QStringLiteral("maria"), server.port()),
              QStringLiteral("Usuário ou senha inválidos."));
    EXPECT_EQ(refusal(QStringLiteral("bloqueado"), server.port()),
              QStringLiteral("Usuário bloqueado."));
    const int port = closedPort();
    EXPECT_TRUE(
        refusal(QStringLiteral("maria"), port).contains(QStringLiteral("127.0.0.1:%1").arg(port)));
}

TEST(RemoteArg, RefusesDatesThatDoNotExist) {
    EXPECT_THROW(RemoteArg::date(platform::dataset::DateTime{}), framework::Error);
    EXPECT_THROW(RemoteArg::dateTime(platform::dataset::DateTime{2026, 2, 30, 0, 0, 0}),
                 framework::Error);
    EXPECT_EQ(RemoteArg::date(platform::dataset::DateTime{2026, 12, 8, 23, 0, 0}).toJson(),
              (json{{"date", "2026-12-08"}}));
}
