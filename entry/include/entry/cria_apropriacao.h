#pragma once

#include "screen/cli_zep00700.h"

namespace Cli_Zep00700 {

/// Opens the screen: under the hourglass and the busy animation, creates it
/// once through the application object (guarded by boIdCriado), shows it as
/// a child of the main window and sets its window state to normal. Every
/// failure is dropped: the cursor goes back to the default, the animation
/// stops, the failure is written to the log (standard error) and the caller
/// sees a normal return.
CLI_ZEP00700_EXPORT void CriaApropriacao();

/// What the exported IniProc does: calls CriaApropriacao.
void IniProc();

/// What the exported IniProcParams does: opens the screen (CriaApropriacao)
/// and stands it on the operator "CDOPERADOR=…" and the day "DTDIA=YYYY-MM-DD"
/// of `params`. Throws framework::Error for a parameter missing, unknown or
/// not a day, and whatever the operator check refuses.
void IniProcParams(int count, const char* const* params);

}  // namespace Cli_Zep00700
