#pragma once

// The summary screen unit's module-wide variables, exported under their
// unit-qualified names as the appropriation screen's are; plain variables
// of the user-interface thread, with no lock.
#define CLI_ZEP00710_EXPORT __attribute__((visibility("default")))

namespace Cli_Zep00710 {

class TfrmResumoApropriacao;

/// The screen instance last created (null until the first creation, and
/// again when a creation fails; a closed screen leaves it as it was).
extern CLI_ZEP00710_EXPORT TfrmResumoApropriacao* frmResumoApropriacao;
/// A screen instance exists.
extern CLI_ZEP00710_EXPORT bool boIdCriado;

/// The unit's initialization: no screen exists.
void UnitInitialization();
/// The unit's finalization: nothing of the unit is left to release.
void UnitFinalization();

}  // namespace Cli_Zep00710
