#include "audit_command.h"

#include <iostream>

#include "appserver/stores/audit_trail.h"
#include "command_database.h"
#include "day_option.h"
#include "text_table.h"

namespace appserver {

AuditCommand::AuditCommand(CLI::App& app)
    : Command(app.add_subcommand("audit",
                                 "Mostra o histórico das alterações, a mais recente primeiro")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    command_->add_option("--operator", operator_, "Só as apropriações deste operador");
    command_->add_option("--from", from_, "Desde este dia das apropriações (AAAA-MM-DD)");
    command_->add_option("--to", to_, "Até este dia das apropriações (AAAA-MM-DD)");
}

int AuditCommand::run() {
    AuditFilter filter;
    if (!operator_.empty()) filter.operatorCode = operator_;
    if (!from_.empty()) filter.from = parseDayOption(from_, "--from");
    if (!to_.empty()) filter.to = parseDayOption(to_, "--to");
    auto db = openCommandDatabase(db_);
    auto lease = db->acquire();
    TextTable table({"Quando", "Usuário", "Endereço", "Ação", "Operador", "Filial", "Dia", "Chave",
                     "Antes", "Depois"});
    for (const AuditEntry& e : auditEntries(lease.sql(), filter))
        table.add({e.at.toDisplay(), e.user, e.address, e.action, e.operatorCode, e.branch,
                   e.day.toDisplayDate(), e.key, e.before.value_or("-"), e.after.value_or("-")});
    if (table.empty())
        std::cout << "Nenhuma alteração registrada.\n";
    else
        table.print(std::cout);
    return 0;
}

}  // namespace appserver
