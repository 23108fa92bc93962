#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/dataset/export.h"

namespace platform::dataset {

/// Number of characters (UTF-8 code points) in `text`.
PLATFORM_DATASET_EXPORT std::size_t utf8Length(std::string_view text);

/// Length of the well-formed UTF-8 sequence starting at text[i] (RFC 3629: no
/// overlong forms, no surrogates, nothing past U+10FFFF), 0 when malformed.
PLATFORM_DATASET_EXPORT std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

/// ASCII upper case; other bytes unchanged.
PLATFORM_DATASET_EXPORT std::string upperAscii(std::string_view text);

/// Lower case for comparisons without regard to letter case: ASCII letters and
/// the accented Latin-1 letters of UTF-8 text (so "AÇÃO" folds like "ação").
PLATFORM_DATASET_EXPORT std::string foldCase(std::string_view text);

/// `a` and `b` equal without regard to letter case (as `foldCase` folds).
PLATFORM_DATASET_EXPORT bool equalsIgnoringCase(std::string_view a, std::string_view b);

/// `text` without leading and trailing blanks (spaces and tabs).
PLATFORM_DATASET_EXPORT std::string_view trimBlanks(std::string_view text);

/// Whether a text may hold tabs and line breaks (a description) or no control character at all.
enum class ControlCharacters { None, LineBreaksAndTabs };

/// The first C0 control character (U+0000–U+001F) of `text` that `allowed`
/// does not admit, or npos. A NUL would cut the text short in a database
/// that stores C strings, and the others have no place in a code or a name.
PLATFORM_DATASET_EXPORT std::size_t findControlCharacter(
    std::string_view text, ControlCharacters allowed = ControlCharacters::None);

}  // namespace platform::dataset
