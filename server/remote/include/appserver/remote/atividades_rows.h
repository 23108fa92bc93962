#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "appserver/stores/appropriation_store.h"
#include "appserver/stores/presence.h"
#include "platform/dataset/packet.h"

namespace appserver {

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
