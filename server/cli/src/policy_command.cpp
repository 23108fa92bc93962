#include "policy_command.h"

#include <iostream>
#include <stdexcept>

#include "appserver/stores/entry_policy.h"
#include "command_database.h"
#include "day_option.h"
#include "text_table.h"

namespace appserver {

PolicyCommand::PolicyCommand(CLI::App& app)
    : Command(app.add_subcommand("policy",
                                 "Define as políticas de apropriação de uma filial, ou as lista")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    auto* list = command_->add_flag("--list", list_, "Lista as políticas de todas as filiais");
    auto* branch =
        command_->add_option("--branch", branch_, "Filial cujas políticas são definidas");
    auto* from = command_->add_option("--from", from_,
                                      "Primeiro dia do período de apropriação (AAAA-MM-DD)");
    auto* to =
        command_->add_option("--to", to_, "Último dia do período de apropriação (AAAA-MM-DD)");
    auto* noPeriod =
        command_->add_flag("--no-period", noPeriod_, "Retira o período de apropriação");
    auto* own =
        command_
            ->add_option("--own-only", ownOnly_,
                         "on: só o próprio funcionário inclui e exclui as suas apropriações")
            ->check(CLI::IsMember({"on", "off"}));
    auto* punches = command_
                        ->add_option("--require-punches", requirePunches_,
                                     "on: inclusão só em dia com o ponto importado")
                        ->check(CLI::IsMember({"on", "off"}));
    from->needs(to);
    to->needs(from);
    noPeriod->excludes(from)->excludes(to);
    for (CLI::Option* o : {branch, from, to, noPeriod, own, punches}) list->excludes(o);
    for (CLI::Option* o : {from, to, noPeriod, own, punches}) o->needs(branch);
}

namespace {

std::string onOff(bool on) {
    return on ? "sim" : "não";
}

void printPolicies(std::ostream& out, const std::vector<EntryPolicy>& policies) {
    TextTable table({"Filial", "Período", "Só o próprio", "Exige ponto"});
    for (const EntryPolicy& p : policies)
        table.add({p.branch,
                   p.hasPeriod()
                       ? p.periodFrom->toDisplayDate() + " a " + p.periodTo->toDisplayDate()
                       : "livre",
                   onOff(p.ownOnly), onOff(p.requirePunches)});
    if (table.empty())
        out << "Nenhuma filial tem políticas de apropriação.\n";
    else
        table.print(out);
}

}  // namespace

int PolicyCommand::run() {
    if (!list_ && branch_.empty())
        throw std::invalid_argument("policy: use --list, ou --branch com o que definir");
    auto db = openCommandDatabase(db_);
    auto lease = db->acquire();
    if (list_) {
        printPolicies(std::cout, entryPolicies(lease.sql()));
        return 0;
    }
    // What is not given stays as it was.
    EntryPolicy p = entryPolicyOf(lease, branch_);
    if (noPeriod_) {
        p.periodFrom.reset();
        p.periodTo.reset();
    } else if (!from_.empty()) {
        p.periodFrom = parseDayOption(from_, "--from");
        p.periodTo = parseDayOption(to_, "--to");
    }
    if (!ownOnly_.empty()) p.ownOnly = ownOnly_ == "on";
    if (!requirePunches_.empty()) p.requirePunches = requirePunches_ == "on";
    saveEntryPolicy(lease, p);
    printPolicies(std::cout, {p});
    return 0;
}

}  // namespace appserver
