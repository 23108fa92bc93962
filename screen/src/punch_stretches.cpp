#include "punch_stretches.h"

#include <algorithm>
#include <utility>

namespace Cli_Zep00700::punch_stretches {

namespace {

int clampToDay(int seconds) {
    return std::clamp(seconds, 0, kDayEnd);
}

/// Sorts and joins spans that overlap or touch.
std::vector<Span> merged(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    std::vector<Span> out;
    for (const Span& s : spans) {
        if (s.end <= s.start) continue;
        if (!out.empty() && s.start <= out.back().end)
            out.back().end = std::max(out.back().end, s.end);
        else
            out.push_back(s);
    }
    return out;
}

/// The first exit after position `from`, if any.
std::optional<int> exitAfter(const std::vector<Punch>& punches, std::size_t from) {
    for (std::size_t j = from + 1; j < punches.size(); ++j)
        if (!punches[j].entry) return punches[j].at;
    return std::nullopt;
}

}  // namespace

bool hasOpenEntry(const std::vector<Punch>& punches) {
    for (std::size_t i = 0; i < punches.size(); ++i)
        if (punches[i].entry && !exitAfter(punches, i)) return true;
    return false;
}

std::vector<Span> punchedStretches(const std::vector<Punch>& punches,
                                   std::optional<int> openEntryEnd) {
    std::vector<Span> spans;
    for (std::size_t i = 0; i < punches.size(); ++i) {
        if (!punches[i].entry) continue;
        const std::optional<int> end = exitAfter(punches, i);
        if (!end && !openEntryEnd) continue;
        spans.push_back({clampToDay(punches[i].at), clampToDay(end ? *end : *openEntryEnd)});
    }
    return merged(std::move(spans));
}

std::vector<Span> uncovered(const std::vector<Span>& stretches, const std::vector<Row>& rows) {
    std::vector<Span> covered;
    covered.reserve(rows.size());
    for (const Row& r : rows)
        covered.push_back({clampToDay(r.start), clampToDay(r.end ? *r.end : kDayEnd)});
    covered = merged(std::move(covered));

    std::vector<Span> out;
    for (const Span& s : stretches) {
        int from = s.start;
        for (const Span& c : covered) {
            if (c.end <= from) continue;
            if (c.start >= s.end) break;
            if (c.start > from) out.push_back({from, c.start});
            from = std::max(from, c.end);
            if (from >= s.end) break;
        }
        if (from < s.end) out.push_back({from, s.end});
    }
    std::erase_if(out, [](const Span& s) { return s.end - s.start <= kTolerance; });
    return out;
}

std::optional<Span> firstStretchToFill(const std::vector<Punch>& punches,
                                       const std::vector<Row>& rows,
                                       std::optional<int> openEntryEnd) {
    const std::vector<Span> left = uncovered(punchedStretches(punches, openEntryEnd), rows);
    if (left.empty()) return std::nullopt;
    return left.front();
}

}  // namespace Cli_Zep00700::punch_stretches
