#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/dataset/field_def.h"
#include "platform/dataset/packet.h"

namespace appserver {

// The answer packets in wire form, written straight into one text instead of
// through a JSON document: the bytes are those the JSON library would print
// (no spaces, UTF-8 kept as is, invalid UTF-8 replaced), at a fraction of the
// cost on the hottest calls.

/// Appends `text` as a JSON string.
void appendJsonString(std::string& out, std::string_view text);
/// Appends one cell value as JSON (null, text, number, boolean or "YYYY-MM-DDTHH:MM:SS").
void appendJsonValue(std::string& out, const platform::dataset::Value& value);
/// Appends a date and time as JSON ("YYYY-MM-DDTHH:MM:SS").
void appendJsonDateTime(std::string& out, const platform::dataset::DateTime& t);

/// A data packet written row by row straight into its text, for an answer
/// of many rows that need not be made into values first: the same bytes as
/// packetText() of the same values.
class PacketWriter {
public:
    /// `encodedFields`: the field list in wire form; `reserve`: the bytes expected.
    PacketWriter(const std::string& encodedFields, std::size_t reserve);

    /// Starts a row, ending the one before.
    void row();
    /// A cell of the row: text, a date and time, or a value already in wire
    /// form (written once and repeated).
    void text(std::string_view value);
    /// Text that JSON writes as it is (digits and punctuation: no quote,
    /// backslash, control or non-ASCII character), written without looking.
    void plainText(std::string_view value);
    void dateTime(const platform::dataset::DateTime& value);
    void encoded(std::string_view json);

    /// The packet's text; the writer is done with.
    std::string finish();

private:
    void cell();

    std::string out_;
    bool anyRow_ = false;
    bool firstCell_ = true;
};

/// A data packet: the field list (already in wire form) and the rows.
std::string packetText(const std::string& encodedFields,
                       const std::vector<platform::dataset::Row>& rows);

}  // namespace appserver
