#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/dataset/packet.h"

// The document decoder (packet_decode.cpp) as the quick reading of data
// packets (data_packet_scan.cpp) leans on it: for a field list it has not
// met before, and for every packet it does not take on itself, so that
// whatever that reading leaves is decoded, or refused, as it always was.
namespace platform::dataset::detail {

/// The fields of a data packet from the text of its "fields" array, checked
/// as decodeDataPacket checks them; PacketError otherwise.
std::vector<FieldDef> dataFieldsFromText(std::string_view text);

/// decodeDataPacket and decodeDataPacketMember through a parsed document.
DataPacket decodeDataPacketFully(std::string_view text);
std::optional<DataPacket> decodeDataPacketMemberFully(std::string_view text,
                                                      std::string_view member);

}  // namespace platform::dataset::detail
