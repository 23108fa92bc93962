// The remote module "Zep00700.rdmApropriacao" as a table that can be trusted:
// one method a name in any letter case, one field a name in every answer,
// and every argument and field described enough to check a call or a packet.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/dataset/field_def.h"
#include "protocol/apropriacao.h"

namespace protocol {
namespace {

namespace apropriacao = protocol::apropriacao;

std::string upper(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

TEST(Apropriacao, method_names_are_unique_in_any_letter_case) {
    std::set<std::string> seen;
    for (const Method* m : apropriacao::module.methods)
        EXPECT_TRUE(seen.insert(upper(m->name)).second) << m->name << " twice";
    EXPECT_EQ(seen.size(), 17u);
}

TEST(Apropriacao, every_method_is_found_by_its_name_as_the_screen_or_any_case_spells_it) {
    for (const Method* m : apropriacao::module.methods) {
        EXPECT_EQ(findMethod(apropriacao::module, m->name), m) << m->name;
        EXPECT_EQ(findMethod(apropriacao::module, upper(m->name)), m) << m->name;
    }
    EXPECT_EQ(findMethod(apropriacao::module, "getatividades"), &apropriacao::getAtividades);
    EXPECT_EQ(findMethod(apropriacao::module, "GetCtrlAcesso"), &apropriacao::getCtrlAcesso);
    EXPECT_EQ(findMethod(apropriacao::module, "getDia"), nullptr);
    EXPECT_EQ(apropriacao::module.name, "Zep00700.rdmApropriacao");
}

TEST(Apropriacao, field_names_are_unique_within_every_answer) {
    for (const Method* m : apropriacao::module.methods) {
        std::set<std::string> seen;
        for (const Field& f : m->fields())
            EXPECT_TRUE(seen.insert(upper(f.name)).second) << m->name << ": " << f.name << " twice";
    }
}

TEST(Apropriacao, every_field_and_argument_is_described_enough_to_check_against) {
    for (const Method* m : apropriacao::module.methods) {
        for (const Field& f : m->fields()) {
            EXPECT_FALSE(f.name.empty()) << m->name;
            if (f.type == platform::dataset::FieldType::String)
                EXPECT_GT(f.size, 0) << m->name << ": " << f.name;
            else
                EXPECT_EQ(f.size, 0) << m->name << ": " << f.name << " is sent without a size";
        }
        for (const Arg& a : m->args) EXPECT_FALSE(a.name.empty()) << m->name;
    }
}

TEST(Apropriacao, only_the_writing_methods_answer_no_data) {
    std::set<std::string_view> noData;
    for (const Method* m : apropriacao::module.methods)
        if (!m->answersData()) noData.insert(m->name);
    EXPECT_EQ(noData, (std::set<std::string_view>{"SetAtividades", "GetUpdateAtiv"}));
    EXPECT_EQ(apropriacao::setAtividades.args.size(), 1u);
    EXPECT_EQ(apropriacao::setAtividades.args[0].kind, ArgKind::ChangePacket);
}

}  // namespace
}  // namespace protocol
