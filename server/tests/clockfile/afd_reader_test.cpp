// The punch file reader: both layouts, their checks, and the order of records.
#include <gtest/gtest.h>

#include "appserver/clockfile/afd_reader.h"
#include "appserver/clockfile/afd_writer.h"

namespace appserver::afd {
namespace {

using platform::dataset::DateTime;

constexpr const char* kCpf = "12345678909";
constexpr const char* kPis = "12011223344";

DateTime at(const char* iso) {
    return *DateTime::parseIso(iso);
}

std::string joined(const std::vector<std::string>& lines, const char* end = "\r\n") {
    std::string out;
    for (const auto& l : lines) out += l + end;
    return out;
}

bool hasIssue(const ClockFile& f, std::size_t line, const std::string& part) {
    for (const Issue& i : f.issues)
        if (i.line == line && i.reason.find(part) != std::string::npos) return true;
    return false;
}

TEST(AfdChecks, crc16_kermit_and_sha256_give_their_published_check_values) {
    EXPECT_EQ(crc16Kermit("123456789"), 0x2189);
    EXPECT_EQ(crcText("123456789"), "2189");
    EXPECT_EQ(crc16Kermit(""), 0);
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(AfdReader, reads_the_current_layout_by_the_documented_columns) {
    Writer w(Layout::Current, "00004000310000123", "Indústria São João");
    w.punch(1, at("2026-12-08T08:00:00"), -180, kCpf);
    w.hashedPunch(2, at("2026-12-08T12:01:30"), -180, kCpf);
    auto lines = w.lines();
    // A punch record written by hand from the documented columns, not by the writer.
    const std::string body =
        "000000003"
        "3"
        "2026-12-08T13:00:00-0300"
        "0"
        "12345678909";
    ASSERT_EQ(body.size(), 46u);
    lines.insert(lines.end() - 1, body + crcText(body));
    lines.back().replace(18, 9, "000000002");  // the trailer now counts two type 3 records
    const ClockFile f = readClockFile(joined(lines));
    EXPECT_TRUE(f.issues.empty()) << f.issues.front().reason;
    EXPECT_EQ(f.layout, Layout::Current);
    EXPECT_EQ(f.clockSerial, "00004000310000123");
    EXPECT_EQ(f.companyName, "Indústria São João");
    ASSERT_EQ(f.punches.size(), 3u);
    EXPECT_EQ(f.punches[0].line, 2u);
    EXPECT_EQ(f.punches[1].at, at("2026-12-08T12:01:30"));
    EXPECT_EQ(f.punches[2].nsr, 3);
    EXPECT_EQ(f.punches[2].at, at("2026-12-08T13:00:00"));
    EXPECT_EQ(f.punches[2].utcOffsetMinutes, -180);
    EXPECT_EQ(f.punches[2].employee, kCpf);
    EXPECT_EQ(f.punches[2].instant(), at("2026-12-08T16:00:00").toSeconds());
    EXPECT_EQ(f.records, 5u);
}

TEST(AfdReader, reads_the_old_layout_with_plain_line_feeds_too) {
    Writer w(Layout::Old, "1234", "Oficina");
    w.other('2', 1);
    w.punch(2, at("2026-12-08T07:58:00"), 0, kPis);
    auto lines = w.lines();
    const std::string handWritten =
        "000000003"
        "3"
        "08122026"
        "1202"
        "012011223344";
    ASSERT_EQ(handWritten.size(), 34u);
    lines.insert(lines.end() - 1, handWritten);
    lines.back().replace(18, 9, "000000002");
    const ClockFile f = readClockFile(joined(lines, "\n"));
    EXPECT_TRUE(f.issues.empty()) << f.issues.front().reason;
    EXPECT_EQ(f.layout, Layout::Old);
    EXPECT_EQ(f.clockSerial, "1234");
    ASSERT_EQ(f.punches.size(), 2u);
    EXPECT_EQ(f.punches[1].at, at("2026-12-08T12:02:00"));
    EXPECT_FALSE(f.punches[1].utcOffsetMinutes);
    EXPECT_EQ(f.punches[1].employee, kPis);
}

TEST(AfdReader, a_record_that_fails_its_crc_is_reported_by_line_and_the_rest_is_read) {
    Writer w(Layout::Current, "77", "X");
    w.punch(1, at("2026-12-08T08:00:00"), -180, kCpf);
    w.punch(2, at("2026-12-08T12:00:00"), -180, kCpf)[22] = '5';  // 12:00 becomes 15:00
    w.other('4', 3)[12] = '1';
    w.punch(4, at("2026-12-08T17:00:00"), -180, kCpf);
    const ClockFile f = readClockFile(w.text());
    ASSERT_EQ(f.issues.size(), 2u);
    EXPECT_TRUE(hasIssue(f, 3, "CRC do registro do tipo 3"));
    EXPECT_TRUE(hasIssue(f, 4, "CRC do registro do tipo 4"));
    ASSERT_EQ(f.punches.size(), 2u);
    EXPECT_EQ(f.punches[1].nsr, 4);
}

TEST(AfdReader, an_altered_link_of_the_hash_chain_is_reported_alone) {
    Writer w(Layout::Current, "77", "X");
    w.hashedPunch(1, at("2026-12-08T08:00:00"), -180, kCpf);
    w.hashedPunch(2, at("2026-12-08T12:00:00"), -180, kCpf)[22] = '1';  // 12:00 becomes 11:00
    w.hashedPunch(3, at("2026-12-08T13:00:00"), -180, kCpf);
    const ClockFile f = readClockFile(w.text());
    ASSERT_EQ(f.issues.size(), 1u);
    EXPECT_TRUE(hasIssue(f, 3, "SHA-256"));
    ASSERT_EQ(f.punches.size(), 2u);
    EXPECT_EQ(f.punches[1].nsr, 3);
}

TEST(AfdReader, nsrs_must_rise_and_punches_must_not_go_back_in_true_time) {
    Writer w(Layout::Current, "77", "X");
    w.punch(5, at("2026-12-08T08:00:00"), -180, kCpf);
    w.punch(5, at("2026-12-08T09:00:00"), -180, kCpf);  // repeated NSR
    w.punch(4, at("2026-12-08T10:00:00"), -180, kCpf);  // lower NSR
    w.punch(6, at("2026-12-08T07:00:00"), -180, kCpf);  // earlier than NSR 5
    w.punch(7, at("2026-12-08T12:00:00"), -180, kCpf);
    const ClockFile f = readClockFile(w.text());
    EXPECT_TRUE(hasIssue(f, 3, "NSR 000000005 fora de ordem"));
    EXPECT_TRUE(hasIssue(f, 4, "NSR 000000004 fora de ordem"));
    EXPECT_TRUE(hasIssue(f, 5, "ordem quebrada"));
    ASSERT_EQ(f.punches.size(), 2u);
    EXPECT_EQ(f.punches[1].nsr, 7);
}

TEST(AfdReader, the_wall_clock_turned_back_by_daylight_saving_is_not_a_broken_order) {
    Writer w(Layout::Current, "77", "X");
    // 23:30 at -0200 is 01:30 UTC; 23:10 at -0300, after the clocks went back, is 02:10 UTC.
    w.punch(1, at("2026-02-21T23:30:00"), -120, kCpf);
    w.punch(2, at("2026-02-21T23:10:00"), -180, kCpf);
    // The reverse really goes back in time.
    w.punch(3, at("2026-02-21T23:40:00"), -120, kCpf);
    const ClockFile f = readClockFile(w.text());
    ASSERT_EQ(f.issues.size(), 1u);
    EXPECT_TRUE(hasIssue(f, 4, "ordem quebrada"));
    ASSERT_EQ(f.punches.size(), 2u);
    EXPECT_EQ(f.punches[1].utcOffsetMinutes, -180);
}

TEST(AfdReader, malformed_fields_counts_and_a_missing_trailer_are_reported) {
    Writer w(Layout::Current, "77", "X");
    std::string& badDate = w.punch(1, at("2026-12-08T08:00:00"), -180, kCpf);
    badDate.replace(15, 2, "13");  // month 13
    badDate = Writer::withCrc(badDate.substr(0, 46));
    std::string& badCpf = w.punch(2, at("2026-12-08T09:00:00"), -180, kCpf);
    badCpf.replace(34, 1, "9");
    badCpf = Writer::withCrc(badCpf.substr(0, 46));
    w.punch(3, at("2026-12-08T10:00:00"), -180, kCpf) += "X";
    auto lines = w.lines();
    lines.back().replace(18, 9, "000000009");
    lines.insert(lines.end() - 1, "000000004Z");
    ClockFile f = readClockFile(joined(lines));
    EXPECT_TRUE(hasIssue(f, 2, "data e hora"));
    EXPECT_TRUE(hasIssue(f, 3, "CPF"));
    EXPECT_TRUE(hasIssue(f, 4, "tipo 3 de 51 caracteres"));
    EXPECT_TRUE(hasIssue(f, 5, "tipo de registro \"Z\""));
    EXPECT_TRUE(hasIssue(f, 6, "o trailer conta 9 registros do tipo 3; o arquivo tem 3"));
    EXPECT_TRUE(f.punches.empty());

    lines.pop_back();
    f = readClockFile(joined(lines));
    EXPECT_TRUE(hasIssue(f, 5, "falta o trailer"));
    lines.push_back(w.lines().back());
    lines.push_back(lines[1]);
    f = readClockFile(joined(lines));
    EXPECT_TRUE(hasIssue(f, 7, "depois do trailer"));
}

TEST(AfdReader, a_file_without_a_usable_header_is_refused) {
    EXPECT_THROW(readClockFile(""), FileError);
    EXPECT_THROW(readClockFile("0000000001\r\n"), FileError);
    Writer w(Layout::Current, "77", "X");
    auto lines = w.lines();
    lines[0][30] = 'Y';  // the company name, under the header's CRC
    try {
        readClockFile(joined(lines));
        ADD_FAILURE() << "a header with a bad CRC was read";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("linha 1: o CRC do cabeçalho"), std::string::npos);
    }
    lines = Writer(Layout::Old, "", "X").lines();
    EXPECT_THROW(readClockFile(joined(lines)), FileError);  // no clock serial
}

TEST(AfdReader, latin1_text_becomes_utf8) {
    EXPECT_EQ(latin1ToUtf8("S\xE3o Jo\xE3o \xC7"), "São João Ç");
    EXPECT_EQ(utf8ToLatin1("São João Ç"), "S\xE3o Jo\xE3o \xC7");
}

}  // namespace
}  // namespace appserver::afd
