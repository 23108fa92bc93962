#pragma once

#include <iterator>

#include "platform/module/module_api.h"
#include "platform/module/package_info.h"

// What a screen module declares about itself, written once for every
// screen module: its metadata (read by the host before loading it), and its
// package record (GetPackageInfoTable) with the eight packages every screen
// module requires from the host, its two units (the package unit and the
// screen unit) and a version block in Portuguese (Brazil).
//
//   APROP_SCREEN_PACKAGE("Pkg_Zep00710", "Cli_Zep00710", "Resumo da Apropriação",
//                        PKG_ZEP00710_VERSION)
//
// The module still exports Initialize, Finalize and its entry routines itself.

/// The packages every screen module requires, as the metadata lists them.
#define APROP_SCREEN_PACKAGE_REQUIRES                                               \
    R"(["runtime", "widgets", "data", "datacontrols", "remotedata", "framework", )" \
    R"("components", "dbcomponents"])"

namespace platform::module {

/// The packages every screen module requires, in the metadata's order.
inline const char* const kScreenRequiredPackages[] = {"runtime",      "widgets",     "data",
                                                      "datacontrols", "remotedata",  "framework",
                                                      "components",   "dbcomponents"};

}  // namespace platform::module

#define APROP_SCREEN_PACKAGE(PACKAGE, UNIT, DESCRIPTION, VERSION)                                \
    APROP_MODULE_METADATA("{\"name\": \"" PACKAGE "\", \"version\": \"" VERSION                  \
                          "\", \"description\": \"" DESCRIPTION                                  \
                          "\", \"requires\": " APROP_SCREEN_PACKAGE_REQUIRES "}")                \
    namespace {                                                                                  \
    const char* const kAprUnits[] = {PACKAGE, UNIT};                                             \
    const AprPackageVersionBlock kAprVersion = {"pt-BR",       0x0416,      1252,                \
                                                "Apropriação", DESCRIPTION, VERSION,             \
                                                PACKAGE,       "",          "lib" PACKAGE ".so", \
                                                DESCRIPTION,   VERSION};                         \
    const AprPackageInfoTable kAprPackageInfo = {                                                \
        PACKAGE,                                                                                 \
        true,                                                                                    \
        static_cast<int>(std::size(platform::module::kScreenRequiredPackages)),                  \
        platform::module::kScreenRequiredPackages,                                               \
        static_cast<int>(std::size(kAprUnits)),                                                  \
        kAprUnits,                                                                               \
        &kAprVersion,                                                                            \
    };                                                                                           \
    }                                                                                            \
    APROP_MODULE_EXPORT const AprPackageInfoTable* GetPackageInfoTable() {                       \
        return &kAprPackageInfo;                                                                 \
    }
