#pragma once

#include "method_table.h"

namespace appserver {

/// The permission the appropriation screen's methods need.
inline constexpr std::string_view kApropriacaoScreen = "Zep00700";

/// The remote module "Zep00700.rdmApropriacao" (protocol/apropriacao.h): its
/// methods and their handlers. Built on first use; throws std::logic_error
/// while a method of the contract has no handler.
const MethodTable& apropriacaoMethods();

}  // namespace appserver
