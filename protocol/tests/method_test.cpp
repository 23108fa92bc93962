// Looking methods up by name, the texts of argument mismatches, and answers
// as data packet field definitions, over a module made for the test.
#include <gtest/gtest.h>

#include "protocol/method.h"

namespace protocol {
namespace {

using platform::dataset::FieldType;

constexpr Arg kDayArgs[] = {{ArgKind::Text, "operador"}, {ArgKind::Date, "dia"}};
constexpr Arg kPacketArgs[] = {{ArgKind::ChangePacket, "pacote de alterações"}};
constexpr Arg kStampArgs[] = {{ArgKind::Text, "filial"}, {ArgKind::DateTime, "instante"}};
constexpr Field kTotalFields[] = {
    {"TOTAL", FieldType::String, 8, {.where = true, .hidden = true}},
    {"DIA", FieldType::DateTime, 0, {.key = true}},
};
constexpr Answer kTotal{kTotalFields};

// A second module is just another table.
constexpr Method kGetResumo{"getResumo", kDayArgs, &kTotal};
constexpr Method kSetResumo{"SetResumo", kPacketArgs, nullptr};
constexpr Method kMarca{"Marca", kStampArgs, nullptr};
constexpr const Method* kMethods[] = {&kGetResumo, &kSetResumo, &kMarca};
constexpr Module kResumo{"Zep00800.rdmResumo", kMethods};

TEST(Method, is_found_by_its_name_in_any_letter_case) {
    EXPECT_EQ(findMethod(kResumo, "getResumo"), &kGetResumo);
    EXPECT_EQ(findMethod(kResumo, "GETRESUMO"), &kGetResumo);
    EXPECT_EQ(findMethod(kResumo, "setresumo"), &kSetResumo);
    for (const char* unknown : {"getResum", "getResumo ", "getResumos", "", "Zep00800.rdmResumo"})
        EXPECT_EQ(findMethod(kResumo, unknown), nullptr) << '"' << unknown << '"';
}

TEST(Method, names_compare_and_order_without_regard_to_ascii_letter_case) {
    EXPECT_TRUE(sameMethodName("GetDatas", "getdatas"));
    EXPECT_FALSE(sameMethodName("GetDatas", "GetData"));
    EXPECT_FALSE(sameMethodName("início", "INÍCIO"));  // only ASCII letters fold
    const MethodNameLess less;
    EXPECT_FALSE(less("getPonto", "GETPONTO"));
    EXPECT_FALSE(less("GETPONTO", "getPonto"));
    EXPECT_TRUE(less("getApropria", "GetAtividades"));
    EXPECT_TRUE(less("GetDatas", "getHoraServidor"));
    EXPECT_TRUE(less("getPonto", "getPontoReal"));
}

TEST(Method, mismatched_arguments_are_worded_as_the_server_words_them) {
    EXPECT_EQ(argumentCountError(kGetResumo, 3), "getResumo espera 2 argumento(s) e recebeu 3");
    EXPECT_EQ(argumentCountError(kSetResumo, 0), "SetResumo espera 1 argumento(s) e recebeu 0");
    EXPECT_EQ(argumentKindError(kGetResumo, 0),
              "getResumo: o argumento 1 (operador) deve ser um texto");
    EXPECT_EQ(argumentKindError(kGetResumo, 1), "getResumo: o argumento 2 (dia) deve ser uma data");
    EXPECT_EQ(argumentKindError(kMarca, 1),
              "Marca: o argumento 2 (instante) deve ser uma data e hora");
    EXPECT_EQ(argumentKindError(kSetResumo, 0),
              "SetResumo: o argumento 1 (pacote de alterações) deve ser um pacote de alterações");
}

TEST(Method, an_answer_becomes_the_field_definitions_of_its_packet) {
    const std::vector<platform::dataset::FieldDef> defs = fieldDefs(kTotal);
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].name, "TOTAL");
    EXPECT_EQ(defs[0].type, FieldType::String);
    EXPECT_EQ(defs[0].size, 8);
    EXPECT_EQ(defs[0].flags, (platform::dataset::UpdateFlags{.where = true, .hidden = true}));
    EXPECT_EQ(defs[1].name, "DIA");
    EXPECT_EQ(defs[1].type, FieldType::DateTime);
    // A date carries no size: its definition keeps the one any definition starts with.
    EXPECT_EQ(defs[1].size, platform::dataset::FieldDef{}.size);
    EXPECT_EQ(defs[1].flags, (platform::dataset::UpdateFlags{.key = true}));
}

TEST(Method, a_method_answering_no_data_has_no_fields) {
    EXPECT_FALSE(kSetResumo.answersData());
    EXPECT_TRUE(kSetResumo.fields().empty());
    EXPECT_TRUE(kGetResumo.answersData());
    EXPECT_EQ(kGetResumo.fields().size(), 2u);
    EXPECT_EQ(kGetResumo.fields().data(), kTotalFields);
}

}  // namespace
}  // namespace protocol
