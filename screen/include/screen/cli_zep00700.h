#pragma once

#include <QString>

// The screen unit's module-wide variables. They are exported under their
// unit-qualified names so that the host and other modules can reach them;
// they are plain variables of the user-interface thread, with no lock.
#define CLI_ZEP00700_EXPORT __attribute__((visibility("default")))

namespace Cli_Zep00700 {

class TfrmApropriacao;

/// The screen instance last created (null until the first creation, and
/// again when a creation fails; a closed screen leaves it as it was).
extern CLI_ZEP00700_EXPORT TfrmApropriacao* frmApropriacao;
/// A screen instance exists.
extern CLI_ZEP00700_EXPORT bool boIdCriado;
/// Exported for the host; nothing in the module reads or writes it.
extern CLI_ZEP00700_EXPORT bool boSimplificada;
/// The screen's next activation is its first (access check and first load to do).
extern CLI_ZEP00700_EXPORT bool boPrimVez;
/// Situation code of the activity last picked in the grid's activity search.
extern CLI_ZEP00700_EXPORT QString stSitAtiv;
/// The filter's operator and day have been applied and the day is loaded.
extern CLI_ZEP00700_EXPORT bool boFiltrado;

/// The unit's initialization: acts only on the first call of a nesting
/// (the counter goes down from zero): boIdCriado false, boPrimVez true.
void UnitInitialization();
/// The unit's finalization: acts only when the counter returns to zero:
/// stSitAtiv is released.
void UnitFinalization();

}  // namespace Cli_Zep00700
