// What the call decoder lets through, on either database: no control
// character in a text argument or a packet value (the description may span
// lines), and change packets within fixed counts of fields and changes.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include "contract_calls.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

constexpr const char* kAna = "000000000101";
constexpr const char* kDay = "2026-12-08";

const std::vector<std::string>& controlCharacters() {
    static const std::vector<std::string> chars = {
        std::string(1, '\0'), "\x01", "\t", "\n", "\r", "\x1b", "\x1f"};
    return chars;
}

class ControlCharacters : public ::testing::Test {
protected:
    TestServer server;
    std::string token = server.login(kAna);

    void expectRefused(const Reply& r, const std::string& what) {
        EXPECT_EQ(r.status, 400) << what << ": " << r.body.dump();
        EXPECT_EQ(r.body["error"]["code"], "bad_request") << what;
    }

    json dayPacket() { return server.result(token, "getAtividades", {kAna, "0001", date(kDay)}); }
};

TEST_F(ControlCharacters, every_text_argument_of_every_method_refuses_them) {
    for (const ContractCall& c : everyMethodCall()) {
        ASSERT_EQ(server.call(token, c.name(), c.args, c.server()).status, 200) << c.name();
        for (std::size_t i = 0; i < c.args.size(); ++i) {
            if (c.method->args[i].kind != protocol::ArgKind::Text) continue;
            for (const std::string& bad : controlCharacters()) {
                json args = c.args;
                args[i] = args[i].get<std::string>() + bad + "z";
                const Reply r = server.call(token, c.name(), args, c.server());
                expectRefused(r, c.name() + " argument " + std::to_string(i + 1));
                EXPECT_NE(r.body["error"].value("message", "").find("caractere de controle"),
                          std::string::npos);
            }
        }
    }
    // The server and method names are texts too.
    for (const char* key : {"server", "method"}) {
        json body = {{"server", "Zep00700.rdmApropriacao"},
                     {"method", "getHoraServidor"},
                     {"args", json::array()}};
        body[key] = body[key].get<std::string>() + std::string(1, '\0');
        expectRefused(server.post("/v1/call", body.dump(), token), key);
    }
}

TEST_F(ControlCharacters, a_login_with_a_cut_short_user_code_is_refused_not_taken_for_that_user) {
    // A database that stores C strings would read the user as 000000000101.
    const auto login = [&](const std::string& user, const std::string& password,
                           const std::string& branch) {
        return server.post("/v1/login",
                           json{{"user", user}, {"password", password}, {"branch", branch}}.dump());
    };
    const std::string nul(1, '\0');
    expectRefused(login(std::string(kAna) + nul + "z", "senha101", "0001"), "user");
    expectRefused(login(kAna, "senha101", "0001" + nul), "branch");
    expectRefused(login(kAna, "senha101" + nul, "0001"), "password");
    expectRefused(login(std::string(kAna) + "\n", "senha101", "0001"), "user with a line break");
    EXPECT_EQ(login(kAna, "senha101", "0001").status, 200);
}

TEST_F(ControlCharacters,
       packet_values_refuse_them_but_the_description_may_hold_tabs_and_line_breaks) {
    const json day = dayPacket();
    const std::size_t rowsBefore = day["rows"].size();
    const std::string nul(1, '\0');
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"TXAPRATIVTAR", "abc" + nul + "def"},
        {"TXAPRATIVTAR", "abc\x07"},
        {"CDOPERADOR", std::string(kAna) + nul},
        {"NRTAREFA", "0000000001\n"},
        {"HORAINI", "08:00:00\t"},
        {"CDFILIAL", "0001\r"},
    };
    for (const auto& [field, value] : bad) {
        json row = newRow(kDay, "08:00:00", "09:00:00");
        row[field] = value;
        expectRefused(
            server.call(token, "SetAtividades", json::array({DeltaBuilder(day).insert(row).arg()})),
            field);
    }
    EXPECT_EQ(dayPacket()["rows"].size(), rowsBefore) << "a refused packet left rows behind";

    json row = newRow(kDay, "08:00:00", "09:00:00");
    row["TXAPRATIVTAR"] = "Primeira linha\r\nsegunda\tcoluna\nfim";
    ASSERT_EQ(
        server.call(token, "SetAtividades", json::array({DeltaBuilder(day).insert(row).arg()}))
            .status,
        200);
    const auto rows = rowsByName(dayPacket());
    ASSERT_EQ(rows.size(), rowsBefore + 1);
    EXPECT_EQ(rows.back()["TXAPRATIVTAR"], "Primeira linha\r\nsegunda\tcoluna\nfim");
}

TEST_F(ControlCharacters, a_field_name_with_one_is_refused) {
    json day = dayPacket();
    day["fields"].push_back(
        {{"name", std::string("EXTRA") + std::string(1, '\0')}, {"type", "string"}, {"size", 5}});
    json row = newRow(kDay, "08:00:00", "09:00:00");
    expectRefused(
        server.call(token, "SetAtividades", json::array({DeltaBuilder(day).insert(row).arg()})),
        "field name");
}

class PacketLimits : public ControlCharacters {};

TEST_F(PacketLimits, a_packet_past_the_fixed_counts_of_fields_or_changes_is_refused_whole) {
    const json day = dayPacket();
    const std::size_t rowsBefore = day["rows"].size();

    json wide = day;
    for (int i = static_cast<int>(wide["fields"].size()); i < 65; ++i)
        wide["fields"].push_back(
            {{"name", "EXTRA" + std::to_string(i)}, {"type", "string"}, {"size", 5}});
    const Reply tooWide = server.call(
        token, "SetAtividades",
        json::array({DeltaBuilder(wide).insert(newRow(kDay, "08:00:00", "09:00:00")).arg()}));
    EXPECT_EQ(tooWide.status, 422) << tooWide.body.dump();
    EXPECT_EQ(tooWide.body["error"]["code"], "invalid");

    // 501 one-minute inserts: each valid alone, but more than one save takes.
    DeltaBuilder many(day);
    for (int m = 0; m < 501; ++m) {
        const auto at = [](int minute) {
            return fmt::format("{:02}:{:02}:00", minute / 60, minute % 60);
        };
        many.insert(newRow("2026-12-04", at(m), at(m + 1)));
    }
    const Reply tooMany = server.call(token, "SetAtividades", json::array({many.arg()}));
    EXPECT_EQ(tooMany.status, 413) << tooMany.body.dump();
    EXPECT_EQ(tooMany.body["error"]["code"], "too_large");
    EXPECT_EQ(dayPacket()["rows"].size(), rowsBefore);
    EXPECT_TRUE(
        server.result(token, "getAtividades", {kAna, "0001", date("2026-12-04")})["rows"].empty());
}

}  // namespace
}  // namespace appserver::testing
