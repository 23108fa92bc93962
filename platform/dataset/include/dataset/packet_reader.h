#pragma once

#include <simdjson.h>

#include "dataset/packet.h"

namespace dataset {

// Decoding of packets already parsed into a JSON document, for callers that
// parse a larger message (a remote call, an answer envelope) once and find
// the packet inside it. Same checks and messages as decodeDataPacket and
// decodeChangePacket; nothing is half decoded.

DataPacket dataPacketFromElement(simdjson::dom::element json);
ChangePacket changePacketFromElement(simdjson::dom::element json);

}  // namespace dataset
