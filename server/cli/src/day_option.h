#pragma once

#include <string>

#include "platform/dataset/datetime.h"

namespace appserver {

/// A day given on the command line as AAAA-MM-DD; throws CLI::ValidationError
/// naming `option` and the text.
platform::dataset::DateTime parseDayOption(const std::string& text, const char* option);

}  // namespace appserver
