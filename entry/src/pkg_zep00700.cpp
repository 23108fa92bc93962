// The package unit of Pkg_Zep00700: what the host's module loader reads and
// calls. The screen unit Cli_Zep00700 is the package's only unit of its own.
#include <iterator>

#include "entry/cria_apropriacao.h"
#include "entry/package_info.h"
#include "platform/module/module_api.h"
#include "screen/cli_zep00700.h"

APROP_MODULE_METADATA(R"({"name": "Pkg_Zep00700", "version": ")" PKG_ZEP00700_VERSION R"(",
    "description": "Manutenção da Apropriação",
    "requires": ["runtime", "widgets", "data", "datacontrols", "remotedata", "framework",
                 "components", "dbcomponents"]})")

namespace {

const char* const kRequiredPackages[] = {"runtime",    "widgets",   "data",       "datacontrols",
                                         "remotedata", "framework", "components", "dbcomponents"};
const char* const kUnits[] = {"Pkg_Zep00700", "Cli_Zep00700"};

const AprPackageVersionBlock kVersion = {
    "pt-BR",
    0x0416,
    1252,
    "Apropriação",
    "Manutenção da Apropriação",
    PKG_ZEP00700_VERSION,
    "Pkg_Zep00700",
    "",
    "libPkg_Zep00700.so",
    "Manutenção da Apropriação",
    PKG_ZEP00700_VERSION,
};

const AprPackageInfoTable kPackageInfo = {
    "Pkg_Zep00700",
    true,
    static_cast<int>(std::size(kRequiredPackages)),
    kRequiredPackages,
    static_cast<int>(std::size(kUnits)),
    kUnits,
    &kVersion,
};

}  // namespace

APROP_MODULE_EXPORT void Initialize() {
    Cli_Zep00700::UnitInitialization();
}

APROP_MODULE_EXPORT void Finalize() {
    Cli_Zep00700::UnitFinalization();
}

APROP_MODULE_EXPORT void IniProc() {
    Cli_Zep00700::IniProc();
}

APROP_MODULE_EXPORT const AprPackageInfoTable* GetPackageInfoTable() {
    return &kPackageInfo;
}
