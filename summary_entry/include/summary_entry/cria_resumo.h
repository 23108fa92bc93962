#pragma once

#include "summary/cli_zep00710.h"

namespace Cli_Zep00710 {

/// Opens the summary screen as the appropriation screen's module opens its
/// own (framework::OpenScreen): created once, guarded by boIdCriado.
CLI_ZEP00710_EXPORT void CriaResumo();

/// What the exported IniProc does: calls CriaResumo.
void IniProc();

}  // namespace Cli_Zep00710
