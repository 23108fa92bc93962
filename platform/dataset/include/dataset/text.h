#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dataset {

/// Number of characters (UTF-8 code points) in `text`.
std::size_t utf8Length(std::string_view text);

/// ASCII upper case; other bytes unchanged.
std::string upperAscii(std::string_view text);

/// Lower case for comparisons without regard to letter case: ASCII letters and
/// the accented Latin-1 letters of UTF-8 text (so "AÇÃO" folds like "ação").
std::string foldCase(std::string_view text);

/// `a` and `b` equal without regard to letter case (as `foldCase` folds).
bool equalsIgnoringCase(std::string_view a, std::string_view b);

/// `text` without leading and trailing blanks (spaces and tabs).
std::string_view trimBlanks(std::string_view text);

}  // namespace dataset
