#include "trips/recording_digest.h"

#include <map>

namespace dravonix {

TripSummary TripFigures::summary(const std::vector<TripRecording>& recordings, Trip trip, TripTimeline timeline) &&
{
    TripSummary summary{std::move(trip), std::move(timeline), {}, distance.km(), top.kmh(), {}};
    summary.events = tripEvents(recordings, summary.trip, summary.timeline, std::move(impacts.events()),
                                overspeeds.events());
    return summary;
}

RecordingDigest digestRecording(std::size_t index, const TripRecording& recording, const TrackPoints& track,
                                const ImpactThresholds& thresholds, const TripOptions& options)
{
    TripFigures figures(thresholds, options);
    RecordingDigest digest;
    digest.samples = track.size();
    if (track.empty())
        return digest;
    figures.impacts.startTrack(index, track);
    const TimelinePiece whole{recording.start, recording.end(), 0, index, 0};
    forEachPieceSample(recording, whole, true, track, [&](const TripSample& s) { figures.add(s); });
    digest.distance = figures.distance.part();
    digest.top = figures.top;
    digest.impacts = std::move(figures.impacts).part();
    digest.overspeeds = std::move(figures.overspeeds).part();
    return digest;
}

TripSummary summariseDigests(const std::vector<TripRecording>& recordings, Trip trip,
                             const std::vector<std::optional<RecordingDigest>>& digests,
                             const ImpactThresholds& thresholds, const TripOptions& options,
                             const TrackLoader& loadTrack)
{
    TripTimeline timeline(recordings, trip);
    TripFigures figures(thresholds, options);
    std::map<std::size_t, const TrackPoints*> loaded;
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
                    figures.distance.join(*digest->distance);
                figures.top.join(digest->top);
                if (digest->impacts)
                    figures.impacts.join(*digest->impacts, tripShift);
                if (digest->overspeeds)
                    figures.overspeeds.join(*digest->overspeeds, tripShift);
                continue;
            }
        }
        auto [known, fresh] = loaded.try_emplace(piece.recording, nullptr);
        if (fresh) {
            known->second = loadTrack(piece.recording);
            if (known->second != nullptr && !known->second->empty())
                figures.impacts.startTrack(piece.recording, *known->second);
        }
        if (known->second != nullptr)
            forEachPieceSample(recording, piece, last, *known->second,
                               [&](const TripSample& s) { figures.add(s); });
    }
    return std::move(figures).summary(recordings, std::move(trip), std::move(timeline));
}

} // namespace dravonix
