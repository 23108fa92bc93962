#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/dataset/datetime.h"
#include "platform/dataset/packet.h"

namespace appserver {

/// One argument of a remote call: a text, a date, a date-time or a change packet.
struct DateArg {
    platform::dataset::DateTime value;
};
struct DateTimeArg {
    platform::dataset::DateTime value;
};
using CallArg = std::variant<std::string, DateArg, DateTimeArg, platform::dataset::ChangePacket>;

/// Typed access to the arguments of one method; each throws ApiError(bad_request)
/// naming the method and the argument when the type differs.
class CallArgs {
public:
    CallArgs(std::string method, std::vector<CallArg> args)
        : method_(std::move(method)), args_(std::move(args)) {}

    std::size_t size() const { return args_.size(); }
    void expectCount(std::size_t n) const;

    const std::string& text(std::size_t i, const char* name) const;
    /// A date value; a date-time is taken by its date part.
    platform::dataset::DateTime date(std::size_t i, const char* name) const;
    const platform::dataset::ChangePacket& delta(std::size_t i, const char* name) const;

private:
    std::string method_;
    std::vector<CallArg> args_;
};

}  // namespace appserver
