#include "call_args.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "api_error.h"
#include "dataset/errors.h"
#include "dataset/packet_json.h"

namespace appserver {

using nlohmann::json;

namespace {

dataset::DateTime parseStamp(const json& j, const char* kind, std::size_t index, bool dateOnly) {
    const std::string where = fmt::format("Argumento {}", index + 1);
    if (!j.is_string()) throw badRequest(fmt::format("{}: \"{}\" deve ser um texto", where, kind));
    const std::string& s = j.get_ref<const std::string&>();
    auto parsed = dataset::DateTime::parseIso(s);
    const bool shapeOk = dateOnly ? s.size() == 10 : s.size() == 19;
    if (!parsed || !shapeOk)
        throw badRequest(fmt::format("{}: \"{}\" não é {} válida ({})", where, s, dateOnly ? "uma data" : "uma data e hora",
                                     dateOnly ? "AAAA-MM-DD" : "AAAA-MM-DDTHH:MM:SS"));
    return *parsed;
}

}  // namespace

std::vector<CallArg> parseCallArgs(const json& args) {
    if (!args.is_array()) throw badRequest("\"args\" deve ser uma lista de argumentos");
    std::vector<CallArg> out;
    out.reserve(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const json& a = args[i];
        if (a.is_string()) {
            out.emplace_back(a.get<std::string>());
            continue;
        }
        if (a.is_object() && a.size() == 1) {
            if (auto it = a.find("date"); it != a.end()) {
                out.emplace_back(DateArg{parseStamp(*it, "date", i, true)});
                continue;
            }
            if (auto it = a.find("datetime"); it != a.end()) {
                out.emplace_back(DateTimeArg{parseStamp(*it, "datetime", i, false)});
                continue;
            }
            if (auto it = a.find("delta"); it != a.end()) {
                try {
                    out.emplace_back(dataset::changePacketFromJson(*it));
                } catch (const dataset::Error& e) {
                    throw badRequest(fmt::format("Argumento {}: pacote de alterações inválido: {}", i + 1, e.what()));
                }
                continue;
            }
        }
        throw badRequest(fmt::format(
            "Argumento {}: use um texto, {{\"date\":…}}, {{\"datetime\":…}} ou {{\"delta\":…}}", i + 1));
    }
    return out;
}

void CallArgs::expectCount(std::size_t n) const {
    if (args_.size() != n)
        throw badRequest(fmt::format("{} espera {} argumento(s) e recebeu {}", method_, n, args_.size()));
}

const std::string& CallArgs::text(std::size_t i, const char* name) const {
    if (const auto* s = std::get_if<std::string>(&args_.at(i))) return *s;
    throw badRequest(fmt::format("{}: o argumento {} ({}) deve ser um texto", method_, i + 1, name));
}

dataset::DateTime CallArgs::date(std::size_t i, const char* name) const {
    if (const auto* d = std::get_if<DateArg>(&args_.at(i))) return d->value;
    if (const auto* d = std::get_if<DateTimeArg>(&args_.at(i))) return d->value.datePart();
    throw badRequest(fmt::format("{}: o argumento {} ({}) deve ser uma data", method_, i + 1, name));
}

const dataset::ChangePacket& CallArgs::delta(std::size_t i, const char* name) const {
    if (const auto* d = std::get_if<dataset::ChangePacket>(&args_.at(i))) return *d;
    throw badRequest(fmt::format("{}: o argumento {} ({}) deve ser um pacote de alterações", method_, i + 1, name));
}

}  // namespace appserver
