#include "trips/recording_durations.h"

#include "telemetry/movie_duration.h"
#include "trips/card_trips.h"

#include <atomic>
#include <climits>

namespace dravonix {
namespace {

// The main file's duration, else the other channel's; 0 when neither reads.
std::int64_t measureOne(const TripRecording& recording)
{
    return measureRecording(recording, nullptr).durationMs;
}

} // namespace

MeasuredRecording measureRecording(const TripRecording& recording, TrackPoints* track, FixDetail detail,
                                   const OpenFolder* mainFolder)
{
    MeasuredRecording measured;
    const bool withTrack = track != nullptr;
    const auto readFrom = [&](const std::string& path, const OpenFolder* folder, bool duration, bool withPoints) {
        auto opened = folder != nullptr ? openFileByteSource(*folder, path.c_str() + path.rfind('/') + 1)
                                        : openFileByteSource(std::filesystem::path(path));
        auto* file = std::get_if<std::unique_ptr<ByteSource>>(&opened);
        if (file == nullptr)
            return;
        const ReadAheadByteSource source(**file);
        if (duration)
            if (const DurationResult ms = readMovieDurationMs(source))
                measured.durationMs = *ms;
        if (withPoints)
            measured.tracked = readTrackPoints(source, *track, detail).ok();
    };
    const std::string& main = recording.mainPath();
    if (main.empty())
        return measured;
    readFrom(main, mainFolder, true, withTrack);
    const std::string* other = recording.otherPath();
    if (other != nullptr && (measured.durationMs == 0 || (withTrack && !measured.tracked)))
        readFrom(*other, nullptr, measured.durationMs == 0, withTrack && !measured.tracked);
    return measured;
}

const OpenFolder* OpenFolders::holding(std::string_view nativePath)
{
    const std::size_t slash = nativePath.rfind('/');
    if (slash == std::string_view::npos)
        return nullptr;
#ifdef PATH_MAX
    // A path too long to open is not read by its name in its folder either:
    // a file reads the same whichever way it is opened.
    if (nativePath.size() >= PATH_MAX)
        return nullptr;
#endif
    // "/name" lies in the root folder.
    const std::string_view folder = slash == 0 ? std::string_view("/") : nativePath.substr(0, slash);
    if (last_ != nullptr && folder == lastPath_)
        return last_;
    auto found = folders_.find(folder);
    if (found == folders_.end()) {
        if (folders_.size() == kMostHeld)
            return nullptr;
        auto opened = OpenFolder::open(std::filesystem::path(std::string(folder)));
        found = folders_.emplace(std::string(folder), opened ? std::optional(std::move(*opened)) : std::nullopt).first;
    }
    lastPath_ = found->first;
    last_ = found->second ? &*found->second : nullptr;
    return last_;
}

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

int measureRecordings(RecordingSet& set, std::stop_token stop, const std::function<void(std::size_t done)>& onMeasured)
{
    std::atomic<int> unmeasured{0};
    std::atomic<std::size_t> done{0};
    forEachInParallel(set.recordings.size(), [&](std::size_t i) {
        TripRecording& recording = set.recordings[i];
        // Once stopped, the rest are left at 0: not measured.
        recording.durationMs = stop.stop_requested() ? 0 : measureOne(recording);
        if (recording.durationMs == 0)
            ++unmeasured;
        const std::size_t now = ++done;
        if (onMeasured)
            onMeasured(now);
    });
    return unmeasured;
}

} // namespace dravonix
