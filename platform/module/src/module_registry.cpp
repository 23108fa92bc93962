#include "platform/module/module_registry.h"

#include <algorithm>
#include <cctype>

namespace platform::module {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool sameName(const std::string& a, const std::string& b) {
    return lower(a) == lower(b);
}

}  // namespace

ModuleRegistry::ModuleRegistry(std::filesystem::path folder, std::string language)
    : folder_(std::move(folder)), language_(std::move(language)) {}

ModuleRegistry::~ModuleRegistry() {
    for (auto it = modules_.rbegin(); it != modules_.rend(); ++it) {
        Module& m = **it;
        if (m.state() == ModuleState::Initialized) {
            try {
                m.finalize();
            } catch (const ModuleError& e) {
                m.fail(e.what());  // nobody is left to tell; the library is still released
            }
        }
        m.close();
    }
}

void ModuleRegistry::providePackage(const std::string& name) {
    provided_.insert(lower(name));
}

bool ModuleRegistry::hasPackage(const std::string& name) const {
    if (provided_.count(lower(name))) return true;
    return std::any_of(modules_.begin(), modules_.end(), [&](const std::unique_ptr<Module>& m) {
        return m->state() == ModuleState::Initialized &&
               (sameName(m->name(), name) || sameName(m->metadata().name, name));
    });
}

std::filesystem::path ModuleRegistry::locate(const std::string& name) const {
    for (const auto& candidate :
         {folder_ / ("lib" + name + ".so"), folder_ / (name + ".so"), folder_ / name}) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return {};
}

std::vector<std::unique_ptr<Module>>::iterator ModuleRegistry::entry(const std::string& name) {
    return std::find_if(modules_.begin(), modules_.end(), [&](const std::unique_ptr<Module>& m) {
        return sameName(m->name(), name);
    });
}

Module* ModuleRegistry::find(const std::string& name) {
    auto it = entry(name);
    return it == modules_.end() ? nullptr : it->get();
}

Module& ModuleRegistry::load(const std::string& name) {
    if (auto it = entry(name); it != modules_.end()) {
        if ((*it)->state() == ModuleState::Initialized) return **it;
        modules_.erase(it);  // a failed or unloaded module is tried afresh
    }
    const std::filesystem::path file = locate(name);
    if (file.empty())
        throw ModuleError("Módulo '" + name + "' não encontrado em " + folder_.string() + ".");

    std::filesystem::path resource = file;
    resource.replace_extension("." + language_);
    std::error_code ec;
    if (language_.empty() || !std::filesystem::is_regular_file(resource, ec)) resource = file;

    modules_.push_back(std::make_unique<Module>(name, file, resource));
    Module& m = *modules_.back();
    try {
        m.readMetadata();
        std::vector<std::string> missing;
        for (const auto& package : m.metadata().requiredPackages) {
            if (!hasPackage(package)) missing.push_back(package);
        }
        if (!missing.empty()) {
            std::string list;
            for (const auto& p : missing) list += (list.empty() ? "'" : ", '") + p + "'";
            throw ModuleError("Módulo '" + name + "' requer o(s) pacote(s) " + list +
                              ", que não está(ão) carregado(s).");
        }
        m.open();
        m.initialize();
    } catch (const ModuleError& e) {
        m.fail(e.what());
        m.close();
        throw;
    }
    return m;
}

void ModuleRegistry::unload(const std::string& name) {
    auto it = entry(name);
    if (it == modules_.end()) throw ModuleError("Módulo '" + name + "' não está registrado.");
    Module& m = **it;
    for (const auto& other : modules_) {
        if (other.get() == &m || other->state() != ModuleState::Initialized) continue;
        for (const auto& package : other->metadata().requiredPackages) {
            if (sameName(package, m.name()) || sameName(package, m.metadata().name)) {
                throw ModuleError("Módulo '" + name + "' é requerido por '" + other->name() +
                                  "' e não pode ser descarregado.");
            }
        }
    }
    if (m.state() == ModuleState::Initialized) {
        try {
            m.finalize();
        } catch (const ModuleError& e) {
            m.fail(e.what());
            m.close();
            throw;
        }
    }
    m.close();
}

}  // namespace platform::module
