#pragma once

#include <simdjson.h>

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "platform/dataset/errors.h"
#include "platform/dataset/export.h"
#include "platform/dataset/packet.h"

namespace platform::dataset {

// Decoding of packets already parsed into a JSON document, for callers that
// parse a larger message (a remote call, an answer envelope) once and find
// the packet inside it. Same checks and messages as decodeDataPacket and
// decodeChangePacket; nothing is half decoded.

PLATFORM_DATASET_EXPORT DataPacket dataPacketFromElement(simdjson::dom::element json);
PLATFORM_DATASET_EXPORT ChangePacket changePacketFromElement(simdjson::dom::element json);

/// What a change packet from an untrusted sender may hold. The counts are
/// checked before any field or change is read, so that a packet past them
/// costs no more than its parse.
struct PLATFORM_DATASET_EXPORT ChangePacketLimits {
    std::size_t maxFields = std::numeric_limits<std::size_t>::max();
    std::size_t maxChanges = std::numeric_limits<std::size_t>::max();
    /// When set, text values and field names holding a C0 control character
    /// are refused; the fields named in `multilineFields` (case-insensitive)
    /// may still hold tabs and line breaks.
    bool refuseControlCharacters = false;
    std::vector<std::string> multilineFields;
};

/// A change packet over one of the counts of its ChangePacketLimits.
class PLATFORM_DATASET_EXPORT PacketLimitError : public PacketError {
public:
    enum class Kind { Fields, Changes };
    PacketLimitError(Kind kind, const std::string& message) : PacketError(message), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

/// As changePacketFromElement, within `limits`; throws PacketLimitError past a count.
PLATFORM_DATASET_EXPORT ChangePacket changePacketFromElement(simdjson::dom::element json,
                                                             const ChangePacketLimits& limits);

}  // namespace platform::dataset
