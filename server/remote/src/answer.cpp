#include "answer.h"

#include <nlohmann/json.hpp>

#include <map>
#include <mutex>

#include "appserver/remote/packet_text.h"
#include "platform/dataset/packet_json.h"

namespace appserver {

namespace {

/// The field list in wire form, encoded once per answer kind: it is the same in every answer.
const std::string& encodedFields(const protocol::Answer& kind) {
    static std::mutex mutex;
    static std::map<const protocol::Answer*, std::string> cache;
    std::lock_guard lock(mutex);
    auto& text = cache[&kind];
    if (text.empty())
        text = platform::dataset::toJson(
                   platform::dataset::DataPacket{protocol::fieldDefs(kind), {}})["fields"]
                   .dump();
    return text;
}

}  // namespace

Answer packet(const CallArgs& call) {
    return Answer{call.method().answer, {}};
}

std::string answer(const Answer& a) {
    return packetText(encodedFields(*a.kind), a.rows);
}

PacketWriter answerWriter(const CallArgs& call, std::size_t reserve) {
    return PacketWriter(encodedFields(*call.method().answer), reserve);
}

}  // namespace appserver
