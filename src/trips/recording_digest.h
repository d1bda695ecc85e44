#pragma once
// What a card's summaries need of a recording whose track is read with its
// duration: the trip's figures over its samples alone, as if it were a trip
// of its own. A trip that plays all of it joins them instead of going
// through its samples again, so its track is let go as soon as it is read.

#include "trips/card_trips.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace dravonix {

// A summary's figures, a sample at a time: distance, top speed, impacts
// and, given a limit, stretches above it.
class TripFigures {
public:
    TripFigures(const ImpactThresholds& thresholds, const TripOptions& options)
        : impacts(thresholds), overspeeds(options.speedLimitKmh.value_or(0.0)), limited_(options.speedLimitKmh.has_value())
    {
    }
    void add(const TripSample& s)
    {
        distance.add(s);
        top.add(s);
        impacts.add(s);
        if (limited_)
            overspeeds.add(s);
    }
    // The trip's summary, its samples not kept.
    TripSummary summary(const std::vector<TripRecording>& recordings, Trip trip, TripTimeline timeline) &&;

    TripDistance distance;
    TripTopSpeed top;
    ImpactFinder impacts;
    OverspeedFinder overspeeds;

private:
    bool limited_;
};

struct RecordingDigest {
    std::size_t samples = 0;
    std::optional<TripDistance::Part> distance;
    TripTopSpeed top;
    std::optional<ImpactFinder::Part> impacts;
    std::optional<OverspeedFinder::Part> overspeeds;
};

// `index` is the recording's in its set.
RecordingDigest digestRecording(std::size_t index, const TripRecording& recording, const TrackPoints& track,
                                const ImpactThresholds& thresholds, const TripOptions& options);

// Event files mostly lie under Always ones, whose tracks are the ones
// played: theirs is read only when a trip plays part of one.
inline bool trackReadWithDuration(const TripRecording& r)
{
    return r.drives() && r.kind != RecordingKind::Event;
}

// A trip's summary (its samples not kept) from the digests of the
// recordings it plays whole, and from the samples `loadTrack` gives of
// those it plays in part (one Always file running into another) or that
// have no digest (Event files).
TripSummary summariseDigests(const std::vector<TripRecording>& recordings, Trip trip,
                             const std::vector<std::optional<RecordingDigest>>& digests,
                             const ImpactThresholds& thresholds, const TripOptions& options,
                             const TrackLoader& loadTrack);

} // namespace dravonix
