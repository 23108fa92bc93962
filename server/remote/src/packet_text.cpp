#include "appserver/remote/packet_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/dataset/packet_json.h"
#include "platform/dataset/text.h"

namespace appserver {

namespace {

/// Whether a byte is copied into a JSON string as it is: not a control
/// character, a quote, a backslash, or a byte of a multi-byte sequence (those
/// are checked apart). A table: the answers' texts are short, and the test of
/// each byte was most of what writing them cost.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) plain[static_cast<std::size_t>(c)] = c != '"' && c != '\\';
    return plain;
}();

/// The end of the run of plain bytes of `text` from `i`: sixteen at a time
/// where the processor allows, then byte by byte.
std::size_t plainRunEnd(std::string_view text, std::size_t i) {
    const char* begin = text.data();
    i = static_cast<std::size_t>(
        platform::dataset::skipPlainJsonBlocks(begin + i, begin + text.size()) - begin);
    if (text.size() - i >= 16) return i;  // found within a block
    while (i < text.size() && kPlain[static_cast<unsigned char>(text[i])]) ++i;
    return i;
}

}  // namespace

void appendJsonDateTime(std::string& out, const platform::dataset::DateTime& t) {
    const bool printable = t.year >= 0 && t.year <= 9999 && t.month >= 0 && t.month <= 99 &&
                           t.day >= 0 && t.day <= 99 && t.hour >= 0 && t.hour <= 99 &&
                           t.minute >= 0 && t.minute <= 99 && t.second >= 0 && t.second <= 99;
    if (!printable) {
        appendJsonString(out, t.toIso());
        return;
    }
    // "YYYY-MM-DDTHH:MM:SS" with its quotes, filled in place and appended at once.
    char buf[] = "\"0000-00-00T00:00:00\"";
    const auto put = [&buf](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            buf[at + i] = static_cast<char>('0' + value % 10);
    };
    put(1, t.year, 4);
    put(6, t.month, 2);
    put(9, t.day, 2);
    put(12, t.hour, 2);
    put(15, t.minute, 2);
    put(18, t.second, 2);
    out.append(buf, sizeof buf - 1);
}

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::size_t begin = out.size();
    out.reserve(begin + text.size() + 2);
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        // Copy the run of characters that need no escape in one go.
        const std::size_t run = plainRunEnd(text, i);
        if (run > i) {
            out.append(text.data() + i, run - i);
            i = run;
            if (i == text.size()) break;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t n = platform::dataset::utf8SequenceLength(text, i);
            if (n == 0) {
                // Malformed text is rare: the JSON library's own replacement is used for the whole
                // string.
                out.resize(begin);
                out += nlohmann::json(std::string(text))
                           .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
                return;
            }
            out.append(text.data() + i, n);
            i += n;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
}

void appendJsonValue(std::string& out, const platform::dataset::Value& value) {
    const auto& v = value.storage();
    if (std::holds_alternative<std::monostate>(v)) {
        out += "null";
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        appendJsonString(out, *s);
    } else if (const auto* t = std::get_if<platform::dataset::DateTime>(&v)) {
        appendJsonDateTime(out, *t);
    } else {
        // Numbers and booleans print as the JSON library prints them.
        out += platform::dataset::valueToJson(value).dump();
    }
}

PacketWriter::PacketWriter(const std::string& encodedFields, std::size_t reserve) {
    out_.reserve(std::max(reserve, encodedFields.size() + 32));
    out_ += "{\"fields\":";
    out_ += encodedFields;
    out_ += ",\"rows\":[";
}

std::string& PacketWriter::openRow() {
    out_ += anyRow_ ? ",[" : "[";
    anyRow_ = true;
    return out_;
}

void PacketWriter::closeRow() {
    out_ += ']';
}

void PacketWriter::row(std::string_view encodedCells) {
    openRow() += encodedCells;
    closeRow();
}

void PacketWriter::rows(std::string_view encodedRows) {
    if (encodedRows.empty()) return;
    if (anyRow_) out_ += ',';
    out_ += encodedRows;
    anyRow_ = true;
}

std::string PacketWriter::finish() {
    out_ += "]}";
    return std::move(out_);
}

std::string packetText(const std::string& encodedFields,
                       const std::vector<platform::dataset::Row>& rows) {
    PacketWriter writer(encodedFields, encodedFields.size() + 32 + rows.size() * 512);
    for (const platform::dataset::Row& row : rows) {
        std::string& out = writer.openRow();
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += ',';
            appendJsonValue(out, row[c]);
        }
        writer.closeRow();
    }
    return writer.finish();
}

}  // namespace appserver
