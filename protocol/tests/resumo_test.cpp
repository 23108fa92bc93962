// The remote module "Zep00710.rdmResumo": a table of its own beside the day
// screen's, whose shared methods answer exactly as the day screen's do (the
// framework's operator search and access check load either), and whose
// summary rows carry what the month's grid is built from.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "protocol/apropriacao.h"
#include "protocol/resumo.h"

namespace protocol {
namespace {

namespace resumo = protocol::resumo;
namespace apropriacao = protocol::apropriacao;

std::vector<std::string> names(std::span<const Field> fields) {
    std::vector<std::string> out;
    for (const Field& f : fields) out.emplace_back(f.name);
    return out;
}

bool sameFields(const Method& a, const Method& b) {
    const auto fa = a.fields();
    const auto fb = b.fields();
    if (fa.size() != fb.size()) return false;
    for (std::size_t i = 0; i < fa.size(); ++i)
        if (fa[i].name != fb[i].name || fa[i].type != fb[i].type || fa[i].size != fb[i].size ||
            !(fa[i].flags == fb[i].flags))
            return false;
    return true;
}

bool sameArgs(const Method& a, const Method& b) {
    if (a.args.size() != b.args.size()) return false;
    for (std::size_t i = 0; i < a.args.size(); ++i)
        if (a.args[i].kind != b.args[i].kind || a.args[i].name != b.args[i].name) return false;
    return true;
}

TEST(Resumo, is_a_module_of_its_own_whose_methods_are_found_by_name_in_any_case) {
    EXPECT_EQ(resumo::module.name, "Zep00710.rdmResumo");
    EXPECT_NE(resumo::module.name, apropriacao::module.name);
    std::set<std::string> seen;
    for (const Method* m : resumo::module.methods) {
        std::string upper(m->name);
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        EXPECT_TRUE(seen.insert(upper).second) << m->name << " twice";
        EXPECT_EQ(findMethod(resumo::module, upper), m);
    }
    EXPECT_EQ(seen.size(), 8u);
    // The day screen's methods are not served under the summary's name.
    EXPECT_EQ(findMethod(resumo::module, "getAtividades"), nullptr);
    EXPECT_EQ(findMethod(apropriacao::module, "GetResumoPeriodo"), nullptr);
}

TEST(Resumo, the_methods_both_screens_call_take_and_answer_the_same) {
    for (const auto& [mine, days] :
         {std::pair{&resumo::getCtrlAcesso, &apropriacao::getCtrlAcesso},
          std::pair{&resumo::getHoraServidor, &apropriacao::getHoraServidor},
          std::pair{&resumo::getOperEquip, &apropriacao::getOperEquip}}) {
        EXPECT_EQ(mine->name, days->name);
        EXPECT_TRUE(sameArgs(*mine, *days)) << mine->name;
        EXPECT_TRUE(sameFields(*mine, *days)) << mine->name;
    }
    // The closing check answers as the access check: a row when allowed.
    EXPECT_TRUE(sameFields(resumo::getCtrlFechamento, resumo::getCtrlAcesso));
}

TEST(Resumo, the_period_answers_one_row_per_operator_and_day) {
    EXPECT_EQ(names(resumo::getResumoPeriodo.fields()),
              (std::vector<std::string>{"CDOPERADOR", "NMOPERADOR", "DTDIA", "QTHRAPRO",
                                        "QTHRPONTO", "IDFECHADO"}));
    const auto f = resumo::getResumoPeriodo.fields();
    EXPECT_EQ(f[2].type, platform::dataset::FieldType::DateTime);
    EXPECT_EQ(f[3].size, 8);  // "HH:MM:SS"
    EXPECT_EQ(f[4].size, 8);
    EXPECT_EQ(f[5].size, 1);  // "S" or "N"
    const auto a = resumo::getResumoPeriodo.args;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[3].kind, ArgKind::Date);
    EXPECT_EQ(a[4].kind, ArgKind::Date);
    EXPECT_EQ(argumentKindError(resumo::getResumoPeriodo, 4),
              "GetResumoPeriodo: o argumento 5 (até) deve ser uma data");
}

TEST(Resumo, the_months_operators_are_asked_as_the_period_is_but_by_month) {
    EXPECT_EQ(names(resumo::getOperadoresResumo.fields()),
              (std::vector<std::string>{"CDOPERADOR", "NMOPERADOR", "IDFECHADO"}));
    const auto args = resumo::getOperadoresResumo.args;
    ASSERT_EQ(args.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(args[i].name, resumo::getResumoPeriodo.args[i].name);
    EXPECT_EQ(args[3].name, resumo::setFechamento.args[2].name);  // "YYYY-MM", as the closing's
    EXPECT_EQ(args[3].kind, ArgKind::Text);
}

TEST(Resumo, only_the_closing_answers_no_data_and_it_takes_texts) {
    for (const Method* m : resumo::module.methods) {
        EXPECT_EQ(m->answersData(), m != &resumo::setFechamento) << m->name;
        for (const Field& f : m->fields()) {
            if (f.type == platform::dataset::FieldType::String) {
                EXPECT_GT(f.size, 0) << m->name << ": " << f.name;
            }
        }
    }
    ASSERT_EQ(resumo::setFechamento.args.size(), 4u);
    for (const Arg& a : resumo::setFechamento.args) EXPECT_EQ(a.kind, ArgKind::Text) << a.name;
    EXPECT_EQ(names(resumo::getEquipes.fields()),
              (std::vector<std::string>{"CDEQUIPE", "NMEQUIPE"}));
}

}  // namespace
}  // namespace protocol
