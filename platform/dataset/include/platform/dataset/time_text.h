#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/dataset/export.h"

namespace platform::dataset {

/// The time of day of an appropriation as the screen holds it: 8 characters,
/// hours, ':', minutes, ':', seconds, typed through the edit mask
/// "!90:00:00;1; ". The mask keeps its separators, leaves a blank in every
/// unfilled position and puts the blank of a one-digit hour in front
/// (" 8:00:00"). The screen's checks and the server's re-checks read such a
/// text through this one rule.
namespace time_text {

/// Length of a complete time text.
inline constexpr std::size_t kLength = 8;
/// Seconds in a day: a time of day lies in [0, kDaySeconds).
inline constexpr int kDaySeconds = 24 * 3600;

/// True when the text holds nothing but blanks and the two separators (an
/// empty field reads so through the mask: "  :  :  "); an empty text too.
PLATFORM_DATASET_EXPORT bool isBlank(std::string_view text);

/// Why a time text is not a time of day.
enum class Fault {
    None,          ///< a valid time of day
    Short,         ///< fewer than 8 characters
    Long,          ///< more than 8 characters
    BadSeparator,  ///< the 3rd or 6th character is not ':'
    NotANumber,    ///< a part that is not a number (a blank only before a one-digit number)
    OutOfRange,    ///< hours over 23, minutes or seconds over 59
};

struct PLATFORM_DATASET_EXPORT Reading {
    Fault fault = Fault::None;
    int seconds = 0;           ///< since midnight, when fault is None
    std::string_view badPart;  ///< the two characters at fault, for NotANumber
    bool ok() const { return fault == Fault::None; }
};

/// Reads characters 1–2 as hours, 4–5 as minutes and 7–8 as seconds, each
/// a number of one or two digits (a leading blank allowed), with ':' at 3
/// and 6. The faults are tested in the order of the enumeration, the parts
/// from hours to seconds.
PLATFORM_DATASET_EXPORT Reading read(std::string_view text);

/// Seconds since midnight, or nullopt for any fault.
PLATFORM_DATASET_EXPORT std::optional<int> parse(std::string_view text);

/// An appropriation's span lies within one day: both ends are times of day
/// and the start comes strictly before the end.
PLATFORM_DATASET_EXPORT bool isSpanWithinDay(int startSeconds, int endSeconds);

}  // namespace time_text
}  // namespace platform::dataset
