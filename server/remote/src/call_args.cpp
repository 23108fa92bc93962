#include "appserver/remote/call_args.h"

#include <stdexcept>

#include "appserver/remote/api_error.h"

namespace appserver {

void CallArgs::expectCount() const {
    if (args_.size() != method_->args.size())
        throw badRequest(protocol::argumentCountError(*method_, args_.size()));
}

const CallArg& CallArgs::at(std::size_t i, protocol::ArgKind kind) const {
    if (i >= method_->args.size() || method_->args[i].kind != kind)
        throw std::logic_error(std::string(method_->name) + ": argument " + std::to_string(i + 1) +
                               " is read as another kind than the contract gives it");
    return args_.at(i);
}

const std::string& CallArgs::text(std::size_t i) const {
    if (const auto* s = std::get_if<std::string>(&at(i, protocol::ArgKind::Text))) return *s;
    throw badRequest(protocol::argumentKindError(*method_, i));
}

platform::dataset::DateTime CallArgs::date(std::size_t i) const {
    const CallArg& arg = at(i, protocol::ArgKind::Date);
    if (const auto* d = std::get_if<DateArg>(&arg)) return d->value;
    if (const auto* d = std::get_if<DateTimeArg>(&arg)) return d->value.datePart();
    throw badRequest(protocol::argumentKindError(*method_, i));
}

const platform::dataset::ChangePacket& CallArgs::delta(std::size_t i) const {
    if (const auto* d =
            std::get_if<platform::dataset::ChangePacket>(&at(i, protocol::ArgKind::ChangePacket)))
        return *d;
    throw badRequest(protocol::argumentKindError(*method_, i));
}

}  // namespace appserver
