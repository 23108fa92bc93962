#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "raw_connection.h"

namespace appserver::testing {

// The hardening cases (bodies past the cap, slow clients, connections past
// the cap of one address) run against any target: the appserver program a
// case starts for itself, and the same program behind a proxy (the ha run),
// which must keep what the server promises when reached directly. A test
// program runs them by instantiating the suite Hardening with its target:
//
//   INSTANTIATE_TEST_SUITE_P(Server, Hardening,
//                            ::testing::Values(TargetKind{"server", start}), targetName);

/// What a case would have of a server it starts (0: the server's default).
/// A target set up beforehand keeps its own settings and says what they are.
struct ServerAsked {
    int threads = 0;
    int maxConnectionsPerAddress = 0;
};

/// One case's target, reached on a loopback port.
class HardeningTarget {
public:
    virtual ~HardeningTarget() = default;

    virtual int port() const = 0;
    /// The login body (JSON) of a user whose login works there.
    virtual std::string loginBody() const = 0;
    /// The connections one address may keep open there.
    virtual int maxConnectionsPerAddress() const = 0;
    /// Starts watching the server's resident memory, where it can be seen:
    /// a server behind a proxy, in another process tree, cannot.
    virtual void watchMemory() {}
    /// Fails the case when, since watchMemory(), the server held more than a
    /// few MiB on top of what it held before.
    virtual void expectHeldLittleMemory() {}
};

/// A kind of target, the parameter of the suite: `start` makes the target of one case.
struct TargetKind {
    std::string name;
    std::function<std::unique_ptr<HardeningTarget>(const ServerAsked&)> start;
};

inline void PrintTo(const TargetKind& kind, std::ostream* out) {
    *out << kind.name;
}

/// The tests' names end in the kind's name rather than a number.
inline std::string targetName(const ::testing::TestParamInfo<TargetKind>& info) {
    return info.param.name;
}

class Hardening : public ::testing::TestWithParam<TargetKind> {
protected:
    std::unique_ptr<HardeningTarget> start(const ServerAsked& asked = {}) const {
        return GetParam().start(asked);
    }
};

/// One chunk of `size` blanks in the chunked transfer coding.
std::string chunked(std::size_t size);

/// Sends a request head and then as much of `body` as the server takes, and
/// reads the answer within `limit`.
RawAnswer sendAll(int port, const std::string& head, const std::string& body = {},
                  std::chrono::milliseconds limit = std::chrono::seconds(5));

/// GET /v1/health on a fresh connection: the status, or 0 when no answer came within a second.
int healthWithinASecond(int port);

/// Logs in with `loginBody`: the session's token, empty when the login failed.
std::string loginToken(int port, const std::string& loginBody);

}  // namespace appserver::testing
