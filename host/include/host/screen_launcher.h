#pragma once

#include <QStringList>

#include <filesystem>

#include "framework/screen_service.h"
#include "platform/module/module_registry.h"

namespace host {

/// Loads a screen module and opens its screen through the module's
/// exported entry routine. Owns the module registry: destroying the
/// launcher finalizes and unloads the modules, so every form made by a
/// module's code must be gone by then.
class ScreenLauncher {
public:
    /// The appropriation screen's module ("Manutenção da Apropriação").
    static constexpr const char* kModuleName = "Pkg_Zep00700";
    /// The summary screen's module ("Resumo da Apropriação").
    static constexpr const char* kResumoModuleName = "Pkg_Zep00710";
    static constexpr const char* kEntryRoutine = "IniProc";
    /// The entry routine that takes parameters: void(int count, const char*
    /// const* params), each parameter "NAME=VALUE" in UTF-8.
    static constexpr const char* kEntryWithParams = "IniProcParams";

    explicit ScreenLauncher(const std::filesystem::path& modulesDir);

    /// The packages the host provides to modules (it links them in).
    static QStringList providedPackages();

    /// Loads the module named `moduleName` (once) and calls its IniProc.
    /// Throws platform::module::ModuleError with the module's own error text.
    void open(const char* moduleName);
    /// Loads the module (once) and calls its IniProcParams with `params`
    /// (IniProc when there are none). A module without IniProcParams is a
    /// ModuleError naming it.
    void open(const QString& moduleName, const framework::ScreenParams& params);
    void openApropriacao() { open(kModuleName); }
    void openResumo() { open(kResumoModuleName); }

    platform::module::ModuleRegistry& registry() { return registry_; }

private:
    platform::module::ModuleRegistry registry_;
};

}  // namespace host
