#pragma once

#include <string>

#include "appserver/stores/month_closing.h"
#include "platform/dataset/datetime.h"

namespace appserver {

/// A day given on the command line as AAAA-MM-DD; throws CLI::ValidationError
/// naming `option` and the text.
platform::dataset::DateTime parseDayOption(const std::string& text, const char* option);

/// A month given on the command line as AAAA-MM; throws CLI::ValidationError
/// naming `option` and the text.
CalendarMonth parseMonthOption(const std::string& text, const char* option);

}  // namespace appserver
