#include "trips/recording_durations.h"

#include "telemetry/movie_duration.h"
#include "trips/card_trips.h"

#include <atomic>

namespace dravonix {

std::size_t readRecordingDurations(std::span<const std::string> nativePaths, const OnDuration& onResult,
                                   std::stop_token stop)
{
    std::size_t done = 0;
    for (; done < nativePaths.size(); ++done) {
        if (stop.stop_requested())
            break;
        onResult(done, readMovieDurationMs(std::filesystem::path(nativePaths[done])));
    }
    return done;
}

int measureRecordings(RecordingSet& set, std::stop_token stop)
{
    std::atomic<int> unmeasured{0};
    forEachInParallel(set.recordings.size(), [&](std::size_t i) {
        TripRecording& recording = set.recordings[i];
        recording.durationMs = 0;
        if (stop.stop_requested()) {
            ++unmeasured; // left at 0: not measured
            return;
        }
        for (const std::string* path : {&recording.mainPath(), static_cast<const std::string*>(&recording.rearPath)}) {
            if (path->empty())
                continue;
            if (const DurationResult ms = readMovieDurationMs(std::filesystem::path(*path))) {
                recording.durationMs = *ms;
                break;
            }
        }
        if (recording.durationMs == 0)
            ++unmeasured;
    });
    return unmeasured;
}

} // namespace dravonix
