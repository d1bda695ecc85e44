#pragma once
// The incident export as the commands and the viewer call it. FFmpeg's
// libraries bring some hundred and seventy shared libraries with them; linked
// into the programs they cost every start (the list command's among them)
// tens of milliseconds, so the export lives in a module of its own, loaded
// the first time an export runs.

#include "export/incident_export.h"

namespace dravonix {

// exportIncident, from the module; an error saying so when the module can't
// be found or loaded.
Expected<ExportResult, Error> runIncidentExport(const ExportOptions& options, const ExportProgressCallback& progress,
                                                const std::atomic<bool>& cancel);

// Where the module is looked for: beside the installed programs, and in the
// build tree for programs that run from it.
std::vector<std::string> exportModuleCandidates(const std::string& executable);

} // namespace dravonix
