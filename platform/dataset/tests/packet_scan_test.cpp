// The quick reading of data packets against the document decoder: whatever
// the text, decodeDataPacket and decodeDataPacketMember give the packet, or
// refuse it with the message, that the decoding through a parsed document
// gives. The texts are the server's kind of answer and every way found to
// stray from it: blanks, escapes, other orders and members, faults late in
// the text, and bytes changed at random.
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"
#include "platform/dataset/packet_reader.h"

using namespace platform::dataset;

namespace {

/// A decoded packet, or the message it was refused with.
using Outcome = std::variant<std::optional<DataPacket>, std::string>;

template <typename Decode>
Outcome outcomeOf(Decode&& decode) {
    try {
        return Outcome(decode());
    } catch (const PacketError& e) {
        return Outcome(std::string(e.what()));
    }
}

/// The document decoder alone, as decodeDataPacket used it.
Outcome throughDocument(const std::string& text) {
    return outcomeOf([&]() -> std::optional<DataPacket> {
        simdjson::dom::parser parser;
        simdjson::dom::element doc;
        if (parser.parse(text).get(doc) != simdjson::SUCCESS)
            throw PacketError("The packet is not valid JSON");
        return dataPacketFromElement(doc);
    });
}

/// The document decoder alone, as decodeDataPacketMember used it.
Outcome memberThroughDocument(const std::string& text, const std::string& member) {
    return outcomeOf([&]() -> std::optional<DataPacket> {
        simdjson::dom::parser parser;
        simdjson::dom::element doc;
        simdjson::dom::object envelope;
        if (parser.parse(text).get(doc) != simdjson::SUCCESS)
            throw PacketError("The packet is not valid JSON");
        if (doc.get_object().get(envelope) != simdjson::SUCCESS)
            throw PacketError("The message is not a JSON object");
        simdjson::dom::element packet;
        if (envelope.at_key(member).get(packet) != simdjson::SUCCESS)
            throw PacketError("The message has no \"" + member + "\"");
        if (packet.is_null()) return std::nullopt;
        return dataPacketFromElement(packet);
    });
}

void expectSame(const Outcome& got, const Outcome& want, const std::string& text) {
    if (const auto* message = std::get_if<std::string>(&want)) {
        const auto* gotMessage = std::get_if<std::string>(&got);
        ASSERT_NE(gotMessage, nullptr) << "accepted: " << text;
        EXPECT_EQ(*gotMessage, *message) << text;
        return;
    }
    const auto* packet = std::get_if<std::optional<DataPacket>>(&got);
    ASSERT_NE(packet, nullptr) << "refused (" << std::get<std::string>(got) << "): " << text;
    const auto& wanted = std::get<std::optional<DataPacket>>(want);
    ASSERT_EQ(packet->has_value(), wanted.has_value()) << text;
    if (!wanted) return;
    ASSERT_EQ((*packet)->fields.size(), wanted->fields.size()) << text;
    for (std::size_t i = 0; i < wanted->fields.size(); ++i) {
        const FieldDef& a = (*packet)->fields[i];
        const FieldDef& b = wanted->fields[i];
        EXPECT_EQ(a.name, b.name) << text;
        EXPECT_EQ(a.type, b.type) << text;
        EXPECT_EQ(a.size, b.size) << text;
        EXPECT_EQ(a.flags, b.flags) << text;
    }
    EXPECT_EQ((*packet)->rows, wanted->rows) << text;
}

void expectAsDocument(const std::string& packet) {
    expectSame(outcomeOf([&] { return std::optional<DataPacket>(decodeDataPacket(packet)); }),
               throughDocument(packet), packet);
    const std::string answer = R"({"result":)" + packet + "}";
    expectSame(outcomeOf([&] { return decodeDataPacketMember(answer, "result"); }),
               memberThroughDocument(answer, "result"), answer);
}

/// The fields of the summary's answer, as the server writes them.
const std::string kFields =
    R"([{"name":"CDOPERADOR","size":12,"type":"string"},{"name":"DTDIA","type":"datetime"},)"
    R"({"flags":["where","hidden"],"name":"QTHRAPRO","size":8,"type":"string"}])";

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view part : parts) out.append(part);
    return out;
}

std::string packetWith(const std::string& rows, const std::string& fields = kFields) {
    return R"({"fields":)" + fields + R"(,"rows":)" + rows + "}";
}

}  // namespace

TEST(PacketScan, ReadsTheServersAnswersAsTheDocumentDecoder) {
    for (const std::string rows : {
             R"([])",
             R"([["100000","2026-05-01T00:00:00","04:10:00"]])",
             R"([["100000","2026-05-01T00:00:00","04:10:00"],["100001",null,null]])",
             R"([[null,"2026-05-01","04:10:00"]])",
             R"([["","2026-05-01 23:59:59",""]])",
             R"([["Ação","2024-02-29T00:00:00","x"]])",
             R"([["123456789012","2026-05-01T00:00:00","12345678"]])",
         })
        expectAsDocument(packetWith(rows));
    expectAsDocument(R"({"fields":[],"rows":[[],[]]})");
    EXPECT_EQ(
        decodeDataPacketMember(R"({"result":)" + packetWith(R"([["a",null,"b"]])") + "}", "result")
            ->rows[0][2]
            .asString(),
        "b");
}

TEST(PacketScan, BlanksEscapesAndCharactersOfEveryKind) {
    expectAsDocument(
        " \n{ \"fields\" :\t" + kFields +
        " ,\r\n \"rows\" : [ [ \"a\" , null , \"b\" ] , [\"c\",\"2026-05-01\",\"d\"] ] } \n");
    for (const std::string text : {
             R"(a\"b)",
             R"(a\\b)",
             R"(a\/b)",
             R"(\b\f\n\r\t)",
             R"(\u00e7)",
             R"(\u0000)",
             R"(\ud83d\ude00)",
             R"(\ud83d)",
             R"(\x)",
             "caf\xc3\xa9",
             "\xe2\x82\xac",
             "\xf0\x9f\x98\x80",
             "\xc3",
             "\xc0\x80",
             "\xed\xa0\x80",
             "\xf4\x90\x80\x80",
             "\xff",
             "a\001b",
             "a\x7f",
             "12345678\\\"",
             "1234567\xc3\xa7",
             "abcdefghijklmno\\n",
         }) {
        // The character at every offset of two blocks of the sixteen bytes
        // read at once, and of the eight read where fewer than sixteen are left.
        for (std::size_t pad = 0; pad < 33; ++pad) {
            const std::string value = std::string(pad, 'x') + text;
            expectAsDocument(packetWith(R"([[")" + value + R"(",null,"x"]])",
                                        R"([{"name":"CDOPERADOR","size":60,"type":"string"},)"
                                        R"({"name":"DTDIA","type":"datetime"},)"
                                        R"({"name":"QTHRAPRO","size":8,"type":"string"}])"));
        }
    }
    expectAsDocument(packetWith(R"([["a","\u0032026-05-01T00:00:00","b"]])"));
    expectAsDocument(packetWith(R"([["a","2026-05-01T00:00:0\u0030","b"]])"));
}

TEST(PacketScan, OtherShapesAndFaultsAsTheDocumentDecoder) {
    const std::string row = R"([["a","2026-05-01T00:00:00","b"]])";
    const std::string fields = R"({"fields":)" + kFields;
    const std::string rows = fields + R"(,"rows":)";
    for (const std::string& text : std::vector<std::string>{
             cat({R"({"rows":)", row, R"(,"fields":)", kFields, "}"}),
             cat({rows, row, R"(,"extra":1})"}),
             cat({rows, row, R"(,"rows":[]})"}),
             cat({R"({"fi\u0065lds":)", kFields, R"(,"rows":)", row, "}"}),
             fields + "}",
             rows + row,
             cat({rows, row, "} x"}),
             cat({rows, row, "}}"}),
             rows + R"([["a","2026-05-01T00:00:00","b"],]})",
             rows + R"([["a","2026-05-01T00:00:00","b",]]})",
             rows + R"([["a","2026-05-01T00:00:00"]]})",
             rows + R"([["a","2026-05-01T00:00:00","b","c"]]})",
             rows + R"([["a","2026-02-30T00:00:00","b"]]})",
             rows + R"([["a","2026-05-01T24:00:00","b"]]})",
             rows + R"([["a","2026-05-01X00:00:00","b"]]})",
             rows + R"([["a",20260501,"b"]]})",
             rows + R"([[1,"2026-05-01","b"]]})",
             rows + R"([["a","2026-05-01","123456789"]]})",
             rows + R"([["a",nul,"b"]]})",
             rows + R"([["a",nulls,"b"]]})",
             rows + R"([["a",[],"b"]]})",
             rows + R"([["a" "2026-05-01","b"]]})",
             rows + R"([["a","2026-05-01","b"]] "x"})",
             rows + R"({}})",
             // A fault in the names the document decoder finds first; the JSON fault after it wins.
             R"({"fields":[{"name":"A","type":"strin"}],"rows":[[1,]]})",
             R"({"fields":[{"name":"A","type":"string"},{"name":"a","type":"string"}],"rows":[]})",
             R"({"fields":[{"name":"A","type":"string","size":0}],"rows":[]})",
             R"({"fields":[{"name":"A","type":"string","label":"x"}],"rows":[["v"]]})",
             R"({"fields":[{"name":"A","type":"string","flags":["bogus"]}],"rows":[]})",
             R"({"fields":[{"name":"A","type":"string"]],"rows":[]})",
             cat({R"({"fields":[{"name":"A","type":"integer"},{"name":"B","type":"boolean"}],)",
                  R"("rows":[[1,true],[-0,false]]})"}),
             R"({"fields":[{"name":"F","type":"float"}],"rows":[[1],[2.5],[null]]})",
             "",
             "[]",
             "null",
         }) {
        expectAsDocument(text);
        expectSame(outcomeOf([&] { return std::optional<DataPacket>(decodeDataPacket(text)); }),
                   throughDocument(text), text);
    }
}

TEST(PacketScan, TheAnswersEnvelopeAsTheDocumentDecoder) {
    const std::string packet = packetWith(R"([["a","2026-05-01T00:00:00","b"]])");
    for (const std::string& text : std::vector<std::string>{
             R"({"result":null})",
             R"({ "result" : null })",
             R"({"result":nul})",
             R"({"error":{}})",
             R"({"result":)" + packet + R"(,"result":null})",
             R"({"result":null,"other":1})",
             R"({"other":1,"result":)" + packet + "}",
             R"({"res\u0075lt":)" + packet + "}",
             R"({"result":)" + packet,
             R"({"result":[1]})",
             R"([1])",
         })
        expectSame(outcomeOf([&] { return decodeDataPacketMember(text, "result"); }),
                   memberThroughDocument(text, "result"), text);
    // A member whose name is not written as it is goes to the document decoder alone.
    const std::string quoted = R"({"a\"b":null})";
    expectSame(outcomeOf([&] { return decodeDataPacketMember(quoted, "a\"b"); }),
               memberThroughDocument(quoted, "a\"b"), quoted);
}

TEST(PacketScan, BytesChangedAtRandomDecodeAsTheDocumentDecoder) {
    const std::string day =
        R"({"result":{"fields":[{"flags":["where"],"name":"HORAINI","size":8,"type":"string"},)"
        R"({"name":"DTIAPATIVTAR","type":"datetime"},{"name":"TXAPRATIVTAR","size":60,)"
        R"("type":"string"}],"rows":[["08:00:00","2026-11-08T08:00:00","Revisão \"da\" tela"],)"
        R"(["09:00:00",null,"Desenvolvimento do módulo\nde faturamento"]]}})";
    const char alphabet[] = "\"\\{}[],: \n0aT-n\x01\x80\xc3";
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::string text = day;
        const int changes = 1 + i % 3;
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = rng() % text.size();
            const char byte = alphabet[rng() % (sizeof alphabet - 1)];
            switch (rng() % 3) {
                case 0:
                    text[at] = byte;
                    break;
                case 1:
                    text.insert(at, 1, byte);
                    break;
                default:
                    text.erase(at, 1);
            }
        }
        expectSame(outcomeOf([&] { return decodeDataPacketMember(text, "result"); }),
                   memberThroughDocument(text, "result"), text);
    }
}

TEST(PacketScan, AFieldListMetBeforeReadsAsItsOwnText) {
    // Same names, another size: the list read again, not the one kept.
    const std::string narrow = R"([{"name":"A","size":2,"type":"string"}])";
    const std::string wide = R"([{"name":"A","size":5,"type":"string"}])";
    EXPECT_EQ(decodeDataPacket(packetWith(R"([["ab"]])", narrow)).fields[0].size, 2);
    EXPECT_EQ(decodeDataPacket(packetWith(R"([["abcde"]])", wide)).fields[0].size, 5);
    EXPECT_THROW(decodeDataPacket(packetWith(R"([["abc"]])", narrow)), PacketError);
    // A list refused is refused every time, with the same message.
    const std::string twice = R"([{"name":"A","type":"string"},{"name":"A","type":"string"}])";
    for (int i = 0; i < 2; ++i) expectAsDocument(packetWith("[]", twice));
    // More lists than are kept, then the first again.
    for (int i = 0; i < 40; ++i) {
        const std::string fields = R"([{"name":"F)" + std::to_string(i % 20) + R"(","size":)" +
                                   std::to_string(1 + i % 20) + R"(,"type":"string"}])";
        const DataPacket p = decodeDataPacket(packetWith(R"([["x"]])", fields));
        EXPECT_EQ(p.fields[0].name, "F" + std::to_string(i % 20));
        EXPECT_EQ(p.fields[0].size, 1 + i % 20);
    }
}
