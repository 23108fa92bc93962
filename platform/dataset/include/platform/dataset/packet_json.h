#pragma once

#include <nlohmann/json_fwd.hpp>

#include <optional>
#include <string>
#include <string_view>

#include "platform/dataset/export.h"
#include "platform/dataset/packet.h"

namespace platform::dataset {

// The JSON wire form shared by the client and the application server:
//   {"fields": [{"name": "HORAINI", "type": "string", "size": 8, "flags": ["where"]}, …],
//    "rows": [["08:00:00", "2026-12-08T08:00:00"], …]}
// A change packet carries "changes" instead of "rows":
//   [{"op": "insert", "new": […]}, {"op": "update", "old": […], "new": […]},
//    {"op": "delete", "old": […]}]
// Date-times travel as "YYYY-MM-DDTHH:MM:SS". Decoding validates the whole
// packet and throws PacketError; nothing is half loaded.

PLATFORM_DATASET_EXPORT nlohmann::json toJson(const DataPacket& packet);
PLATFORM_DATASET_EXPORT nlohmann::json toJson(const ChangePacket& packet);
PLATFORM_DATASET_EXPORT std::string encodeDataPacket(const DataPacket& packet);
PLATFORM_DATASET_EXPORT std::string encodeChangePacket(const ChangePacket& packet);

PLATFORM_DATASET_EXPORT DataPacket decodeDataPacket(std::string_view text);
PLATFORM_DATASET_EXPORT ChangePacket decodeChangePacket(std::string_view text);

/// The data packet held by member `member` of the JSON object `text` (an
/// answer {"result": PACKET}); nothing when that member is null. Throws
/// PacketError when `text` is not an object holding the member.
PLATFORM_DATASET_EXPORT std::optional<DataPacket> decodeDataPacketMember(std::string_view text,
                                                                         std::string_view member);

/// One value in wire form.
PLATFORM_DATASET_EXPORT nlohmann::json valueToJson(const Value& value);

}  // namespace platform::dataset
