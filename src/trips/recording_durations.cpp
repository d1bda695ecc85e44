#include "trips/recording_durations.h"

#include "telemetry/movie_duration.h"

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
    int unmeasured = 0;
    for (TripRecording& recording : set.recordings) {
        if (stop.stop_requested()) {
            ++unmeasured; // the rest stay at 0: not measured
            continue;
        }
        recording.durationMs = 0;
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
    }
    return unmeasured;
}

} // namespace dravonix
