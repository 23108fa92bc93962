#pragma once

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/module/export.h"
#include "platform/module/module.h"

namespace platform::module {

/// Loads modules by name from one folder and keeps them until they are
/// unloaded. A module's required packages must be present first: provided
/// by the host (providePackage) or modules of this registry that are
/// initialized. Pass the registry to whoever loads modules; there is no
/// process-wide instance.
class PLATFORM_MODULE_EXPORT ModuleRegistry {
public:
    /// `language`: extension of the language resource modules looked for
    /// beside each module file (e.g. "ptb").
    explicit ModuleRegistry(std::filesystem::path folder, std::string language = "ptb");
    /// Finalizes and unloads every module still loaded, newest first.
    ~ModuleRegistry();
    ModuleRegistry(const ModuleRegistry&) = delete;
    ModuleRegistry& operator=(const ModuleRegistry&) = delete;

    /// Declares a package that the host itself provides (linked in).
    void providePackage(const std::string& name);
    /// Provided by the host, or an initialized module with that name.
    bool hasPackage(const std::string& name) const;

    /// Finds the file ("lib<name>.so", "<name>.so" or "<name>" in the
    /// folder), reads its metadata, checks its required packages, loads it
    /// and runs Initialize. Returns the module when it is initialized (at
    /// once when it already was). Throws ModuleError with the failed step's
    /// text; a module that was found stays listed with that error.
    Module& load(const std::string& name);
    /// Runs Finalize and unloads. Throws ModuleError when another loaded
    /// module requires this one, or when the name is unknown.
    void unload(const std::string& name);

    Module* find(const std::string& name);
    const std::vector<std::unique_ptr<Module>>& modules() const { return modules_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path locate(const std::string& name) const;
    std::vector<std::unique_ptr<Module>>::iterator entry(const std::string& name);

    std::filesystem::path folder_;
    std::string language_;
    std::set<std::string> provided_;
    std::vector<std::unique_ptr<Module>> modules_;  // in order of loading
};

}  // namespace platform::module
