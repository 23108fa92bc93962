// The quick reading of data packets, which every answer of the server passes
// through: one pass over the text, no document of JSON values built and then
// read again, each value made in place in its row, a text's characters taken
// straight from the packet, a date read where it stands, and a field list
// met before not read again. It takes on the packets as the server writes
// them (an envelope of one member; "fields" then "rows"; texts, date-times
// and nulls) and hands any other text, and any packet at fault, to the
// document decoder: both read the same text, so a packet is decoded, or
// refused with the same message, either way.
#include <simdjson.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "field_list_cache.h"
#include "json_scanner.h"
#include "packet_dom.h"
#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"
#include "platform/dataset/text.h"

namespace platform::dataset {

namespace {

using detail::JsonScanner;
using detail::NotScanned;

/// "YYYY-MM-DDTHH:MM:SS" and "YYYY-MM-DD" with their quotes.
constexpr std::size_t kQuotedDateTime = 21;
constexpr std::size_t kQuotedDate = 12;

void readValue(JsonScanner& in, const FieldDef& def, Row& row) {
    if (in.takeNull()) {
        row.emplace_back();
        return;
    }
    if (def.type == FieldType::String) {
        in.expect('"');
        const std::string_view text = in.stringBody();
        // As checkValueFits: only a text longer in bytes than the size is counted.
        const auto size = static_cast<std::size_t>(def.size);
        if (text.size() > size && utf8Length(text) > size) throw NotScanned{};
        row.emplace_back(text);
        return;
    }
    if (def.type != FieldType::DateTime) throw NotScanned{};
    // A date-time as the server writes it is read where it stands; parseIso
    // refuses quotes, backslashes and control characters.
    std::optional<DateTime> dt;
    const auto parse = [&dt](std::string_view text) {
        dt = DateTime::parseIso(text);
        return dt.has_value();
    };
    if (!in.fixedString(kQuotedDateTime, parse) && !in.fixedString(kQuotedDate, parse) &&
        !parse(in.string()))
        throw NotScanned{};
    row.emplace_back(*dt);
}

void readRows(JsonScanner& in, DataPacket& packet) {
    const std::size_t width = packet.fields.size();
    in.expect('[');
    if (in.peek() == ']') {
        in.expect(']');
        return;
    }
    detail::RowBlocks blocks;
    // Held apart from the packet, whose rows the values are written into.
    const FieldDef* const first = packet.fields.data();
    const FieldDef* const last = first + width;
    for (;;) {
        in.expect('[');
        Row& row = packet.rows.emplace_back(blocks.row(width));
        for (const FieldDef* def = first; def != last; ++def) {
            if (def != first) in.expect(',');
            readValue(in, *def, row);
        }
        in.expect(']');
        if (in.peek() == ']') break;
        in.expect(',');
    }
    in.expect(']');
}

/// The field list of the "fields" array that comes next; read, and checked,
/// by the document decoder the first time its text is met.
std::vector<FieldDef> readFields(JsonScanner& in) {
    detail::FieldListCache& cache = detail::FieldListCache::forThisThread();
    if (const auto known = cache.findAtStart(in.rest())) {
        in.skip(known->length);
        return known->fields;
    }
    const std::string_view text = in.rawArray();
    std::vector<FieldDef> fields = detail::dataFieldsFromText(text);
    cache.add(text, fields);
    return fields;
}

DataPacket readPacket(JsonScanner& in) {
    DataPacket packet;
    in.expect('{');
    in.expectKey("fields");
    packet.fields = readFields(in);
    in.expect(',');
    in.expectKey("rows");
    readRows(in, packet);
    in.expect('}');
    return packet;
}

/// The document decoder refuses a text the parser cannot hold.
bool parserHolds(std::string_view text) {
    return text.size() <= simdjson::SIMDJSON_MAXSIZE_BYTES;
}

/// Whether `name` is written in JSON as it is: printable ASCII, no quote,
/// no backslash.
bool plainName(std::string_view name) {
    for (const char c : name)
        if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
    return true;
}

}  // namespace

DataPacket decodeDataPacket(std::string_view text) {
    if (parserHolds(text)) {
        try {
            JsonScanner in(text);
            DataPacket packet = readPacket(in);
            if (in.atEnd()) return packet;
        } catch (const NotScanned&) {
        } catch (const PacketError&) {
        }
    }
    return detail::decodeDataPacketFully(text);
}

std::optional<DataPacket> decodeDataPacketMember(std::string_view text, std::string_view member) {
    if (parserHolds(text) && plainName(member)) {
        try {
            JsonScanner in(text);
            in.expect('{');
            in.expectKey(member);
            std::optional<DataPacket> packet;
            if (!in.takeNull()) packet = readPacket(in);
            in.expect('}');
            if (in.atEnd()) return packet;
        } catch (const NotScanned&) {
        } catch (const PacketError&) {
        }
    }
    return detail::decodeDataPacketMemberFully(text, member);
}

}  // namespace platform::dataset
