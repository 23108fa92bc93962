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

CalendarMonth parseMonthOption(const std::string& text, const char* option) {
    const auto month = CalendarMonth::parse(text);
    if (!month)
        throw CLI::ValidationError(
            option, fmt::format("\"{}\" não é um mês válido: use AAAA-MM, de 01 a 12", text));
    return *month;
}

}  // namespace appserver
