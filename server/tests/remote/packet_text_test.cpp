// Answer packets written as text must be byte for byte what the JSON library
// prints for the same packet, whatever the texts hold.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "appserver/remote/packet_text.h"
#include "platform/dataset/packet_json.h"
#include "protocol/apropriacao.h"

namespace appserver {
namespace {

using nlohmann::json;
using platform::dataset::DateTime;
using platform::dataset::Value;

std::string libraryForm(const Value& v) {
    return platform::dataset::valueToJson(v).dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string writtenForm(const Value& v) {
    std::string out;
    appendJsonValue(out, v);
    return out;
}

TEST(PacketText, texts_print_as_the_json_library_prints_them) {
    const std::vector<std::string> texts = {
        "",
        "plain",
        "Apropriação às 08:00 – “módulo”",
        "quote \" and backslash \\ and slash /",
        std::string("controls \b\f\n\r\t \x01\x1f\x7f end"),
        std::string("nul \0 inside", 12),
        "\xF0\x9F\x98\x80 four-byte",
        "\xEF\xBF\xBD replacement char",
        // Malformed UTF-8: lone continuation, truncated sequences, overlong forms, surrogates, past
        // U+10FFFF.
        "bad \x80 byte",
        "truncated \xC3",
        "truncated \xE2\x82",
        "overlong \xC0\xAF",
        "overlong \xE0\x80\xAF",
        "surrogate \xED\xA0\x80",
        "too high \xF4\x90\x80\x80",
        "\xF5\x80\x80\x80",
        "mixed \xC3\xA7 then \xFF",
    };
    for (const std::string& t : texts) EXPECT_EQ(writtenForm(Value(t)), libraryForm(Value(t))) << t;
}

TEST(PacketText, a_character_to_escape_is_found_wherever_it_falls_in_a_long_text) {
    // Plain runs are scanned many bytes at a time: each kind of character
    // that is not copied as it is, at every place of texts that end inside,
    // at and past such a block, and a text with two of them in one block.
    const std::vector<std::string> specials = {
        "\"", "\\", "\n", std::string(1, '\0'), "\x1f", "\x7f", "\xC3\xA7", "\xE2\x80\x9C", "\x80"};
    for (std::size_t length : {15u, 16u, 17u, 31u, 32u, 33u, 47u}) {
        for (const std::string& special : specials) {
            for (std::size_t at = 0; at + special.size() <= length; ++at) {
                std::string t(length, 'a');
                t.replace(at, special.size(), special);
                ASSERT_EQ(writtenForm(Value(t)), libraryForm(Value(t)))
                    << "length " << length << ", at " << at;
            }
        }
    }
    const std::string two = "abc\"defghij\\klmnopqrstuvwxyz0123456789";
    EXPECT_EQ(writtenForm(Value(two)), libraryForm(Value(two)));
    EXPECT_EQ(writtenForm(Value(two)), "\"abc\\\"defghij\\\\klmnopqrstuvwxyz0123456789\"");
}

TEST(PacketText, other_values_print_as_the_json_library_prints_them) {
    const std::vector<Value> values = {
        Value(),
        Value(DateTime{2026, 12, 7, 8, 5, 9}),
        Value(DateTime::date(1, 1, 1)),
        Value(DateTime{9999, 12, 31, 23, 59, 59}),
        Value(DateTime{}),
        Value(std::int64_t{-42}),
        Value(0.1),
        Value(1e300),
        Value(true),
        Value(false),
    };
    for (const Value& v : values) EXPECT_EQ(writtenForm(v), libraryForm(v));
}

TEST(PacketText, a_packet_prints_as_the_json_library_prints_it) {
    const auto fields = protocol::fieldDefs(*protocol::apropriacao::getApropria.answer);
    const std::string encodedFields =
        platform::dataset::toJson(platform::dataset::DataPacket{fields, {}})["fields"].dump();
    for (std::size_t rowCount : {0u, 1u, 3u}) {
        platform::dataset::DataPacket p{fields, {}};
        for (std::size_t i = 0; i < rowCount; ++i) {
            platform::dataset::Row row;
            for (std::size_t c = 0; c < fields.size(); ++c)
                row.push_back(c % 3 == 0   ? Value(DateTime{2026, 1, 2, 3, 4, static_cast<int>(i)})
                              : c % 3 == 1 ? Value()
                                           : Value("t\xC3\xADtulo " + std::to_string(i)));
            p.rows.push_back(row);
        }
        const std::string library =
            platform::dataset::toJson(p).dump(-1, ' ', false, json::error_handler_t::replace);
        EXPECT_EQ(packetText(encodedFields, p.rows), library);
        // Row by row, each row's cells put in wire form by the caller.
        std::vector<std::string> cellTexts;
        PacketWriter writer(encodedFields, 0);
        for (const platform::dataset::Row& row : p.rows) {
            std::string& cells = cellTexts.emplace_back();
            for (const Value& v : row) {
                if (!cells.empty()) cells += ',';
                if (const auto* t = std::get_if<DateTime>(&v.storage()))
                    appendJsonDateTime(cells, *t);
                else
                    appendJsonValue(cells, v);
            }
            writer.row(cells);
        }
        EXPECT_EQ(writer.finish(), library);
        // Rows kept in wire form from before, alone or after a row written
        // now, with empty texts (an operator without days) anywhere.
        for (std::size_t written : {0u, 1u}) {
            if (written > cellTexts.size()) continue;
            PacketWriter kept(encodedFields, 0);
            kept.rows("");
            std::string text;
            for (std::size_t i = 0; i < cellTexts.size(); ++i) {
                if (i < written) {
                    kept.row(cellTexts[i]);
                    kept.rows("");
                    continue;
                }
                if (!text.empty()) text += ',';
                text += '[' + cellTexts[i] + ']';
            }
            kept.rows(text);
            kept.rows("");
            EXPECT_EQ(kept.finish(), library) << rowCount << " rows, " << written << " written";
        }
    }
}

}  // namespace
}  // namespace appserver
