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
    const std::string id = std::to_string(r.id);
    std::string key;
    key.reserve(r.operatorCode.size() + r.branch.size() + std::max(kIdDigits, id.size()));
    key.append(r.operatorCode).append(r.branch);
    key.append(kIdDigits - std::min(kIdDigits, id.size()), '0').append(id);
    return key;
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
    std::string shown;
    shown.reserve(r.task.size() + r.activity.size() + r.processName.size() + 6);
    shown.append(r.task).append(" - ").append(r.activity).append(" - ").append(r.processName);
    // Each value made in its place: a braced list would copy every text once more.
    platform::dataset::Row row;
    row.reserve(20);
    row.emplace_back(timeOfDayText(r.start));
    row.emplace_back(r.end ? timeOfDayText(*r.end) : std::string());
    row.emplace_back(r.task);
    row.emplace_back(r.activity);
    row.emplace_back(r.start);
    row.emplace_back(r.end ? Value(*r.end) : Value());
    row.emplace_back(r.branch);
    row.emplace_back(r.processName);
    row.emplace_back(r.start.datePart());
    row.emplace_back(r.description);
    row.emplace_back(r.operatorCode);
    row.emplace_back(r.taskDescription);
    row.emplace_back(chaveOf(r));
    row.emplace_back(chave2Of(r));
    row.emplace_back(r.situation);
    row.emplace_back(r.stampStart);
    row.emplace_back(r.stampEnd ? Value(*r.stampEnd) : Value());
    row.emplace_back(endSeconds ? formatDuration(*endSeconds - r.start.toSeconds())
                                : std::string());
    row.emplace_back(std::move(shown));
    row.emplace_back(presence.flags(r.start.toSeconds(), endSeconds) ? "S" : "N");
    return row;
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
