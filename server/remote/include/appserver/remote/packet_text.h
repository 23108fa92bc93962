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
/// of many rows whose cells are put in wire form by the caller (each
/// repeated text once): the same bytes as packetText() of the same values.
class PacketWriter {
public:
    /// `encodedFields`: the field list in wire form; `reserve`: the bytes expected.
    PacketWriter(const std::string& encodedFields, std::size_t reserve);

    /// A row: its cells in wire form, separated by commas (appendJsonString,
    /// appendJsonDateTime…).
    void row(std::string_view encodedCells);

    /// A row whose cells the caller appends, separated by commas, to the
    /// text returned, then closes with closeRow().
    std::string& openRow();
    void closeRow();

    /// Rows already in wire form ("[…],[…]"), none when empty: text kept
    /// from an earlier packet's rows.
    void rows(std::string_view encodedRows);

    /// The packet's text; the writer is done with.
    std::string finish();

private:
    std::string out_;
    bool anyRow_ = false;
};

/// A data packet: the field list (already in wire form) and the rows.
std::string packetText(const std::string& encodedFields,
                       const std::vector<platform::dataset::Row>& rows);

}  // namespace appserver
