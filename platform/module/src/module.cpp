#include "platform/module/module.h"

#include <dlfcn.h>

#include <nlohmann/json.hpp>

#include "elf_section.h"

namespace platform::module {

namespace {

constexpr const char* kMetadataSection = ".aprop_module";

std::string inQuotes(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace

std::string_view moduleStateName(ModuleState state) {
    switch (state) {
        case ModuleState::Found:
            return "found";
        case ModuleState::Loaded:
            return "loaded";
        case ModuleState::Initialized:
            return "initialized";
        case ModuleState::Finalized:
            return "finalized";
        case ModuleState::Unloaded:
            return "unloaded";
    }
    return "?";
}

ModuleMetadata parseModuleMetadata(std::string_view json) {
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(json);
    } catch (const nlohmann::json::exception& e) {
        throw ModuleError(std::string("metadados do módulo ilegíveis: ") + e.what());
    }
    if (!doc.is_object()) throw ModuleError("metadados do módulo não são um objeto JSON");
    ModuleMetadata meta;
    try {
        meta.name = doc.at("name").get<std::string>();
        meta.version = doc.at("version").get<std::string>();
        if (doc.contains("requires"))
            meta.requiredPackages = doc.at("requires").get<std::vector<std::string>>();
        if (doc.contains("description"))
            meta.description = doc.at("description").get<std::string>();
    } catch (const nlohmann::json::exception& e) {
        throw ModuleError(std::string("metadados do módulo incompletos: ") + e.what());
    }
    if (meta.name.empty()) throw ModuleError("metadados do módulo sem nome");
    return meta;
}

ModuleMetadata readModuleMetadata(const std::filesystem::path& file) {
    std::optional<std::string> bytes;
    try {
        bytes = detail::readElfSection(file, kMetadataSection);
    } catch (const std::exception& e) {
        throw ModuleError(file.string() + ": " + e.what());
    }
    if (!bytes) throw ModuleError(file.string() + ": arquivo sem metadados de módulo");
    while (!bytes->empty() && bytes->back() == '\0') bytes->pop_back();
    try {
        return parseModuleMetadata(*bytes);
    } catch (const ModuleError& e) {
        throw ModuleError(file.string() + ": " + e.what());
    }
}

Module::Module(std::string name, std::filesystem::path file, std::filesystem::path resourceFile)
    : name_(std::move(name)), file_(std::move(file)), resourceFile_(std::move(resourceFile)) {}

Module::~Module() {
    close();
}

void* Module::symbol(std::string_view exportName) const {
    if (!handle_) {
        throw ModuleError("Módulo " + inQuotes(name_) + " não está carregado (estado: " +
                          std::string(moduleStateName(state_)) + ").");
    }
    return dlsym(handle_, std::string(exportName).c_str());
}

void* Module::requireSymbol(std::string_view exportName) const {
    void* address = symbol(exportName);
    if (!address)
        throw ModuleError("Módulo " + inQuotes(name_) + " não exporta " +
                          inQuotes(std::string(exportName)) + ".");
    return address;
}

void Module::readMetadata() {
    metadata_ = readModuleMetadata(file_);
}

void Module::open() {
    dlerror();
    handle_ = dlopen(file_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        throw ModuleError("Não foi possível carregar o módulo " + inQuotes(name_) + ": " +
                          (why ? why : "motivo desconhecido"));
    }
    state_ = ModuleState::Loaded;
}

void Module::initialize() {
    auto* init = function<void()>("Initialize");
    function<void()>("Finalize");  // checked now: a module that cannot be finalized is not started
    try {
        init();
    } catch (const std::exception& e) {
        throw ModuleError("Falha na inicialização do módulo " + inQuotes(name_) + ": " + e.what());
    } catch (...) {
        throw ModuleError("Falha na inicialização do módulo " + inQuotes(name_) + ".");
    }
    state_ = ModuleState::Initialized;
}

void Module::finalize() {
    auto* fin = function<void()>("Finalize");
    try {
        fin();
    } catch (const std::exception& e) {
        throw ModuleError("Falha na finalização do módulo " + inQuotes(name_) + ": " + e.what());
    } catch (...) {
        throw ModuleError("Falha na finalização do módulo " + inQuotes(name_) + ".");
    }
    state_ = ModuleState::Finalized;
}

void Module::close() {
    if (!handle_) return;
    dlclose(handle_);
    handle_ = nullptr;
    state_ = ModuleState::Unloaded;
}

}  // namespace platform::module
