#include "trips/trip_timeline.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace dravonix {

std::vector<Trip> groupTrips(const std::vector<TripRecording>& recordings)
{
    return groupTrips(recordings, 0, recordings.size());
}

std::vector<Trip> groupTrips(const std::vector<TripRecording>& recordings, std::size_t from, std::size_t to)
{
    std::vector<Trip> trips;
    for (std::size_t i = from; i < std::min(to, recordings.size()); ++i) {
        const TripRecording& r = recordings[i];
        if (!r.drives() || r.durationMs <= 0)
            continue;
        if (trips.empty() || r.start > trips.back().end + kTripJoinGapMs) {
            trips.push_back(Trip{{i}, r.start, r.end()});
            continue;
        }
        Trip& trip = trips.back();
        trip.recordings.push_back(i);
        trip.end = std::max(trip.end, r.end());
    }
    return trips;
}

TripTimeline::TripTimeline(const std::vector<TripRecording>& recordings, const Trip& trip)
{
    // A sweep over the starts and ends: at each boundary the recordings
    // covering what follows are known, and the preferred one is played. The
    // one already playing keeps playing while it is among the preferred, so
    // overlapping Always recordings don't flip back and forth.
    struct Boundary {
        CameraMs at;
        bool starts;
        std::size_t recording;
    };
    std::vector<Boundary> boundaries;
    boundaries.reserve(trip.recordings.size() * 2);
    for (const std::size_t i : trip.recordings) {
        boundaries.push_back({recordings[i].start, true, i});
        boundaries.push_back({recordings[i].end(), false, i});
    }
    std::sort(boundaries.begin(), boundaries.end(),
              [](const Boundary& a, const Boundary& b) { return a.at < b.at; });

    using Candidate = std::tuple<int, CameraMs, std::size_t>; // (Always first, earlier start first, index)
    const auto candidate = [&](std::size_t i) {
        return Candidate{recordings[i].kind == RecordingKind::Always ? 0 : 1, recordings[i].start, i};
    };
    std::set<Candidate> covering;
    bool isPlaying = false;
    std::size_t playing = 0;
    std::int64_t tripTime = 0;
    for (std::size_t b = 0; b < boundaries.size();) {
        const CameraMs at = boundaries[b].at;
        for (; b < boundaries.size() && boundaries[b].at == at; ++b) {
            if (boundaries[b].starts)
                covering.insert(candidate(boundaries[b].recording));
            else
                covering.erase(candidate(boundaries[b].recording));
        }
        if (covering.empty() || b == boundaries.size()) {
            isPlaying = false;
            continue;
        }
        const CameraMs next = boundaries[b].at;
        const int bestClass = std::get<0>(*covering.begin());
        std::size_t chosen = std::get<2>(*covering.begin());
        if (isPlaying && covering.count(candidate(playing)) != 0 && std::get<0>(candidate(playing)) == bestClass)
            chosen = playing;
        if (!pieces_.empty() && pieces_.back().recording == chosen && pieces_.back().to == at) {
            pieces_.back().to = next;
        } else {
            pieces_.push_back({at, next, tripTime, chosen, at - recordings[chosen].start});
        }
        tripTime += next - at;
        playing = chosen;
        isPlaying = true;
    }
}

std::size_t TripTimeline::pieceAt(std::int64_t tripMs) const
{
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), tripMs,
                                        [](std::int64_t t, const TimelinePiece& p) { return t < p.tripFrom; });
    return after == pieces_.begin() ? 0 : static_cast<std::size_t>(after - pieces_.begin() - 1);
}

std::optional<TripPosition> TripTimeline::at(std::int64_t tripMs) const
{
    if (pieces_.empty())
        return std::nullopt;
    tripMs = std::clamp<std::int64_t>(tripMs, 0, lengthMs());
    const TimelinePiece& piece = pieces_[pieceAt(tripMs)];
    return TripPosition{piece.recording, piece.offsetFrom + std::min(tripMs - piece.tripFrom, piece.length())};
}

CameraMs TripTimeline::cameraTimeAt(std::int64_t tripMs) const
{
    if (pieces_.empty())
        return 0;
    tripMs = std::clamp<std::int64_t>(tripMs, 0, lengthMs());
    const TimelinePiece& piece = pieces_[pieceAt(tripMs)];
    return piece.from + std::min(tripMs - piece.tripFrom, piece.length());
}

std::int64_t TripTimeline::tripTimeOf(CameraMs time) const
{
    if (pieces_.empty())
        return 0;
    const auto after = std::upper_bound(pieces_.begin(), pieces_.end(), time,
                                        [](CameraMs t, const TimelinePiece& p) { return t < p.from; });
    if (after == pieces_.begin())
        return 0;
    const TimelinePiece& piece = *(after - 1);
    if (time <= piece.to)
        return piece.tripFrom + (time - piece.from);
    return after == pieces_.end() ? lengthMs() : after->tripFrom; // in a gap, or past the end
}

} // namespace dravonix
