#pragma once
// Measuring recordings from their movie headers. A card holds tens of
// thousands of files, so this runs wherever the caller likes (a worker
// thread for the viewer) and hands each result over as soon as it is known.

#include "telemetry/track_reader.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"
#include "trips/trip_recordings.h"

#include "toolkit/input_file.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>

namespace dravonix {

using DurationResult = Expected<std::int64_t, Error>;
using OnDuration = std::function<void(std::size_t index, const DurationResult& result)>;

// Calls `onResult` once per path, in order, from the calling thread; stops
// before the next file once `stop` is requested. Returns how many were read.
std::size_t readRecordingDurations(std::span<const std::string> nativePaths, const OnDuration& onResult,
                                   std::stop_token stop = {});

// Fills in every recording's duration (its main file's, else the other
// channel's), a thread per core; returns how many recordings have none.
// `onMeasured`, when given, is called (from any of the threads) after each
// recording with how many are done so far.
int measureRecordings(RecordingSet& set, std::stop_token stop = {},
                      const std::function<void(std::size_t done)>& onMeasured = {});

// A recording's duration read as above and, when `track` is given, its main
// file's track into it from the same opening (the other channel's when the
// main file has none): a card's trips read every file once.
struct MeasuredRecording {
    std::int64_t durationMs = 0;
    bool tracked = false; // a track was read (`track` is left empty otherwise)
};
// `mainFolder`, when given, is the main file's folder held open.
MeasuredRecording measureRecording(const TripRecording& recording, TrackPoints* track,
                                   FixDetail detail = FixDetail::Full, const OpenFolder* mainFolder = nullptr);

// The folders of a card's files, each opened the first time it is asked
// for. A few at most are held, so that a card of many folders can't use up
// the descriptors its files need; the files of the rest are opened by path.
// Not for use from several threads at once.
class OpenFolders {
public:
    static constexpr std::size_t kMostHeld = 16;

    // The folder holding the file at `nativePath`; null when it can't be
    // opened, too many are held or the path is too long to open.
    const OpenFolder* holding(std::string_view nativePath);

private:
    std::map<std::string, std::optional<OpenFolder>, std::less<>> folders_;
    std::string_view lastPath_;
    const OpenFolder* last_ = nullptr;
};

} // namespace dravonix
