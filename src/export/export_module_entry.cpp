// The export module's one entry point. Its signature is the contract with
// export_module_loader.cpp: both are built from the same headers by the same
// compiler, and the version in the name changes with it.

#include "export/incident_export.h"

#include <exception>
#include <new>
#include <optional>

extern "C" __attribute__((visibility("default"))) void
dravonix_export_incident_v1(const dravonix::ExportOptions& options, const dravonix::ExportProgressCallback& progress,
                            const std::atomic<bool>& cancel,
                            std::optional<dravonix::Expected<dravonix::ExportResult, dravonix::Error>>& result)
{
    try {
        result.emplace(dravonix::exportIncident(options, progress, cancel));
    } catch (const std::bad_alloc&) {
        result.emplace(dravonix::unexpected(dravonix::Error{"not enough memory for the export", 0}));
    } catch (const std::exception& e) {
        result.emplace(dravonix::unexpected(dravonix::Error{e.what(), 0}));
    }
}
