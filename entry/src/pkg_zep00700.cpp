// The package unit of Pkg_Zep00700: what the host's module loader reads and
// calls. The screen unit Cli_Zep00700 is the package's only unit of its own.
#include "entry/cria_apropriacao.h"
#include "platform/module/screen_package.h"
#include "screen/cli_zep00700.h"

APROP_SCREEN_PACKAGE("Pkg_Zep00700", "Cli_Zep00700", "Manutenção da Apropriação",
                     PKG_ZEP00700_VERSION)

APROP_MODULE_EXPORT void Initialize() {
    Cli_Zep00700::UnitInitialization();
}

APROP_MODULE_EXPORT void Finalize() {
    Cli_Zep00700::UnitFinalization();
}

APROP_MODULE_EXPORT void IniProc() {
    Cli_Zep00700::IniProc();
}

APROP_MODULE_EXPORT void IniProcParams(int count, const char* const* params) {
    Cli_Zep00700::IniProcParams(count, params);
}
