#include "appserver/remote/call_args.h"

#include <fmt/format.h>

#include "appserver/remote/api_error.h"

namespace appserver {

void CallArgs::expectCount(std::size_t n) const {
    if (args_.size() != n)
        throw badRequest(
            fmt::format("{} espera {} argumento(s) e recebeu {}", method_, n, args_.size()));
}

const std::string& CallArgs::text(std::size_t i, const char* name) const {
    if (const auto* s = std::get_if<std::string>(&args_.at(i))) return *s;
    throw badRequest(
        fmt::format("{}: o argumento {} ({}) deve ser um texto", method_, i + 1, name));
}

platform::dataset::DateTime CallArgs::date(std::size_t i, const char* name) const {
    if (const auto* d = std::get_if<DateArg>(&args_.at(i))) return d->value;
    if (const auto* d = std::get_if<DateTimeArg>(&args_.at(i))) return d->value.datePart();
    throw badRequest(
        fmt::format("{}: o argumento {} ({}) deve ser uma data", method_, i + 1, name));
}

const platform::dataset::ChangePacket& CallArgs::delta(std::size_t i, const char* name) const {
    if (const auto* d = std::get_if<platform::dataset::ChangePacket>(&args_.at(i))) return *d;
    throw badRequest(fmt::format("{}: o argumento {} ({}) deve ser um pacote de alterações",
                                 method_, i + 1, name));
}

}  // namespace appserver
