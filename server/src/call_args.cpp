#include "call_args.h"

#include <fmt/format.h>

#include "api_error.h"
#include "dataset/errors.h"
#include "dataset/packet_reader.h"

namespace appserver {

namespace dom = simdjson::dom;

namespace {

dataset::DateTime parseStamp(dom::element j, const char* kind, std::size_t index, bool dateOnly) {
    const std::string where = fmt::format("Argumento {}", index + 1);
    std::string_view s;
    if (j.get_string().get(s) != simdjson::SUCCESS)
        throw badRequest(fmt::format("{}: \"{}\" deve ser um texto", where, kind));
    auto parsed = dataset::DateTime::parseIso(s);
    const bool shapeOk = dateOnly ? s.size() == 10 : s.size() == 19;
    if (!parsed || !shapeOk)
        throw badRequest(fmt::format("{}: \"{}\" não é {} válida ({})", where, s, dateOnly ? "uma data" : "uma data e hora",
                                     dateOnly ? "AAAA-MM-DD" : "AAAA-MM-DDTHH:MM:SS"));
    return *parsed;
}

/// The one member of an argument object: its key and value.
bool singleMember(dom::element a, std::string_view& key, dom::element& value) {
    dom::object o;
    if (a.get_object().get(o) != simdjson::SUCCESS || o.size() != 1) return false;
    for (dom::key_value_pair member : o) {
        key = member.key;
        value = member.value;
    }
    return true;
}

}  // namespace

std::vector<CallArg> parseCallArgs(dom::element args) {
    dom::array list;
    if (args.get_array().get(list) != simdjson::SUCCESS) throw badRequest("\"args\" deve ser uma lista de argumentos");
    std::vector<CallArg> out;
    out.reserve(list.size());
    std::size_t i = 0;
    for (dom::element a : list) {
        std::string_view text;
        if (a.get_string().get(text) == simdjson::SUCCESS) {
            out.emplace_back(std::string(text));
            ++i;
            continue;
        }
        std::string_view key;
        dom::element value;
        if (singleMember(a, key, value)) {
            if (key == "date") {
                out.emplace_back(DateArg{parseStamp(value, "date", i++, true)});
                continue;
            }
            if (key == "datetime") {
                out.emplace_back(DateTimeArg{parseStamp(value, "datetime", i++, false)});
                continue;
            }
            if (key == "delta") {
                try {
                    out.emplace_back(dataset::changePacketFromElement(value));
                } catch (const dataset::Error& e) {
                    throw badRequest(fmt::format("Argumento {}: pacote de alterações inválido: {}", i + 1, e.what()));
                }
                ++i;
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
