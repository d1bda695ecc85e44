#pragma once
// An incident exported from a card: a range of the camera's clock (within one
// trip, across file boundaries) written to a new folder as the front and rear
// clips in the camera's own layout and naming, a combined picture, the route
// as GPX and KML, a note of what was exported and the SHA-256 of every file
// written and read. The card is only read. Runs on any thread; progress comes
// in steps, and a cancel leaves nothing under a final name.

#include "export/combined_video.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"
#include "trips/trip_recordings.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace dravonix {

struct ExportOptions {
    RecordingSet recordings;   // collected and measured (durations read)
    CameraMs from = 0;         // the range on the camera's clock
    CameraMs to = 0;
    std::filesystem::path target; // a new folder, or an empty one
    // The folder the recordings were listed from: the target may not be in
    // it, or the export would write onto the card it reads and its clips
    // would count as recordings. Empty: not checked.
    std::filesystem::path cardFolder;
    bool combined = true;
    CombinedLayout layout = CombinedLayout::SideBySide;
    bool overlay = false;      // date and time, speed and position burned into combined.mp4
    // Export what can be read when a file of the range is missing or broken
    // (it is named in export.txt); otherwise such a file stops the export.
    bool skipUnreadable = false;
};

struct ExportProgress {
    int step = 0;  // 0-based
    int steps = 0;
    std::string text;
    double fraction = 0.0; // of this step, 0 to 1
};
using ExportProgressCallback = std::function<void(const ExportProgress&)>;

struct ExportStepTime {
    std::string text;
    double seconds = 0.0;
};

struct ExportResult {
    std::filesystem::path folder;
    std::vector<std::string> files;   // final names, in the folder
    std::vector<std::string> sources; // the recordings read, as paths
    std::vector<std::string> skipped; // "path: reason" for what was left out
    CameraMs clipStart = 0;           // the key frame the clips start at
    CameraMs clipEnd = 0;
    std::size_t telemetryRecords = 0;
    std::uint64_t sourceBytesCopied = 0;
    std::int64_t combinedFrames = 0;
    std::vector<ExportStepTime> stepTimes;
};

// The error of a range with files that are missing or can't be read: the
// same export with `skipUnreadable` would leave them out and go on. Our own
// code, beside the system's (which are positive).
inline constexpr int kUnreadableFilesError = -1;
inline bool isUnreadableFilesError(const Error& error) { return error.systemError == kUnreadableFilesError; }

// True when `target` is `folder` or inside it, links resolved.
bool isInsideFolder(const std::filesystem::path& target, const std::filesystem::path& folder);

Expected<ExportResult, Error> exportIncident(const ExportOptions& options, const ExportProgressCallback& progress,
                                             const std::atomic<bool>& cancel);

} // namespace dravonix
