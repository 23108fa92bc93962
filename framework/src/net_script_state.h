#pragma once

#include <string>

#include "framework/net_connection.h"

namespace framework {

/// Counts a call of `method` and tells whether it must fail as a broken
/// connection would (NetScript::failNextCalls).
bool recordCallAndCheckFailure(const std::string& method);

}  // namespace framework
