// Change packets from an untrusted sender: counts checked before anything is
// read, control characters refused in names and texts (but where a field may
// span lines), and the duplicate-name check over many fields.
#include <gtest/gtest.h>

#include <string>

#include "platform/dataset/errors.h"
#include "platform/dataset/packet_reader.h"

using namespace platform::dataset;

namespace {

ChangePacket decodeWithin(const std::string& text, const ChangePacketLimits& limits) {
    simdjson::dom::parser parser;
    return changePacketFromElement(parser.parse(text).value(), limits);
}

std::string fieldsOf(int count, const char* prefix = "F") {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += std::string(i ? "," : "") + R"({"name":")" + prefix + std::to_string(i) +
               R"(","type":"string","size":40})";
    return out;
}

/// One insert of `value` into a packet with fields NOTE (multiline) and CODE.
std::string insertOf(const std::string& field, const std::string& value) {
    const std::string note = field == "NOTE" ? value : "x";
    const std::string code = field == "CODE" ? value : "x";
    return R"({"fields":[{"name":"NOTE","type":"string","size":40},)"
           R"({"name":"CODE","type":"string","size":40}],)"
           R"("changes":[{"op":"insert","new":[")" +
           note + R"(",")" + code + R"("]}]})";
}

ChangePacketLimits strict() {
    ChangePacketLimits l;
    l.maxFields = 4;
    l.maxChanges = 2;
    l.refuseControlCharacters = true;
    l.multilineFields = {"note"};
    return l;
}

}  // namespace

TEST(PacketLimits, CountsOfFieldsAndChangesAreCheckedWithTheirKind) {
    const std::string within = R"({"fields":[)" + fieldsOf(4) +
                               R"(],"changes":[{"op":"insert","new":["a","b","c","d"]}]})";
    EXPECT_EQ(decodeWithin(within, strict()).changes.size(), 1u);
    try {
        decodeWithin(R"({"fields":[)" + fieldsOf(5) + R"(],"changes":[]})", strict());
        ADD_FAILURE() << "five fields accepted";
    } catch (const PacketLimitError& e) {
        EXPECT_EQ(e.kind(), PacketLimitError::Kind::Fields);
        EXPECT_NE(std::string(e.what()).find("at most 4 fields"), std::string::npos) << e.what();
    }
    const std::string change = R"({"op":"delete","old":["a"]})";
    try {
        decodeWithin(R"({"fields":[)" + fieldsOf(1) + R"(],"changes":[)" + change + "," + change +
                         "," + change + "]}",
                     strict());
        ADD_FAILURE() << "three changes accepted";
    } catch (const PacketLimitError& e) {
        EXPECT_EQ(e.kind(), PacketLimitError::Kind::Changes);
    }
    // The count comes before the rows: a bad row past the count is never looked at.
    EXPECT_THROW(decodeWithin(R"({"fields":[)" + fieldsOf(1) + R"(],"changes":[)" + change + "," +
                                  change + R"(,"junk"]})",
                              strict()),
                 PacketLimitError);
}

TEST(PacketLimits, ControlCharactersAreRefusedSaveLineBreaksAndTabsInMultilineFields) {
    EXPECT_EQ(
        decodeWithin(insertOf("NOTE", R"(a\tb\r\nc)"), strict()).changes[0].newValues[0].asString(),
        "a\tb\r\nc");
    for (const char* bad : {R"(a\u0000b)", R"(\u0001)", R"(x\u001f)"}) {
        EXPECT_THROW(decodeWithin(insertOf("NOTE", bad), strict()), PacketError) << bad;
        EXPECT_THROW(decodeWithin(insertOf("CODE", bad), strict()), PacketError) << bad;
    }
    for (const char* lineBreak : {R"(a\tb)", R"(a\nb)", R"(a\rb)"})
        EXPECT_THROW(decodeWithin(insertOf("CODE", lineBreak), strict()), PacketError) << lineBreak;
    try {
        decodeWithin(insertOf("CODE", R"(ab\u0000)"), strict());
    } catch (const PacketError& e) {
        EXPECT_NE(std::string(e.what()).find(
                      "Field CODE holds the control character U+0000 at position 3"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(
        decodeWithin(R"({"fields":[{"name":"A\u0000","type":"string"}],"changes":[]})", strict()),
        PacketError);
    // Without the rule the same texts pass, as for a packet the program itself made.
    EXPECT_EQ(decodeWithin(insertOf("CODE", R"(a\u0000b)"), ChangePacketLimits{})
                  .changes[0]
                  .newValues[1]
                  .asString(),
              std::string("a\0b", 3));
}

TEST(PacketLimits, DuplicateNamesAreFoundAmongManyFieldsWithoutRegardToCase) {
    const std::string fields = fieldsOf(20000);
    const std::string withTwin =
        R"({"fields":[)" + fields + R"(,{"name":"f123","type":"string"}],"changes":[]})";
    try {
        decodeWithin(withTwin, ChangePacketLimits{});
        ADD_FAILURE() << "a duplicate name accepted";
    } catch (const PacketError& e) {
        EXPECT_NE(std::string(e.what()).find("f123 appears twice"), std::string::npos) << e.what();
    }
    EXPECT_EQ(decodeWithin(R"({"fields":[)" + fields + R"(],"changes":[]})", ChangePacketLimits{})
                  .fields.size(),
              20000u);
}
