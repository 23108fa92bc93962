#pragma once

#include <optional>
#include <vector>

/// The arithmetic of "Preencher pelos Pontos": which stretches of a day the
/// time clock saw the operator present that no appropriation covers yet.
/// Times are seconds since the day's midnight, 0 to kDayEnd; no Qt here.
namespace Cli_Zep00700::punch_stretches {

/// The end of the day, in seconds: what a row without end covers up to.
inline constexpr int kDayEnd = 24 * 60 * 60;
/// What is left of five minutes or less is not proposed: the tolerance the
/// labour rules give a punch.
inline constexpr int kTolerance = 5 * 60;

/// One punch of the day, in the order the punches panel shows them.
struct Punch {
    int at = 0;
    bool entry = false;
};

/// A stretch [start, end) of the day.
struct Span {
    int start = 0;
    int end = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

/// One appropriation of the day; a row without end covers from its start on.
struct Row {
    int start = 0;
    std::optional<int> end;
};

/// The stretches the punches cover, merged and in order: each entry paired
/// with the first exit after it in the list; an entry no exit follows runs
/// to `openEntryEnd` when given (today: the server's now) and covers
/// nothing otherwise. Exits before any entry, and pairs whose exit is not
/// after their entry, cover nothing.
std::vector<Span> punchedStretches(const std::vector<Punch>& punches,
                                   std::optional<int> openEntryEnd);

/// `stretches` (merged, in order) less what `rows` cover, leaving out the
/// pieces of kTolerance or less; in order.
std::vector<Span> uncovered(const std::vector<Span>& stretches, const std::vector<Row>& rows);

/// The earliest stretch the punches cover and no row does, longer than
/// kTolerance; nothing when there is none.
std::optional<Span> firstStretchToFill(const std::vector<Punch>& punches,
                                       const std::vector<Row>& rows,
                                       std::optional<int> openEntryEnd);

/// Whether some entry of `punches` has no exit after it (its stretch then
/// needs the server's now).
bool hasOpenEntry(const std::vector<Punch>& punches);

}  // namespace Cli_Zep00700::punch_stretches
