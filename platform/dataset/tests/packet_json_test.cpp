#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/dataset/errors.h"
#include "platform/dataset/packet_json.h"

using namespace platform::dataset;

namespace {
const char* kPacket =
    R"({"fields": [{"name": "HORAINI", "type": "string", "size": 8, "flags": ["where"]},
                                     {"name": "DTIAPATIVTAR", "type": "datetime"}],
                          "rows": [["08:00:00", "2026-12-08T08:00:00"], ["09:30:00", null]]})";
}

TEST(PacketJson, DecodesFieldsFlagsAndTypedValues) {
    DataPacket p = decodeDataPacket(kPacket);
    ASSERT_EQ(p.fields.size(), 2u);
    EXPECT_EQ(p.fields[0].size, 8);
    EXPECT_TRUE(p.fields[0].flags.where);
    EXPECT_FALSE(p.fields[0].flags.hidden);
    ASSERT_EQ(p.rows.size(), 2u);
    EXPECT_EQ(p.rows[0][1].asDateTime(), (DateTime{2026, 12, 8, 8, 0, 0}));
    EXPECT_TRUE(p.rows[1][1].isNull());
    EXPECT_EQ(p.fieldIndex("horaini"), 0);
    EXPECT_EQ(p.fieldIndex("nothing"), -1);
}

TEST(PacketJson, DataPacketRoundTrips) {
    DataPacket p = decodeDataPacket(kPacket);
    EXPECT_EQ(decodeDataPacket(encodeDataPacket(p)).rows, p.rows);
}

TEST(PacketJson, ChangePacketRoundTripsEveryOperation) {
    ChangePacket c;
    c.fields = {
        FieldDef{.name = "CHAVE2", .type = FieldType::String, .size = 35, .flags = {.where = true}},
        FieldDef{.name = "N", .type = FieldType::Integer}};
    c.changes.push_back({RowChange::Op::Insert, {}, {Value("a"), Value(1)}});
    c.changes.push_back({RowChange::Op::Update, {Value("b"), Value(2)}, {Value("b"), Value(3)}});
    c.changes.push_back({RowChange::Op::Delete, {Value("c"), Value()}, {}});
    ChangePacket back = decodeChangePacket(encodeChangePacket(c));
    ASSERT_EQ(back.changes.size(), 3u);
    EXPECT_TRUE(back.fields[0].flags.where);
    EXPECT_EQ(back.changes[1].op, RowChange::Op::Update);
    EXPECT_EQ(back.changes[1].oldValues, c.changes[1].oldValues);
    EXPECT_EQ(back.changes[1].newValues, c.changes[1].newValues);
    EXPECT_TRUE(back.changes[2].newValues.empty());
}

TEST(PacketJson, RefusesMalformedPacketsWithAClearMessage) {
    struct Case {
        const char* text;
        const char* mentions;
    } cases[] = {
        {"not json", "not valid JSON"},
        {R"({"rows": []})", "fields"},
        {R"({"fields": [{"name": "A", "type": "blob"}], "rows": []})", "blob"},
        {R"({"fields": [{"name": "A", "type": "string", "size": 2}], "rows": [["abc"]]})",
         "A holds at most 2"},
        {R"({"fields": [{"name": "A", "type": "string"}], "rows": [["a", "b"]]})",
         "Row 1 has 2 values"},
        {R"({"fields": [{"name": "A", "type": "integer"}], "rows": [["1"]]})", "type integer"},
        {R"({"fields": [{"name": "A", "type": "datetime"}], "rows": [["2026-13-01T00:00:00"]]})",
         "not a date-time"},
        {R"({"fields": [{"name": "A", "type": "string"}, {"name": "a", "type": "string"}],)"
         R"( "rows": []})",
         "twice"},
        {R"({"fields": [{"name": "A", "type": "string", "flags": ["bogus"]}], "rows": []})",
         "bogus"},
    };
    for (const Case& c : cases) {
        try {
            decodeDataPacket(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const PacketError& e) {
            EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
        }
    }
}

TEST(PacketJson, SizeCountsCharactersNotBytes) {
    DataPacket p = decodeDataPacket(
        R"({"fields": [{"name": "D", "type": "string", "size": 4}], "rows": [["Ação"]]})");
    EXPECT_EQ(p.rows[0][0].asString(), "Ação");
    // Longer in bytes and in characters; as long in bytes as the size.
    EXPECT_THROW(decodeDataPacket(R"({"fields": [{"name": "D", "type": "string", "size": 4}],)"
                                  R"( "rows": [["Açãos"]]})"),
                 PacketError);
    EXPECT_EQ(decodeDataPacket(R"({"fields": [{"name": "D", "type": "string", "size": 4}],)"
                               R"( "rows": [["Acao"]]})")
                  .rows[0][0]
                  .asString(),
              "Acao");
}

TEST(PacketJson, ChangePacketNeedsOldValuesForUpdates) {
    EXPECT_THROW(decodeChangePacket(R"({"fields": [{"name": "A", "type": "string"}],
                                        "changes": [{"op": "update", "new": ["x"]}]})"),
                 PacketError);
    EXPECT_THROW(decodeChangePacket(R"({"fields": [{"name": "A", "type": "string"}],
                                        "changes": [{"op": "merge", "new": ["x"]}]})"),
                 PacketError);
}

TEST(PacketJson, NumbersAndBooleansKeepTheirFieldTypes) {
    DataPacket p = decodeDataPacket(
        R"({"fields": [{"name": "N", "type": "integer"}, {"name": "F", "type": "float"},
                                                   {"name": "B", "type": "boolean"}],
                                        "rows": [[7, 2, true], [-3, 2.5, null]]})");
    EXPECT_EQ(p.rows[0][0].asInteger(), 7);
    EXPECT_DOUBLE_EQ(p.rows[0][1].asFloat(), 2.0);
    EXPECT_TRUE(p.rows[0][2].asBoolean());
    EXPECT_DOUBLE_EQ(p.rows[1][1].asFloat(), 2.5);
    EXPECT_TRUE(p.rows[1][2].isNull());
    for (const char* wrong : {R"([[1.5, 1, true]])", R"([[1, "1", true]])", R"([[1, 1, 1]])"}) {
        const std::string text = std::string(R"({"fields": [{"name": "N", "type": "integer"},)"
                                             R"( {"name": "F", "type": "float"},)") +
                                 R"({"name": "B", "type": "boolean"}], "rows": )" + wrong + "}";
        EXPECT_THROW(decodeDataPacket(text), PacketError) << wrong;
    }
}

TEST(PacketJson, ThePacketOfAnAnswerIsFoundByItsMember) {
    auto p = decodeDataPacketMember(std::string(R"({"result": )") + kPacket + "}", "result");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->rows.size(), 2u);
    EXPECT_FALSE(decodeDataPacketMember(R"({"result": null})", "result").has_value());
    EXPECT_THROW(decodeDataPacketMember(R"({"error": {}})", "result"), PacketError);
    EXPECT_THROW(decodeDataPacketMember(R"([1])", "result"), PacketError);
    EXPECT_THROW(decodeDataPacketMember(R"({"result": {"fields": []}})", "result"), PacketError);
}
