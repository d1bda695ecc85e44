#pragma once
// One channel of a range copied out of the camera's recordings without
// re-encoding: pictures from a key frame on, with the sound, joined across
// files into one MP4, then laid out as the camera lays out its own files
// with the telemetry records of the range.

#include "telemetry/track_reader.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"
#include "trips/camera_time.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

struct CopyPiece {
    std::string path;           // the file system's bytes
    CameraMs recordingStart = 0;
    std::int64_t offsetFrom = 0; // ms in the recording
    std::int64_t offsetTo = 0;
};

struct CopiedClip {
    CameraMs start = 0; // camera time of the first picture (a key frame at or before the range)
    CameraMs end = 0;   // of the last one taken
    std::uint64_t bytesRead = 0;
};

// Copies the pieces, in order, to `outPath` (created). The first piece starts
// at the key frame at or before its offset, later ones at their first key
// frame from their offset on; each ends at its offset. `progress` gets the
// share done (0 to 1). Stops with an error once `cancel` is set.
Expected<CopiedClip, Error> copyPieces(const std::vector<CopyPiece>& pieces, const std::string& outPath,
                                       const std::atomic<bool>& cancel,
                                       const std::function<void(double)>& progress);

// Re-lays an MP4 as written by libavformat (ftyp, free, mdat, moov) in place
// into the camera's layout, its records appended to the media data and the
// telemetry track added: the media bytes are not moved.
Expected<bool, Error> finishInCameraLayout(const std::string& path, const std::vector<RawTelemetryRecord>& records);

// "path: reason" for a file that can't be opened as a movie with pictures,
// none when it can.
std::optional<std::string> checkMovie(const std::string& path);

} // namespace dravonix
