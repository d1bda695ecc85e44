#include "export/export_module.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <optional>

namespace dravonix {

namespace {

using ExportEntry = void (*)(const ExportOptions&, const ExportProgressCallback&, const std::atomic<bool>&,
                             std::optional<Expected<ExportResult, Error>>&);

struct LoadedModule {
    ExportEntry entry = nullptr;
    std::string failure;
};

LoadedModule loadModule()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    LoadedModule loaded;
    std::string tried;
    for (const std::string& candidate : exportModuleCandidates(error ? std::string() : self.string())) {
        if (!std::filesystem::is_regular_file(candidate, error))
            continue;
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* why = dlerror();
            tried += "\n  " + candidate + ": " + (why != nullptr ? why : "can't be loaded");
            continue;
        }
        // The module stays loaded for the life of the process.
        loaded.entry = reinterpret_cast<ExportEntry>(dlsym(handle, "dravonix_export_incident_v1"));
        if (loaded.entry != nullptr)
            return loaded;
        tried += "\n  " + candidate + ": not the export module of this version";
    }
    loaded.failure = "the export module (" DRAVONIX_EXPORT_MODULE_NAME ") is missing or can't be loaded; reinstall Dravonix"
                     + tried;
    return loaded;
}

} // namespace

std::vector<std::string> exportModuleCandidates(const std::string& executable)
{
    std::vector<std::string> candidates;
    if (executable.empty())
        return candidates;
    const std::filesystem::path folder = std::filesystem::path(executable).parent_path();
    candidates.push_back((folder / DRAVONIX_EXPORT_MODULE_FROM_BINDIR / DRAVONIX_EXPORT_MODULE_NAME).lexically_normal().string());
    // Only a program inside the build tree looks there, so an installed one
    // never loads code from a folder someone else may control.
    const std::string build = DRAVONIX_BUILD_DIR "/";
    if (executable.starts_with(build))
        candidates.push_back(DRAVONIX_EXPORT_MODULE_BUILD_DIR "/" DRAVONIX_EXPORT_MODULE_NAME);
    return candidates;
}

Expected<ExportResult, Error> runIncidentExport(const ExportOptions& options, const ExportProgressCallback& progress,
                                                const std::atomic<bool>& cancel)
{
    static std::once_flag once;
    static LoadedModule module;
    std::call_once(once, [] { module = loadModule(); });
    if (module.entry == nullptr)
        return unexpected(Error{module.failure, 0});
    std::optional<Expected<ExportResult, Error>> result;
    module.entry(options, progress, cancel, result);
    if (!result)
        return unexpected(Error{"the export module gave no result", 0});
    return std::move(*result);
}

} // namespace dravonix
