#pragma once

#include <chrono>
#include <string>

#include "framework/net_connection.h"

namespace framework {

/// Counts a call of `method` and tells whether it must fail as a broken
/// connection would (NetScript::failNextCalls).
bool recordCallAndCheckFailure(const std::string& method);
/// Adds the time one call waited to NetScript::callSeconds.
void recordCallTime(std::chrono::steady_clock::duration waited);

}  // namespace framework
