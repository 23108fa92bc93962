// The package unit of Pkg_Zep00710: what the host's module loader reads and
// calls. The screen unit Cli_Zep00710 is the package's only unit of its own.
#include "platform/module/screen_package.h"
#include "summary/cli_zep00710.h"
#include "summary_entry/cria_resumo.h"

APROP_SCREEN_PACKAGE("Pkg_Zep00710", "Cli_Zep00710", "Resumo da Apropriação", PKG_ZEP00710_VERSION)

APROP_MODULE_EXPORT void Initialize() {
    Cli_Zep00710::UnitInitialization();
}

APROP_MODULE_EXPORT void Finalize() {
    Cli_Zep00710::UnitFinalization();
}

APROP_MODULE_EXPORT void IniProc() {
    Cli_Zep00710::IniProc();
}
