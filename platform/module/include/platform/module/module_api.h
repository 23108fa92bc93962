#pragma once

// What a loadable module declares so that the host's ModuleRegistry can
// load it. Include it in one source file of the module:
//
//   APROP_MODULE_METADATA(R"({"name": "Pkg_Zep00700", "version": "1.0.0",
//                             "requires": ["rtl", "framework"]})")
//   APROP_MODULE_EXPORT void Initialize() { ... unit initializations ... }
//   APROP_MODULE_EXPORT void Finalize()   { ... unit finalizations ... }
//
// The metadata is a JSON object kept in its own ELF section, so the host
// reads it from the file before any code of the module runs. "name" and
// "version" are texts, "requires" lists the packages that must be present
// before the module is loaded; "description" is optional.
// Initialize and Finalize are both required; an exception from either is
// reported by the registry as the failure of that step.

#define APROP_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

#define APROP_MODULE_METADATA(json)                                                  \
    extern "C" __attribute__((used, section(".aprop_module"), visibility("hidden"))) \
    const char aprop_module_metadata[] = json;
