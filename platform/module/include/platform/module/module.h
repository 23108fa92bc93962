#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/module/export.h"

namespace platform::module {

/// A failed step of finding, loading, initializing, finalizing or unloading
/// a module; the message names the module and says what went wrong.
class PLATFORM_MODULE_EXPORT ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// What a module declares about itself (read before any of its code runs).
struct PLATFORM_MODULE_EXPORT ModuleMetadata {
    std::string name;
    std::string version;
    std::vector<std::string> requiredPackages;  ///< "requires" in the JSON
    std::string description;
};

/// Parses the metadata JSON object; throws ModuleError for a malformed one.
PLATFORM_MODULE_EXPORT ModuleMetadata parseModuleMetadata(std::string_view json);

/// Reads the metadata kept in the ".aprop_module" section of a module file,
/// without loading it. Throws ModuleError when the file is not a module.
PLATFORM_MODULE_EXPORT ModuleMetadata readModuleMetadata(const std::filesystem::path& file);

enum class ModuleState { Found, Loaded, Initialized, Finalized, Unloaded };
PLATFORM_MODULE_EXPORT std::string_view moduleStateName(ModuleState state);

/// One module known to a ModuleRegistry. The registry owns it and drives its
/// steps; a failed step leaves the state where the module got to (a module
/// whose initialization failed is unloaded again) and keeps its error text.
class PLATFORM_MODULE_EXPORT Module {
public:
    Module(std::string name, std::filesystem::path file, std::filesystem::path resourceFile);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    /// The name the module was asked for.
    const std::string& name() const { return name_; }
    const std::filesystem::path& file() const { return file_; }
    const ModuleMetadata& metadata() const { return metadata_; }
    ModuleState state() const { return state_; }
    /// The text of the step that failed, empty when none has.
    const std::string& error() const { return error_; }
    bool failed() const { return !error_.empty(); }

    /// The language resource module found beside the module file (same
    /// name, the language as extension: "libX.so" → "libX.ptb"), or the
    /// module file itself when there is none.
    const std::filesystem::path& resourceFile() const { return resourceFile_; }
    bool hasLanguageResource() const { return resourceFile_ != file_; }

    /// The address of an exported name, or null when the module does not
    /// export it. Throws ModuleError when the module is not loaded.
    void* symbol(std::string_view exportName) const;
    /// An exported function; throws ModuleError when it is missing.
    template <typename Fn>
    Fn* function(std::string_view exportName) const {
        return reinterpret_cast<Fn*>(requireSymbol(exportName));
    }

private:
    friend class ModuleRegistry;
    void* requireSymbol(std::string_view exportName) const;
    void readMetadata();
    void open();
    void initialize();
    void finalize();
    void close();
    void fail(std::string text) { error_ = std::move(text); }

    std::string name_;
    std::filesystem::path file_;
    std::filesystem::path resourceFile_;
    ModuleMetadata metadata_;
    ModuleState state_ = ModuleState::Found;
    std::string error_;
    void* handle_ = nullptr;
};

}  // namespace platform::module
