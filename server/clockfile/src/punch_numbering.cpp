#include "appserver/clockfile/punch_numbering.h"

#include <algorithm>
#include <array>
#include <map>

namespace appserver {

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

void numberPunches(std::vector<SequencedPunch>& punches) {
    std::stable_sort(punches.begin(), punches.end(),
                     [](const auto& a, const auto& b) { return a.civil < b.civil; });
    // The offset each punch is compared with: its own, else the last one
    // before it, else (for those before any known one) the first known one.
    std::vector<int> offsets(punches.size(), 0);
    const auto firstKnown = std::find_if(punches.begin(), punches.end(), [](const auto& p) {
        return p.utcOffsetMinutes.has_value();
    });
    int offset = firstKnown == punches.end() ? 0 : *firstKnown->utcOffsetMinutes;
    for (std::size_t i = 0; i < punches.size(); ++i) {
        if (punches[i].utcOffsetMinutes) offset = *punches[i].utcOffsetMinutes;
        offsets[i] = offset;
    }
    std::vector<std::pair<std::int64_t, std::size_t>> order;
    order.reserve(punches.size());
    for (std::size_t i = 0; i < punches.size(); ++i)
        order.emplace_back(punches[i].civil - offsets[i] * 60LL, i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    static const std::array<const char*, 4> kEvents = {"E1", "S1", "E2", "S2"};
    std::vector<SequencedPunch> out;
    out.reserve(punches.size());
    std::map<std::int64_t, int> perDay;
    std::int64_t previousInstant = 0;
    for (const auto& [instant, index] : order) {
        SequencedPunch p = std::move(punches[index]);
        if (!p.fixed && !p.dayFixed) {
            const std::int64_t calendarDay = floorDiv(p.civil, 86400);
            const SequencedPunch* prev = out.empty() ? nullptr : &out.back();
            const bool continuesShift = prev && prev->day < calendarDay && prev->direction == "1" &&
                                        instant - previousInstant <= kMaxShiftSeconds;
            p.day = continuesShift ? prev->day : calendarDay;
        }
        const int position = ++perDay[p.day];
        if (!p.fixed) {
            p.ordinal = position;
            // Whole strings made and moved in: assigning a literal into the
            // moved-from string trips a false overlap warning of g++ 12 under
            // the thread sanitizer.
            p.direction = std::string(1, position % 2 == 1 ? '1' : '2');
            p.event = position <= 4 ? std::string(kEvents[position - 1]) : p.direction;
        }
        previousInstant = instant;
        out.push_back(std::move(p));
    }
    punches = std::move(out);
}

}  // namespace appserver
