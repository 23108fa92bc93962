#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>

#include "platform/dataset/datetime.h"

namespace appserver {

/// Demonstration data in the import format: two branches, a dozen operators
/// in three work teams, 30 tasks with 120 activities, and the 90 days before
/// `today` of punches and appropriations (some open, some outside the punches).
/// The same `today` always gives the same data.
nlohmann::json makeDemoData(const platform::dataset::DateTime& today);

/// The login the demonstration prints.
inline constexpr const char* kDemoUser = "000000000101";
inline constexpr const char* kDemoPassword = "apropriacao";
inline constexpr const char* kDemoBranch = "0001";

}  // namespace appserver
