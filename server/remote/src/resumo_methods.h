#pragma once

#include "method_table.h"

namespace appserver {

/// The remote module "Zep00710.rdmResumo" (protocol/resumo.h): the summary
/// screen's methods and their handlers. Built on first use; throws
/// std::logic_error while a method of the contract has no handler.
const MethodTable& resumoMethods();

}  // namespace appserver
