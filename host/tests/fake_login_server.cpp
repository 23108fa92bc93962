#include "fake_login_server.h"

#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <stdexcept>

FakeLoginServer::FakeLoginServer() : server_(std::make_unique<httplib::Server>()) {
    server_->Post("/v1/login", [this](const httplib::Request& req, httplib::Response& res) {
        ++logins_;
        const auto body = nlohmann::json::parse(req.body, nullptr, false);
        const bool ok = body.is_object() && body.value("user", "") == kUser &&
                        body.value("password", "") == kPassword &&
                        body.value("branch", "") == kBranch;
        if (!ok) {
            res.status = 401;
            res.set_content(
                nlohmann::json{{"error", {{"code", "unauthenticated"}, {"message", kRefusal}}}}
                    .dump(),
                "application/json");
            return;
        }
        res.set_content(
            nlohmann::json{
                {"token", "0123abcd"}, {"user", kUser}, {"name", kName}, {"branch", kBranch}}
                .dump(),
            "application/json");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("fake login server: no free port");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 200 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!server_->is_running()) throw std::runtime_error("fake login server did not start");
}

FakeLoginServer::~FakeLoginServer() {
    server_->stop();
    if (thread_.joinable()) thread_.join();
}
