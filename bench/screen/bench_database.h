#pragma once

#include <filesystem>
#include <string>

#include "appropriation_fill.h"
#include "platform/dataset/datetime.h"

namespace screen_bench {

/// The server's "now" during the benchmark: fixed, so that a cached
/// database keeps its days where the screen looks for them.
inline constexpr const char* kServerNow = "2025-03-31T10:00:00";
/// The operators of the fill (see bench::fillAppropriations), with codes of
/// 12 digits as the screen shows them, all with the password kPassword.
inline constexpr int kOperators = bench::kFillOperators;
inline constexpr int kRowsPerDay = bench::kFillRowsPerDay;
inline constexpr const char* kUser = "000000100000";
inline constexpr const char* kPassword = "bench";

/// The summary's team: the first kSummaryTeamSize operators of the fill,
/// kUser among them, under a code that comes before the fill's own team,
/// so that the summary opens on it. kUser may use the summary.
inline constexpr const char* kSummaryTeam = "EQ00";
inline constexpr int kSummaryTeamSize = 50;

/// The first and the number of days that hold appropriations.
platform::dataset::DateTime firstFilledDay(long long rows);
long long filledDayCount(long long rows);

/// A SQLite database with `rows` appropriations (kRowsPerDay a day for each
/// operator, with the day's two punches), made once in `folder` and reused
/// by later runs with the same row count, with the summary's team. Returns
/// its path.
std::filesystem::path preparedDatabase(const std::filesystem::path& folder, long long rows);

}  // namespace screen_bench
