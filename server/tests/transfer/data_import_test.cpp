// The data file import: all or nothing, errors that name the item at fault.
#include <gtest/gtest.h>

#include "appserver/stores/directory_store.h"
#include "appserver/stores/password_hasher.h"
#include "appserver/transfer/data_import.h"
#include "test_support.h"

namespace appserver::testing {
namespace {

using nlohmann::json;

std::string importError(Database& db, const json& data) {
    try {
        importData(db, data, PasswordHasher(HashCost::minimum()));
    } catch (const ImportError& e) {
        return e.what();
    }
    return "(imported)";
}

TEST(DataImport, imports_everything_and_stores_only_password_hashes) {
    TestDatabase t(false);
    const auto s = importData(t.db(), baseData(), PasswordHasher(HashCost::minimum()));
    EXPECT_EQ(s.operators, 4u);
    EXPECT_EQ(s.appropriations, 7u);
    EXPECT_EQ(s.punches, 5u);
    EXPECT_EQ(rowCount(t.db(), "activity_operators"), 1);
    auto lease = t.db().acquire();
    const auto op = findOperator(lease.sql(), "000000000101");
    ASSERT_TRUE(op);
    EXPECT_EQ(op->passwordHash.find("senha101"), std::string::npos);
    EXPECT_TRUE(PasswordHasher(HashCost::minimum()).verify(op->passwordHash, "senha101"));
    EXPECT_FALSE(PasswordHasher(HashCost::minimum()).verify(op->passwordHash, "senha102"));
}

TEST(DataImport, a_file_with_an_error_is_refused_whole_naming_the_member_and_index) {
    TestDatabase t(false);
    json data = baseData();
    data["operators"][2]["name"] = std::string(41, 'n');
    EXPECT_EQ(importError(t.db(), data), "operators[2]: \"name\" tem mais de 40 caracteres");
    EXPECT_EQ(rowCount(t.db(), "branches"), 0);

    data = baseData();
    data["appropriations"][1]["task"] = "0000000077";  // no such task
    EXPECT_EQ(importError(t.db(), data).rfind("appropriations[1]: ", 0), 0u);
    data = baseData();
    data["appropriations"][0]["end"] = "2026-12-07T07:00:00";
    EXPECT_EQ(importError(t.db(), data),
              "appropriations[0]: \"end\" deve ser depois de \"start\", no mesmo dia");
    data = baseData();
    data["punches"][4]["at"] = "07/12/2026";
    EXPECT_EQ(importError(t.db(), data),
              "punches[4]: \"at\" deve ser uma data e hora AAAA-MM-DDTHH:MM:SS");
    data = baseData();
    data["tasks"] = json::object();
    EXPECT_EQ(importError(t.db(), data), "tasks: deve ser uma lista");
    EXPECT_EQ(rowCount(t.db(), "operators"), 0);
    EXPECT_EQ(rowCount(t.db(), "appropriations"), 0);
}

TEST(DataImport, operators_may_carry_a_pis_and_a_cpf_each_of_one_operator) {
    TestDatabase t(false);
    json data = baseData();
    data["operators"][0]["cpf"] = "111.222.333-96";
    data["operators"][0]["pis"] = "120.11223.34-4";
    data["operators"][1]["cpf"] = "22233344405";
    importData(t.db(), data, PasswordHasher(HashCost::minimum()));
    {
        auto lease = t.db().acquire();
        std::string cpf, pis;
        soci::indicator pisInd = soci::i_ok;
        lease.sql() << "SELECT cpf, pis FROM operators WHERE code = '000000000101'",
            soci::into(cpf), soci::into(pis, pisInd);
        EXPECT_EQ(cpf, "11122233396");
        EXPECT_EQ(pis, "12011223344");
        lease.sql() << "SELECT pis FROM operators WHERE code = '000000000102'",
            soci::into(pis, pisInd);
        EXPECT_EQ(pisInd, soci::i_null);
    }

    TestDatabase other(false);
    data = baseData();
    data["operators"][2]["cpf"] = "1112223339";
    EXPECT_EQ(importError(other.db(), data), "operators[2]: \"cpf\" deve ter 11 dígitos");
    data["operators"][2]["cpf"] = "111222333x6";
    EXPECT_EQ(importError(other.db(), data), "operators[2]: \"cpf\" deve ter só dígitos (11)");
    data["operators"][2]["cpf"] = "11122233396";
    data["operators"][3]["cpf"] = "111.222.333-96";  // the same person twice
    EXPECT_EQ(importError(other.db(), data).rfind("operators[3]: ", 0), 0u);
    EXPECT_EQ(rowCount(other.db(), "operators"), 0);
}

TEST(DataImport, members_are_optional_and_unknown_ones_are_ignored) {
    TestDatabase t(false);
    const json data = {{"branches", {{{"code", "0001"}, {"name", "Matriz"}}}},
                       {"login", {{"user", "x"}}},
                       {"clock", "2026-12-08T10:00:00"}};
    const auto s = importData(t.db(), data, PasswordHasher(HashCost::minimum()));
    EXPECT_EQ(s.branches, 1u);
    EXPECT_EQ(s.operators, 0u);
    EXPECT_TRUE(databaseIsEmpty(t.db()));
}

}  // namespace
}  // namespace appserver::testing
