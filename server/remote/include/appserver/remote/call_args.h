#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/dataset/datetime.h"
#include "platform/dataset/packet.h"
#include "protocol/method.h"

namespace appserver {

/// One argument of a remote call: a text, a date, a date-time or a change packet.
struct DateArg {
    platform::dataset::DateTime value;
};
struct DateTimeArg {
    platform::dataset::DateTime value;
};
using CallArg = std::variant<std::string, DateArg, DateTimeArg, platform::dataset::ChangePacket>;

/// Typed access to the arguments of one call of a contract method, each by
/// its place in the contract's list. An accessor throws ApiError(bad_request)
/// naming the method and the argument (by the contract's name for it) when
/// the argument sent is of another kind; one that asks for a kind the
/// contract does not give the argument throws std::logic_error.
class CallArgs {
public:
    CallArgs(const protocol::Method& method, std::vector<CallArg> args)
        : method_(&method), args_(std::move(args)) {}

    const protocol::Method& method() const { return *method_; }
    std::size_t size() const { return args_.size(); }
    /// Throws ApiError(bad_request) unless the call has as many arguments as the method takes.
    void expectCount() const;

    const std::string& text(std::size_t i) const;
    /// A date value; a date-time is taken by its date part.
    platform::dataset::DateTime date(std::size_t i) const;
    const platform::dataset::ChangePacket& delta(std::size_t i) const;

private:
    const CallArg& at(std::size_t i, protocol::ArgKind kind) const;

    const protocol::Method* method_;
    std::vector<CallArg> args_;
};

}  // namespace appserver
