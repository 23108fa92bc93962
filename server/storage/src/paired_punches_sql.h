#pragma once

#include <string>

namespace appserver {

/// The query that counts punches and their paired seconds per operator and
/// day, as the period summary pairs them: in the clock's order (ordinal,
/// instant, id), each entry ("1") followed at once by a non-entry is a pair,
/// lasting the difference of their instants less the change of offset
/// between them where both offsets are known. An entry left without exit
/// adds nothing; the flags and GetTotPontoReal's "until now" read the day's
/// punches themselves.
///
/// `where` picks the punches; `keys` names the columns every row of the
/// result is keyed by, before the count and the seconds.
std::string pairedPunches(const std::string& where, const std::string& keys);

}  // namespace appserver
