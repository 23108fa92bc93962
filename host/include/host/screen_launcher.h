#pragma once

#include <QStringList>

#include <filesystem>

#include "platform/module/module_registry.h"

namespace host {

/// Loads the appropriation screen's module and opens the screen through
/// its exported entry routine. Owns the module registry: destroying the
/// launcher finalizes and unloads the module, so every form made by the
/// module's code must be gone by then.
class ScreenLauncher {
public:
    static constexpr const char* kModuleName = "Pkg_Zep00700";
    static constexpr const char* kEntryRoutine = "IniProc";

    explicit ScreenLauncher(const std::filesystem::path& modulesDir);

    /// The packages the host provides to modules (it links them in).
    static QStringList providedPackages();

    /// Loads the module (once) and calls IniProc. Throws
    /// platform::module::ModuleError with the module's own error text.
    void openApropriacao();

    platform::module::ModuleRegistry& registry() { return registry_; }

private:
    platform::module::ModuleRegistry registry_;
};

}  // namespace host
