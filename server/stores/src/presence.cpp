#include "appserver/stores/presence.h"

#include <algorithm>

namespace appserver {

Presence Presence::fromPunches(const std::vector<PunchRecord>& punches) {
    Presence p;
    p.hasPunches = !punches.empty();
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
    if (!to) {
        return std::none_of(spans.begin(), spans.end(),
                            [&](const auto& s) { return s.first <= from && from < s.second; });
    }
    auto sorted = spans;
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
