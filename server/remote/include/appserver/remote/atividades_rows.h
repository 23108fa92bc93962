#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "appserver/appropriation_store.h"
#include "platform/dataset/packet.h"

namespace appserver {

/// The operator's punched presence on one day: each entry paired with the exit that follows it.
struct Presence {
    bool hasPunches = false;
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;  ///< [entry, exit) in seconds
    /// The time the spans last, from true instants where the punches' offsets
    /// are known: a span across a change of daylight saving lasts what it
    /// lasted, not the difference of its wall clocks.
    std::int64_t presentSeconds = 0;

    static Presence fromPunches(const std::vector<PunchRecord>& punches);
    /// Seconds present; nullopt when no entry is followed by an exit.
    std::optional<std::int64_t> totalSeconds() const;
    /// True when some of [from, to] lies outside every span. A day without
    /// punches never flags; a row without end is checked at its start only.
    bool flags(std::int64_t from, std::optional<std::int64_t> to) const;
};

/// Row keys: CHAVE names task, activity and operator; CHAVE2 names the one
/// recorded appropriation (operator, branch and its number).
std::string chaveOf(const AppropriationRecord& r);
std::string chave2Of(const AppropriationRecord& r);
/// The record number inside a CHAVE2, or nullopt when the text is not one.
std::optional<std::int64_t> idFromChave2(const std::string& chave2);

/// "hh:mm:ss" of a record's start or end time of day.
std::string timeOfDayText(const platform::dataset::DateTime& t);

/// One row of the day's answer, in the field order of the appropriation data set.
platform::dataset::Row atividadesRow(const AppropriationRecord& r, const Presence& presence);
/// One row of the clash answer.
platform::dataset::Row apropriaRow(const AppropriationRecord& r);

}  // namespace appserver
