#pragma once
// The recordings a trip is made of: a file name in the camera's exact
// grammar, its front and rear files joined, one recording per kind and
// second however many copies of it a card holds.

#include "catalogue/folder_scan.h"
#include "catalogue/recording_name.h"
#include "trips/camera_time.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix {

struct StrictRecordingName {
    RecordingKind kind = RecordingKind::Unknown;
    CameraMs start = 0;
    bool front = false;
};

// prefix, yyyyMMdd, "_", hhmmss, "_", F or R, ".mp4" (any case), and nothing
// else, with a date and time that exist. The list is more forgiving (it
// shows "event_2023_x.mp4" too); a trip only takes names it can place.
std::optional<StrictRecordingName> parseStrictRecordingName(std::string_view bareName);

struct TripRecording {
    RecordingKind kind = RecordingKind::Unknown;
    CameraMs start = 0;
    std::int64_t durationMs = 0; // 0 until read, or when it can't be
    std::string frontPath;       // the file system's bytes; empty when missing
    std::string rearPath;

    // The file that is played and whose telemetry counts: front, else rear.
    const std::string& mainPath() const { return frontPath.empty() ? rearPath : frontPath; }
    // The rear file when the front is the main one and a rear exists: it
    // carries the same length and records, so it stands in for what the
    // main file lacks. Null otherwise.
    const std::string* otherPath() const { return frontPath.empty() || rearPath.empty() ? nullptr : &rearPath; }
    CameraMs end() const { return start + durationMs; }
    bool drives() const
    {
        return kind == RecordingKind::Always || kind == RecordingKind::Event || kind == RecordingKind::User;
    }
};

struct RecordingSet {
    std::vector<TripRecording> recordings; // in start order; Always before others in the same second
    int outsideGrammar = 0;                // files whose names a trip can't place
    int duplicates = 0;                    // further files with the name of a channel already taken
};

// From the list's rows (any order); a copy of a file already seen in another
// folder is counted, not taken twice.
RecordingSet collectRecordings(const std::vector<RecordingRow>& rows);
// The same from bare paths, taken in the order given, for tests and tools
// without a scan.
RecordingSet collectRecordings(std::vector<std::string> nativePaths);
// From a scan's paths in any order (scanNativePaths): the set the list's rows
// of the same files give, without building the list.
RecordingSet collectListedRecordings(std::vector<std::string> nativePaths);
// A folder's recordings at every depth, as collectListedRecordings takes them.
Expected<RecordingSet, ScanError> scanRecordingSet(const QByteArray& nativeFolder);

} // namespace dravonix
