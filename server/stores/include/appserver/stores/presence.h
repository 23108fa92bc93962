#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "appserver/stores/appropriation_store.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// The operator's punched presence on one day: each entry paired with the
/// exit that follows it. A last entry not yet followed by an exit counts as
/// presence for the flags (not for the measured total): up to the server's
/// now on its day, up to that day's end on an earlier one (the exit missing
/// there is the clock's or the operator's, not a row's).
struct Presence {
    bool hasPunches = false;
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;  ///< [entry, exit) in seconds
    /// [entry, now or its day's end) of a last entry without exit, when there is one.
    std::optional<std::pair<std::int64_t, std::int64_t>> openSpan;
    /// The time the spans last, from true instants where the punches' offsets
    /// are known: a span across a change of daylight saving lasts what it
    /// lasted, not the difference of its wall clocks.
    std::int64_t presentSeconds = 0;

    /// `now`: the server's; without it, an entry without exit makes no presence.
    static Presence fromPunches(const std::vector<PunchRecord>& punches,
                                std::optional<platform::dataset::DateTime> now = std::nullopt);
    /// Seconds present; nullopt when no entry is followed by an exit.
    std::optional<std::int64_t> totalSeconds() const;
    /// True when some of [from, to] lies outside every span. A day without
    /// punches never flags; a row without end is checked at its start only.
    bool flags(std::int64_t from, std::optional<std::int64_t> to) const;
};

}  // namespace appserver
