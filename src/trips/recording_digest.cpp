#include "trips/recording_digest.h"

#include <map>

namespace dravonix {

RecordingDigest digestRecording(std::size_t index, const TripRecording& recording, const TrackPoints& track,
                                const ImpactThresholds& thresholds, const TripOptions& options)
{
    TripDistance distance;
    ImpactFinder impacts(thresholds);
    OverspeedFinder overspeeds(options.speedLimitKmh.value_or(0.0));
    RecordingDigest digest;
    digest.samples = track.size();
    if (track.empty())
        return digest;
    impacts.startTrack(index, track);
    const TimelinePiece whole{recording.start, recording.end(), 0, index, 0};
    forEachPieceSample(recording, whole, true, track, [&](const TripSample& s) {
        distance.add(s);
        digest.top.add(s);
        impacts.add(s);
        if (options.speedLimitKmh)
            overspeeds.add(s);
    });
    digest.distance = distance.part();
    digest.impacts = std::move(impacts).part();
    digest.overspeeds = std::move(overspeeds).part();
    return digest;
}

TripSummary summariseDigests(const std::vector<TripRecording>& recordings, Trip trip,
                             const std::vector<std::optional<RecordingDigest>>& digests,
                             const ImpactThresholds& thresholds, const TripOptions& options,
                             const TrackLoader& loadTrack)
{
    TripTimeline timeline(recordings, trip);
    TripDistance distance;
    TripTopSpeed top;
    ImpactFinder impacts(thresholds);
    OverspeedFinder overspeeds(options.speedLimitKmh.value_or(0.0));
    std::map<std::size_t, const TrackPoints*> loaded;
    const auto addSample = [&](const TripSample& s) {
        distance.add(s);
        top.add(s);
        impacts.add(s);
        if (options.speedLimitKmh)
            overspeeds.add(s);
    };
    const std::vector<TimelinePiece>& pieces = timeline.pieces();
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        const TimelinePiece& piece = pieces[p];
        const TripRecording& recording = recordings[piece.recording];
        const bool last = p + 1 == pieces.size();
        if (trackReadWithDuration(recording)) {
            const std::optional<RecordingDigest>& digest = digests[piece.recording];
            if (!digest)
                continue; // no track
            const PiecePlays plays = piecePlays(recording, piece, last, digest->samples);
            if (plays == PiecePlays::Nothing)
                continue;
            if (plays == PiecePlays::All) {
                const std::int64_t tripShift = piece.tripFrom - piece.offsetFrom;
                if (digest->distance)
                    distance.join(*digest->distance);
                top.join(digest->top);
                if (digest->impacts)
                    impacts.join(*digest->impacts, tripShift);
                if (digest->overspeeds)
                    overspeeds.join(*digest->overspeeds, tripShift);
                continue;
            }
        }
        auto [known, fresh] = loaded.try_emplace(piece.recording, nullptr);
        if (fresh) {
            known->second = loadTrack(piece.recording);
            if (known->second != nullptr && !known->second->empty())
                impacts.startTrack(piece.recording, *known->second);
        }
        if (known->second != nullptr)
            forEachPieceSample(recording, piece, last, *known->second, addSample);
    }
    TripSummary summary{std::move(trip), std::move(timeline), {}, distance.km(), top.kmh(), {}};
    summary.events = tripEvents(recordings, summary.trip, summary.timeline, std::move(impacts.events()),
                                overspeeds.events());
    return summary;
}

} // namespace dravonix
