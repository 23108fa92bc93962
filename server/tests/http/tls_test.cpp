// HTTPS: with a certificate and its key the same protocol is served over TLS only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "postgresql_run.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

namespace fs = std::filesystem;

// The transport's TLS: the database under the server is incidental.
[[maybe_unused]] const bool kSqliteOnly = leaveOutOfPostgresRun({"Tls"});

/// A self-signed certificate for 127.0.0.1 and its key, made by the openssl
/// command in a folder removed at the end.
class SelfSignedCertificate {
public:
    SelfSignedCertificate()
        : dir_(fs::temp_directory_path() / ("tls-test-" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
            " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
            key() + "' -out '" + cert() + "' >/dev/null 2>&1";
        made_ = std::system(command.c_str()) == 0 && fs::exists(cert()) && fs::exists(key());
    }
    ~SelfSignedCertificate() { fs::remove_all(dir_); }

    bool made() const { return made_; }
    std::string cert() const { return (dir_ / "cert.pem").string(); }
    std::string key() const { return (dir_ / "key.pem").string(); }
    std::string file(const char* name) const { return (dir_ / name).string(); }

private:
    fs::path dir_;
    bool made_ = false;
};

ServerSettings tlsSettings(const std::string& cert, const std::string& key) {
    ServerSettings s;
    s.port = 0;
    s.threads = 4;
    s.hashCost = HashCost::minimum();
    s.tlsCert = cert;
    s.tlsKey = key;
    return s;
}

TEST(Tls, the_protocol_is_served_over_https_and_plain_http_gets_no_answer) {
    SelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.made()) << "the openssl command could not make a certificate";
    TestDatabase database;
    ServerClock clock(*platform::dataset::DateTime::parseIso(kNow));
    AppServer server(database.db(), clock, tlsSettings(certificate.cert(), certificate.key()));
    const int port = server.bind();
    std::thread serving([&] { server.run(); });
    for (int i = 0; i < 500 && !server.isRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    httplib::SSLClient tls("127.0.0.1", port);
    tls.set_ca_cert_path(certificate.cert().c_str());
    tls.enable_server_certificate_verification(true);
    auto health = tls.Get("/v1/health");
    ASSERT_TRUE(health) << httplib::to_string(health.error());
    EXPECT_EQ(health->status, 200);
    auto login =
        tls.Post("/v1/login", R"({"user":"000000000101","password":"senha101","branch":"0001"})",
                 "application/json");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->status, 200);
    EXPECT_TRUE(nlohmann::json::parse(login->body).contains("token"));

    httplib::Client plain("127.0.0.1", port);
    plain.set_read_timeout(2, 0);
    auto refused = plain.Get("/v1/health");
    EXPECT_TRUE(!refused || refused->status != 200);

    server.stop();
    serving.join();
}

TEST(Tls, a_certificate_without_its_key_or_an_unreadable_one_is_refused_at_start) {
    SelfSignedCertificate certificate;
    ASSERT_TRUE(certificate.made());
    TestDatabase database;
    ServerClock clock;
    EXPECT_THROW(AppServer(database.db(), clock, tlsSettings(certificate.cert(), "")),
                 std::invalid_argument);
    std::ofstream(certificate.file("bogus.pem")) << "not a certificate\n";
    EXPECT_THROW(AppServer(database.db(), clock,
                           tlsSettings(certificate.file("bogus.pem"), certificate.key())),
                 std::runtime_error);
}

}  // namespace
}  // namespace appserver::testing
