// The screen's data sets (resources/datasets.json, as the screen reads it)
// held against the answers of the methods that load them: a field renamed,
// moved, retyped, resized or flagged differently on either side fails here.
#include <gtest/gtest.h>

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

#include "platform/dataset/data_set.h"
#include "protocol/apropriacao.h"
#include "screen/frm_apropriacao.h"

namespace {

namespace apropriacao = protocol::apropriacao;
using platform::dataset::FieldType;

/// What the wire says of a field: its name, type, size (text only) and flags.
std::string wireForm(std::string_view name, FieldType type, int size,
                     const platform::dataset::UpdateFlags& flags) {
    std::string out(name);
    out += type == FieldType::String     ? " string(" + std::to_string(size) + ")"
           : type == FieldType::DateTime ? " datetime"
                                         : " other";
    if (flags.where) out += " where";
    if (flags.key) out += " key";
    if (flags.hidden) out += " hidden";
    return out;
}

std::vector<std::string> wireForm(const platform::dataset::DataSet& dataSet) {
    std::vector<std::string> out;
    for (const platform::dataset::FieldDef& f : dataSet.fieldDefs())
        out.push_back(wireForm(f.name, f.type, f.size, f.flags));
    return out;
}

std::vector<std::string> wireForm(const protocol::Method& method) {
    std::vector<std::string> out;
    for (const protocol::Field& f : method.fields())
        out.push_back(wireForm(f.name, f.type, f.size, f.flags));
    return out;
}

/// Each data set of the screen and the method whose answer the screen loads into it.
struct Loaded {
    const char* dataSet;
    const protocol::Method& method;
};

const Loaded kLoaded[] = {
    {"cdsAtividades", apropriacao::getAtividades},
    {"cdsPonto", apropriacao::getPonto},
    {"cdsDatas", apropriacao::getDatas},
    {"cdsHoraServidor", apropriacao::getHoraServidor},
    {"cdsPesqTarefa", apropriacao::getPesqTarefa},
    {"cdsPesqAtiv", apropriacao::getPesqAtiv},
    {"cdsVdTarefa", apropriacao::getVdTarefa},
    {"cdsVdAtiv", apropriacao::getVdAtiv},
    {"cdsApropria", apropriacao::getApropria},
    {"cdsTotApro", apropriacao::getTotApro},
    {"cdsTotPontoReal", apropriacao::getTotPontoReal},
    {"cdsOperEquip", apropriacao::getOperEquip},
    {"cdsCtrlAcesso", apropriacao::getCtrlAcesso},
};

struct ContractTest : ::testing::Test {
    std::unique_ptr<Cli_Zep00700::TfrmApropriacao> form =
        std::make_unique<Cli_Zep00700::TfrmApropriacao>();
};

TEST_F(ContractTest, EveryDataSetHasTheFieldsOfTheAnswerLoadedIntoIt) {
    for (const Loaded& loaded : kLoaded) {
        const platform::dataset::DataSet* dataSet =
            form->findDataSet(QString::fromLatin1(loaded.dataSet));
        ASSERT_NE(dataSet, nullptr) << loaded.dataSet;
        EXPECT_EQ(wireForm(*dataSet), wireForm(loaded.method))
            << loaded.dataSet << " (datasets.json) against the answer of " << loaded.method.name;
    }
}

TEST_F(ContractTest, EveryDataSetOfTheScreenIsLoadedFromAMethodThatAnswersData) {
    // A data set of the screen's own, filled by no method, would be listed here apart.
    QStringList paired;
    for (const Loaded& loaded : kLoaded) {
        paired << QString::fromLatin1(loaded.dataSet);
        EXPECT_TRUE(loaded.method.answersData()) << loaded.method.name;
        EXPECT_EQ(protocol::findMethod(apropriacao::module, loaded.method.name), &loaded.method)
            << loaded.method.name << " is not a method of " << apropriacao::module.name;
    }
    for (const QString& name : form->dataSetNames())
        EXPECT_TRUE(paired.contains(name))
            << name.toStdString() << " is not paired with the method that loads it";
}

}  // namespace
