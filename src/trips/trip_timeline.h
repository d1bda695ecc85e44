#pragma once
// Trips and their timelines. A trip is a maximal run of driving recordings
// (Always, Event, User), in start order, each starting at most five seconds
// after the latest end so far. Its timeline is the union of the recordings'
// spans, gaps left out; at each moment the Always recording covering it is
// the one played, else an Event or User one.

#include "trips/trip_recordings.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace dravonix {

inline constexpr std::int64_t kTripJoinGapMs = 5000;

struct Trip {
    std::vector<std::size_t> recordings; // indices into the set, in start order
    CameraMs start = 0;
    CameraMs end = 0; // the latest end
};

// Recordings without a known duration (0) take part in no trip, nor do Park
// recordings; `recordings` must be in start order (as collectRecordings gives).
std::vector<Trip> groupTrips(const std::vector<TripRecording>& recordings);
// The same over recordings [from, to) only, their indices kept.
std::vector<Trip> groupTrips(const std::vector<TripRecording>& recordings, std::size_t from, std::size_t to);

// One stretch of the timeline played from one recording.
struct TimelinePiece {
    CameraMs from = 0; // camera time
    CameraMs to = 0;
    std::int64_t tripFrom = 0;   // trip time at `from`
    std::size_t recording = 0;   // index into the set
    std::int64_t offsetFrom = 0; // position in that recording at `from`

    std::int64_t length() const { return to - from; }
};

struct TripPosition {
    std::size_t recording = 0;
    std::int64_t offsetMs = 0;
};

class TripTimeline {
public:
    TripTimeline(const std::vector<TripRecording>& recordings, const Trip& trip);

    const std::vector<TimelinePiece>& pieces() const { return pieces_; }
    std::int64_t lengthMs() const { return pieces_.empty() ? 0 : pieces_.back().tripFrom + pieces_.back().length(); }

    // The recording played at a trip time and the position in it; times
    // outside the trip are clamped to its ends.
    std::optional<TripPosition> at(std::int64_t tripMs) const;
    CameraMs cameraTimeAt(std::int64_t tripMs) const;
    // The trip time of a camera time; a moment in a gap maps to the start of
    // what follows it, one outside the trip to the nearer end.
    std::int64_t tripTimeOf(CameraMs time) const;
    // The trip time of a position in one of the trip's recordings (whichever
    // recording is played at that moment).
    std::int64_t tripTimeOf(const TripRecording& recording, std::int64_t offsetMs) const
    {
        return tripTimeOf(recording.start + offsetMs);
    }

    // The piece holding a trip time (clamped).
    std::size_t pieceAt(std::int64_t tripMs) const;

private:
    std::vector<TimelinePiece> pieces_;
};

} // namespace dravonix
