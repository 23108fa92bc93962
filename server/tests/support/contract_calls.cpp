#include "contract_calls.h"

#include <stdexcept>

#include "platform/dataset/packet_json.h"
#include "protocol/apropriacao.h"
#include "protocol/resumo.h"
#include "test_support.h"

namespace appserver::testing {

namespace {

using nlohmann::json;

/// The task of the base data that each branch's calls name.
std::string taskOf(const std::string& branch) {
    return branch == "0001" ? "0000000001" : "0000000009";
}

/// A change packet inserting an hour of `person` at `branch`, with the day's fields.
json insertedHour(const std::string& person, const std::string& branch) {
    const auto& day = protocol::apropriacao::getAtividades;
    const json fields = platform::dataset::toJson(
        platform::dataset::DataPacket{protocol::fieldDefs(*day.answer), {}})["fields"];
    json row = newRow("2026-12-04", "08:00:00", "09:00:00", taskOf(branch), "00001", person);
    row["CDFILIAL"] = branch;
    DeltaBuilder delta(json{{"fields", fields}});
    delta.insert(row);
    return delta.arg();
}

json valueOf(const protocol::Method& method, const protocol::Arg& arg, const std::string& person,
             const std::string& branch) {
    const std::string_view name = arg.name;
    if (name == "operador" || name == "usuário") return person;
    if (name == "filial") return branch;
    if (name == "tarefa") return taskOf(branch);
    if (name == "atividade") return "00001";
    if (name == "dia") return date("2026-12-07");
    if (name == "ano") return "2026";
    if (name == "código") return "";
    if (name == "tipo") return "T";
    if (name == "início") return "08:00:00";
    if (name == "término") return "09:00:00";
    if (name == "pacote de alterações") return insertedHour(person, branch);
    if (name == "equipe") return "";
    if (name == "de") return date("2026-12-01");
    if (name == "até") return date("2026-12-31");
    if (name == "mês") return "2026-11";
    if (name == "fechar") return "S";
    throw std::logic_error("everyMethodCall: no valid value is known for the argument \"" +
                           std::string(name) + "\" of " + std::string(method.name));
}

}  // namespace

std::vector<ContractCall> everyMethodCall(const std::string& person, const std::string& branch) {
    std::vector<ContractCall> calls;
    for (const protocol::Module* module :
         {&protocol::apropriacao::module, &protocol::resumo::module}) {
        for (const protocol::Method* method : module->methods) {
            json args = json::array();
            for (const protocol::Arg& arg : method->args)
                args.push_back(valueOf(*method, arg, person, branch));
            calls.push_back({module, method, std::move(args)});
        }
    }
    return calls;
}

bool takesArgument(const protocol::Method& method, std::string_view name) {
    for (const protocol::Arg& arg : method.args)
        if (arg.name == name) return true;
    return false;
}

}  // namespace appserver::testing
