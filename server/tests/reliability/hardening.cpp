#include "hardening.h"

#include <fmt/format.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

namespace appserver::testing {

std::string chunked(std::size_t size) {
    return fmt::format("{:x}\r\n{}\r\n", size, std::string(size, ' '));
}

RawAnswer sendAll(int port, const std::string& head, const std::string& body,
                  std::chrono::milliseconds limit) {
    RawConnection c(port);
    EXPECT_TRUE(c.connected());
    c.send(head);
    c.send(body);
    return c.read(limit);
}

int healthWithinASecond(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(1, 0);
    client.set_read_timeout(1, 0);
    auto res = client.Get("/v1/health");
    return res ? res->status : 0;
}

std::string loginToken(int port, const std::string& loginBody) {
    httplib::Client client("127.0.0.1", port);
    auto res = client.Post("/v1/login", loginBody, "application/json");
    if (!res || res->status != 200) return {};
    const auto answer = nlohmann::json::parse(res->body, nullptr, false);
    return answer.is_object() ? answer.value("token", "") : "";
}

}  // namespace appserver::testing
