#pragma once
// The export the dialog runs: the folder's recordings collected and measured,
// then the range exported into a new folder named after its start, in the
// folder the user chose.

#include "app/viewer/export_dialog.h"
#include "trips/camera_time.h"

#include <QByteArray>
#include <QDateTime>

#include <filesystem>

namespace dravonix {

// Camera time and the dialog's date-time (held as UTC, no zone applied) both ways.
CameraMs cameraMsOf(const QDateTime& time);
QDateTime dateTimeOf(CameraMs time);

// "incident_YYYYMMDD_HHMMSS" in `parent`, or with "_2", "_3"... when that is taken.
std::filesystem::path freshExportFolder(const std::filesystem::path& parent, CameraMs start);

// Exports from the recordings of `cardFolder` (the file system's bytes).
ExportRunner incidentExportRunner(const QByteArray& cardFolder);

} // namespace dravonix
