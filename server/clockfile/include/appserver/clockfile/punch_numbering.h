#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace appserver {

/// A punch exit may belong to the day of the entry before it, when it
/// follows that entry within this gap: a night shift's exit after midnight
/// is still of the day its shift began.
inline constexpr std::int64_t kMaxShiftSeconds = 12 * 3600;

/// One operator's punch, as the numbering sees it.
struct SequencedPunch {
    std::int64_t civil = 0;               ///< wall clock, seconds since 1970
    std::optional<int> utcOffsetMinutes;  ///< known for punches of the current clock layout
    /// Keep `day` as it is (punches not from a clock keep the day they were given).
    bool dayFixed = false;
    /// Keep day, direction, event and ordinal (context before the renumbered span).
    bool fixed = false;
    std::int64_t day = 0;  ///< day number; out unless fixed
    std::string direction, event;
    int ordinal = 0;         ///< position in its day, from 1
    std::size_t source = 0;  ///< the caller's index of this punch
};

/// Orders one operator's punches by their true instant and gives each its
/// day, its position in the day, its direction (odd positions enter, "1";
/// even ones leave, "2") and its event: E1, S1, E2, S2, then "1" or "2",
/// the codes whose texts say the day's punches are inconsistent.
///
/// A punch of unknown offset is taken to share the offset of the nearest
/// punch before it (else after it) that has one. A punch not fixed to a day
/// belongs to the day of the punch before it when that one is an entry of an
/// earlier day at most kMaxShiftSeconds before; otherwise to its calendar day.
/// `punches` comes back in that order.
void numberPunches(std::vector<SequencedPunch>& punches);

}  // namespace appserver
