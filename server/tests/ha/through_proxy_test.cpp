// The reliability suite's hardening cases once more, against the proxy in
// front of the application servers: the proxy must keep what the server
// promises when reached directly.
#include <gtest/gtest.h>

#include <memory>

#include "hardening.h"
#include "proxy_client.h"

namespace appserver::hatest {
namespace {

using testing::Hardening;
using testing::HardeningTarget;
using testing::ServerAsked;
using testing::TargetKind;

/// The proxy of the set-up: its servers were started by scripts/ha-tmp, so
/// what a case asks of a server is theirs already or not asked at all; the
/// cap of one address is the proxy's own.
class ProxyTarget final : public HardeningTarget {
public:
    ProxyTarget() : setup_(HaSetup::fromEnvironment()) {}

    int port() const override { return setup_.proxyPort; }
    std::string loginBody() const override {
        return R"({"user":"000000000209","password":"senha209","branch":"0001"})";
    }
    int maxConnectionsPerAddress() const override { return setup_.maxConnectionsPerAddress; }

private:
    HaSetup setup_;
};

INSTANTIATE_TEST_SUITE_P(ThroughProxy, Hardening,
                         ::testing::Values(TargetKind{
                             "proxy",
                             [](const ServerAsked&) { return std::make_unique<ProxyTarget>(); }}),
                         testing::targetName);

}  // namespace
}  // namespace appserver::hatest
