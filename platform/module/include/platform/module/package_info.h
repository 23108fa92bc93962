#pragma once

#include <cstdint>

// The package information record that the module exports through
// GetPackageInfoTable: what the package requires and contains, and its
// version block. Plain C layout, so that any loader can read it.
extern "C" {

struct AprPackageVersionBlock {
    const char* language;      ///< "pt-BR"
    std::uint16_t languageId;  ///< 0x0416, Portuguese (Brazil)
    std::uint16_t codePage;    ///< 1252
    const char* companyName;
    const char* fileDescription;
    const char* fileVersion;
    const char* internalName;
    const char* legalCopyright;
    const char* originalFilename;
    const char* productName;
    const char* productVersion;
};

struct AprPackageInfoTable {
    const char* name;  ///< "Pkg_Zep00700"
    bool runOnly;      ///< a run-time-only package
    int requiredCount;
    const char* const* requiredPackages;
    int unitCount;
    const char* const* units;  ///< the units of its own, the screen unit last
    const AprPackageVersionBlock* version;
};

using AprGetPackageInfoTableFn = const AprPackageInfoTable* (*)();
}
