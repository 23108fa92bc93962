#include "appserver/stores/presence.h"

#include <algorithm>

namespace appserver {

Presence Presence::fromPunches(const std::vector<PunchRecord>& punches,
                               std::optional<platform::dataset::DateTime> now) {
    Presence p;
    p.hasPunches = !punches.empty();
    if (now && !punches.empty() && punches.back().direction == "1") {
        const platform::dataset::DateTime& in = punches.back().at;
        const std::int64_t dayEnd = in.datePart().addDays(1).toSeconds();
        const std::int64_t until = std::min(now->toSeconds(), dayEnd);
        if (until > in.toSeconds()) p.openSpan.emplace(in.toSeconds(), until);
    }
    for (std::size_t i = 0; i + 1 < punches.size(); ++i) {
        if (punches[i].direction == "1" && punches[i + 1].direction != "1") {
            const PunchRecord& in = punches[i];
            const PunchRecord& out = punches[i + 1];
            p.spans.emplace_back(in.at.toSeconds(), out.at.toSeconds());
            std::int64_t lasted = out.at.toSeconds() - in.at.toSeconds();
            if (in.utcOffsetMinutes && out.utcOffsetMinutes)
                lasted -= (*out.utcOffsetMinutes - *in.utcOffsetMinutes) * 60LL;
            p.presentSeconds += lasted;
            ++i;
        }
    }
    return p;
}

std::optional<std::int64_t> Presence::totalSeconds() const {
    if (spans.empty()) return std::nullopt;
    return presentSeconds;
}

bool Presence::flags(std::int64_t from, std::optional<std::int64_t> to) const {
    if (!hasPunches) return false;
    auto sorted = spans;
    if (openSpan) sorted.push_back(*openSpan);
    if (!to) {
        return std::none_of(sorted.begin(), sorted.end(),
                            [&](const auto& s) { return s.first <= from && from < s.second; });
    }
    std::sort(sorted.begin(), sorted.end());
    std::int64_t covered = from;
    for (const auto& [a, b] : sorted) {
        if (a > covered) break;
        covered = std::max(covered, b);
        if (covered >= *to) return false;
    }
    return covered < *to;
}

}  // namespace appserver
