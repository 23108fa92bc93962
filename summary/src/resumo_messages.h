#pragma once

#include "framework/messages.h"

namespace Cli_Zep00710 {

/// The summary screen's keyed messages.
framework::TMessages resumoMessages();

}  // namespace Cli_Zep00710
