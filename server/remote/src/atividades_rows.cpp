#include "appserver/remote/atividades_rows.h"

#include <algorithm>
#include <charconv>

#include "appserver/remote/time_text.h"

namespace appserver {

using platform::dataset::DateTime;
using platform::dataset::Value;

namespace {
constexpr std::size_t kIdDigits = 19;
}

std::string chaveOf(const AppropriationRecord& r) {
    return r.task + r.activity + r.operatorCode;
}

std::string chave2Of(const AppropriationRecord& r) {
    std::string id = std::to_string(r.id);
    return r.operatorCode + r.branch +
           std::string(kIdDigits - std::min(kIdDigits, id.size()), '0') + id;
}

std::optional<std::int64_t> idFromChave2(const std::string& chave2) {
    if (chave2.size() <= kIdDigits) return std::nullopt;
    const char* first = chave2.data() + chave2.size() - kIdDigits;
    const char* last = chave2.data() + chave2.size();
    std::int64_t id = 0;
    auto [ptr, ec] = std::from_chars(first, last, id);
    if (ec != std::errc() || ptr != last || id <= 0) return std::nullopt;
    return id;
}

std::string timeOfDayText(const DateTime& t) {
    return formatDuration(t.secondsOfDay());
}

platform::dataset::Row atividadesRow(const AppropriationRecord& r, const Presence& presence) {
    const std::optional<std::int64_t> endSeconds =
        r.end ? std::optional(r.end->toSeconds()) : std::nullopt;
    return {
        Value(timeOfDayText(r.start)),
        Value(r.end ? timeOfDayText(*r.end) : std::string()),
        Value(r.task),
        Value(r.activity),
        Value(r.start),
        r.end ? Value(*r.end) : Value(),
        Value(r.branch),
        Value(r.processName),
        Value(r.start.datePart()),
        Value(r.description),
        Value(r.operatorCode),
        Value(r.taskDescription),
        Value(chaveOf(r)),
        Value(chave2Of(r)),
        Value(r.situation),
        Value(r.stampStart),
        r.stampEnd ? Value(*r.stampEnd) : Value(),
        Value(endSeconds ? formatDuration(*endSeconds - r.start.toSeconds()) : std::string()),
        Value(r.task + " - " + r.activity + " - " + r.processName),
        Value(presence.flags(r.start.toSeconds(), endSeconds) ? "S" : "N"),
    };
}

platform::dataset::Row apropriaRow(const AppropriationRecord& r) {
    return {
        Value(r.start),
        r.end ? Value(*r.end) : Value(),
        Value(timeOfDayText(r.start)),
        Value(r.end ? timeOfDayText(*r.end) : std::string()),
        Value(r.start.datePart()),
        Value(r.branch),
        Value(r.task),
        Value(r.activity),
        Value(r.operatorCode),
        Value(chave2Of(r)),
    };
}

}  // namespace appserver
