#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

#include "protocol/method.h"

namespace appserver::testing {

/// A call of a method of the contract, its arguments in wire form.
struct ContractCall {
    const protocol::Module* module;
    const protocol::Method* method;
    nlohmann::json args;

    std::string name() const { return std::string(method->name); }
    /// The module, as the call's "server" names it.
    std::string server() const { return std::string(module->name); }
};

/// One call of every method of every remote module ("Zep00700.rdmApropriacao",
/// then "Zep00710.rdmResumo"), in the contracts' order, each argument valued
/// by the name the contract gives it: `person` for a user or an operator,
/// `branch` for a branch, a task of that branch, its activity 00001, the day
/// 2026-12-07, the year 2026, the span 08:00 to 09:00, no team (the summary
/// of `person` alone) over December 2026, the month 2026-11 closed; a change
/// packet inserts that hour on 2026-12-04 for `person` at `branch`. With the
/// defaults, Ana logged in at 0001 may make every one, and each read answers
/// rows but GetHistorico (the base data has no trail).
/// Throws std::logic_error naming an argument no value is known for, so that
/// a new method of the contract is never left out of the tests that use this.
std::vector<ContractCall> everyMethodCall(const std::string& person = "000000000101",
                                          const std::string& branch = "0001");

/// Whether `method` takes an argument the contract calls `name` ("filial").
bool takesArgument(const protocol::Method& method, std::string_view name);

}  // namespace appserver::testing
