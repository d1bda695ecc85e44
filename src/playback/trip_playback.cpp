#include "playback/trip_playback.h"

#include <algorithm>

namespace dravonix {

TripPlayback::TripPlayback(const TripSummary& summary, const std::vector<TripRecording>& recordings)
    : timeline_(summary.timeline), start_(summary.trip.start), events_(summary.events)
{
    for (const std::size_t i : summary.trip.recordings) {
        if (i >= recordings.size())
            continue;
        const TripRecording& r = recordings[i];
        files_.push_back({i, Files{r.frontPath, r.rearPath, r.durationMs}});
    }
    std::sort(files_.begin(), files_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const TripEvent& event : events_)
        eventTimes_.push_back(std::clamp<std::int64_t>(event.tripMs, 0, lengthMs()));
    std::sort(eventTimes_.begin(), eventTimes_.end());
    eventTimes_.erase(std::unique(eventTimes_.begin(), eventTimes_.end()), eventTimes_.end());
}

const TripPlayback::Files* TripPlayback::filesOf(std::size_t recording) const
{
    const auto at = std::lower_bound(files_.begin(), files_.end(), recording,
                                     [](const auto& entry, std::size_t r) { return entry.first < r; });
    return at != files_.end() && at->first == recording ? &at->second : nullptr;
}

bool TripPlayback::contains(std::size_t recording) const { return filesOf(recording) != nullptr; }

TripTarget TripPlayback::startOf(std::size_t index) const
{
    const TimelinePiece& p = piece(index);
    TripTarget target{index, p.recording, {}, true, p.offsetFrom};
    if (const Files* files = filesOf(p.recording)) {
        target.front = !files->front.empty();
        target.path = target.front ? files->front : files->rear;
    }
    return target;
}

std::optional<TripTarget> TripPlayback::locate(std::int64_t tripMs) const
{
    if (pieceCount() == 0)
        return std::nullopt;
    tripMs = std::clamp<std::int64_t>(tripMs, 0, lengthMs());
    const std::size_t index = timeline_.pieceAt(tripMs);
    TripTarget target = startOf(index);
    target.offsetMs = fileTimeIn(index, tripMs);
    return target;
}

std::int64_t TripPlayback::tripTimeIn(std::size_t index, std::int64_t fileMs) const
{
    if (index >= pieceCount())
        return lengthMs();
    const TimelinePiece& p = piece(index);
    return p.tripFrom + std::clamp<std::int64_t>(fileMs - p.offsetFrom, 0, p.length());
}

std::int64_t TripPlayback::fileTimeIn(std::size_t index, std::int64_t tripMs) const
{
    const TimelinePiece& p = piece(index);
    return p.offsetFrom + std::clamp<std::int64_t>(tripMs - p.tripFrom, 0, p.length());
}

bool TripPlayback::pieceEnded(std::size_t index, std::int64_t fileMs, std::int64_t fileLengthMs) const
{
    if (index >= pieceCount())
        return true;
    const TimelinePiece& p = piece(index);
    if (fileMs + kEndSlackMs >= p.offsetFrom + p.length())
        return true;
    // The header's duration and the player's length may differ a little: a
    // piece that runs to its file's end ends where the player says the file does.
    const Files* files = filesOf(p.recording);
    const bool runsToFileEnd = files != nullptr && p.offsetFrom + p.length() >= files->durationMs;
    return runsToFileEnd && fileLengthMs > 0 && fileMs + kEndSlackMs >= fileLengthMs;
}

std::optional<std::int64_t> TripPlayback::nextEvent(std::int64_t tripMs) const
{
    const auto after = std::upper_bound(eventTimes_.begin(), eventTimes_.end(), tripMs);
    return after == eventTimes_.end() ? std::nullopt : std::optional<std::int64_t>(*after);
}

std::optional<std::int64_t> TripPlayback::previousEvent(std::int64_t tripMs) const
{
    const auto before = std::lower_bound(eventTimes_.begin(), eventTimes_.end(), tripMs);
    return before == eventTimes_.begin() ? std::nullopt : std::optional<std::int64_t>(*(before - 1));
}

std::optional<std::int64_t> TripPlayback::tripTimeOfRecording(std::size_t recording) const
{
    for (const TimelinePiece& p : timeline_.pieces())
        if (p.recording == recording)
            return p.tripFrom;
    return std::nullopt;
}

} // namespace dravonix
