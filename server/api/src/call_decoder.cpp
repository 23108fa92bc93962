#include "appserver/api/call_decoder.h"

#include <fmt/format.h>

#include "appserver/api/limits.h"
#include "appserver/remote/api_error.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_reader.h"
#include "platform/dataset/text.h"

namespace appserver {

namespace dom = simdjson::dom;

namespace {

platform::dataset::DateTime parseStamp(dom::element j, const char* kind, std::size_t index,
                                       bool dateOnly) {
    const std::string where = fmt::format("Argumento {}", index + 1);
    std::string_view s;
    if (j.get_string().get(s) != simdjson::SUCCESS)
        throw badRequest(fmt::format("{}: \"{}\" deve ser um texto", where, kind));
    auto parsed = platform::dataset::DateTime::parseIso(s);
    const bool shapeOk = dateOnly ? s.size() == 10 : s.size() == 19;
    if (!parsed || !shapeOk)
        throw badRequest(fmt::format("{}: \"{}\" não é {} válida ({})", where, s,
                                     dateOnly ? "uma data" : "uma data e hora",
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

/// The change packets a client may send: within the fixed counts, and no
/// control character but in the description, which may span lines.
const platform::dataset::ChangePacketLimits& packetLimits() {
    static const platform::dataset::ChangePacketLimits limits{
        limits::kMaxPacketFields, limits::kMaxPacketChanges, true, {"TXAPRATIVTAR"}};
    return limits;
}

platform::dataset::ChangePacket packetArgument(dom::element value, std::size_t index) {
    try {
        return platform::dataset::changePacketFromElement(value, packetLimits());
    } catch (const platform::dataset::PacketLimitError& e) {
        const std::string message = fmt::format(
            "Argumento {}: pacote de alterações grande demais: {}", index + 1, e.what());
        if (e.kind() == platform::dataset::PacketLimitError::Kind::Fields) throw invalid(message);
        throw ApiError(ErrorCode::TooLarge, message);
    } catch (const platform::dataset::Error& e) {
        throw badRequest(
            fmt::format("Argumento {}: pacote de alterações inválido: {}", index + 1, e.what()));
    }
}

}  // namespace

void checkTextArgument(std::string_view text, const std::string& what) {
    const std::size_t at = platform::dataset::findControlCharacter(text);
    if (at != std::string_view::npos)
        throw badRequest(
            fmt::format("{}: o texto tem um caractere de controle (U+{:04X}) na posição {}", what,
                        static_cast<unsigned char>(text[at]), at + 1));
}

std::vector<CallArg> parseCallArgs(dom::element args) {
    dom::array list;
    if (args.get_array().get(list) != simdjson::SUCCESS)
        throw badRequest("\"args\" deve ser uma lista de argumentos");
    std::vector<CallArg> out;
    out.reserve(list.size());
    std::size_t i = 0;
    for (dom::element a : list) {
        std::string_view text;
        if (a.get_string().get(text) == simdjson::SUCCESS) {
            checkTextArgument(text, fmt::format("Argumento {}", i + 1));
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
                out.emplace_back(packetArgument(value, i++));
                continue;
            }
        }
        throw badRequest(fmt::format(
            "Argumento {}: use um texto, {{\"date\":…}}, {{\"datetime\":…}} ou {{\"delta\":…}}",
            i + 1));
    }
    return out;
}

namespace {

std::string requiredText(dom::object body, const char* key) {
    std::string_view text;
    if (body.at_key(key).get_string().get(text) != simdjson::SUCCESS)
        throw badRequest(fmt::format("Informe \"{}\" como texto.", key));
    checkTextArgument(text, fmt::format("\"{}\"", key));
    return std::string(text);
}

}  // namespace

CallRequest decodeCallBody(std::string_view body) {
    // One parser per thread keeps its buffers from call to call; the
    // document it holds is read to the end before this returns.
    thread_local dom::parser parser;
    dom::element doc;
    if (parser.parse(body.data(), body.size(), true).get(doc) != simdjson::SUCCESS)
        throw badRequest("O corpo da requisição não é um JSON válido.");
    dom::object call;
    if (doc.get_object().get(call) != simdjson::SUCCESS)
        throw badRequest("O corpo da chamada deve ser um objeto JSON.");
    CallRequest request;
    request.server = requiredText(call, "server");
    request.method = requiredText(call, "method");
    dom::element args;
    if (call.at_key("args").get(args) == simdjson::SUCCESS) request.args = parseCallArgs(args);
    return request;
}

}  // namespace appserver
