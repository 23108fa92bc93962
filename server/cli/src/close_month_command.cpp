#include "close_month_command.h"

#include <fmt/format.h>

#include <pwd.h>
#include <unistd.h>
#include <iostream>
#include <stdexcept>

#include "appserver/remote/server_clock.h"
#include "appserver/stores/directory_store.h"
#include "appserver/stores/month_closing.h"
#include "command_database.h"
#include "day_option.h"

namespace appserver {

namespace {

/// Where the trail says a command's change came from.
constexpr const char* kCommandLine = "linha de comando";

/// Who the trail says closed the month: the system account running the command.
std::string accountName() {
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
    return fmt::format("uid {}", ::geteuid());
}

}  // namespace

CloseMonthCommand::CloseMonthCommand(CLI::App& app)
    : Command(app.add_subcommand(
          "close-month",
          "Fecha o mês de um operador numa filial para a apropriação, ou o reabre")) {
    command_->add_option("--db", db_, "sqlite:CAMINHO ou postgresql://…")->required();
    command_->add_option("--branch", branch_, "Filial")->required();
    command_->add_option("--operator", operator_, "Operador")->required();
    command_->add_option("--month", month_, "Mês (AAAA-MM)")->required();
    command_->add_flag("--reopen", reopen_, "Reabre o mês em vez de fechá-lo");
}

int CloseMonthCommand::run() {
    const CalendarMonth month = parseMonthOption(month_, "--month");
    CommandDatabaseOptions options;
    // A mistyped path would otherwise be a new database with nothing to close.
    options.mustExist = true;
    auto db = openCommandDatabase(db_, options);
    auto lease = db->acquire();
    if (!branchExists(lease.sql(), branch_))
        throw std::invalid_argument(fmt::format("A filial \"{}\" não está cadastrada", branch_));
    if (!findOperator(lease.sql(), operator_))
        throw std::invalid_argument(
            fmt::format("O operador \"{}\" não está cadastrado", operator_));
    // Another branch's operator here is a mistyped code, not a month to close.
    if (!operatorHasBranch(lease.sql(), operator_, branch_))
        throw std::invalid_argument(
            fmt::format("O operador \"{}\" não trabalha na filial \"{}\"", operator_, branch_));
    WriteTransaction tx(lease);
    const bool changed =
        changeMonthClosing(lease, tx,
                           MonthClosingChange{operator_, branch_, month, !reopen_, accountName(),
                                              kCommandLine, ServerClock().now()});
    tx.commit();
    const char* state = reopen_ ? "reaberto" : "fechado";
    std::cout << fmt::format("Mês {} do operador {} na filial {} {}{}.\n", month.text(), operator_,
                             branch_, changed ? "" : "já estava ", state);
    return 0;
}

}  // namespace appserver
