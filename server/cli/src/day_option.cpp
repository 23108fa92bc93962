#include "day_option.h"

#include <fmt/format.h>
#include <CLI/Error.hpp>

namespace appserver {

platform::dataset::DateTime parseDayOption(const std::string& text, const char* option) {
    const auto day = platform::dataset::DateTime::parseIso(text);
    if (!day || text.size() != 10)
        throw CLI::ValidationError(option,
                                   fmt::format("\"{}\" não é um dia válido: use AAAA-MM-DD", text));
    return *day;
}

}  // namespace appserver
