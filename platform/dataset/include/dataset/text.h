#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dataset {

/// Number of characters (UTF-8 code points) in `text`.
std::size_t utf8Length(std::string_view text);

/// ASCII upper case; other bytes unchanged.
std::string upperAscii(std::string_view text);

}  // namespace dataset
