#pragma once
// A trip played as one stretch of time: which file holds a moment of the
// trip and where in it, how far the trip has got while one of its pieces
// plays, when a piece has run out, and where the events are. Plain numbers
// over a trip's summary; the playback controller opens and seeks.

#include "trips/card_trips.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

// What to open for a moment of a trip.
struct TripTarget {
    std::size_t piece = 0;
    std::size_t recording = 0; // index into the set
    std::string path;          // the file system's bytes: the front file, else the rear
    bool front = true;
    std::int64_t offsetMs = 0; // where in that file
};

class TripPlayback {
public:
    // How close to a piece's end a file's clock counts as there: the player
    // reports its time in steps, and the last step before the end may be the
    // last one a file gives.
    static constexpr std::int64_t kEndSlackMs = 200;

    TripPlayback(const TripSummary& summary, const std::vector<TripRecording>& recordings);

    std::int64_t lengthMs() const { return timeline_.lengthMs(); }
    CameraMs start() const { return start_; }
    std::size_t pieceCount() const { return timeline_.pieces().size(); }
    const TimelinePiece& piece(std::size_t index) const { return timeline_.pieces().at(index); }
    const TripTimeline& timeline() const { return timeline_; }

    // The file and position for a trip time (clamped to the trip); none for
    // a trip without pieces.
    std::optional<TripTarget> locate(std::int64_t tripMs) const;
    // The start of a piece.
    TripTarget startOf(std::size_t piece) const;

    // The trip time while `piece` plays and its file's clock reads `fileMs`;
    // kept inside the piece, so a stale clock of the file before (or one
    // still at 0 before a seek lands) never moves the bar back.
    std::int64_t tripTimeIn(std::size_t piece, std::int64_t fileMs) const;
    // The other way round: where in the file of `piece` a trip time lies,
    // kept inside the piece.
    std::int64_t fileTimeIn(std::size_t piece, std::int64_t tripMs) const;
    // True once the file's clock has reached the piece's end (less the slack);
    // a piece that runs to its file's end also ends once the clock is that
    // close to the file's own length (`fileLengthMs`, 0 when unknown).
    bool pieceEnded(std::size_t piece, std::int64_t fileMs, std::int64_t fileLengthMs) const;

    // The trip times of the events, in order, each moment once.
    const std::vector<std::int64_t>& eventTimes() const { return eventTimes_; }
    const std::vector<TripEvent>& events() const { return events_; }
    // The first event after `tripMs` and the last one before it (one at it
    // counts for neither).
    std::optional<std::int64_t> nextEvent(std::int64_t tripMs) const;
    std::optional<std::int64_t> previousEvent(std::int64_t tripMs) const;

    // Where a recording of the trip first plays, in trip time; none for one
    // that is never played (covered all along by another).
    std::optional<std::int64_t> tripTimeOfRecording(std::size_t recording) const;
    bool contains(std::size_t recording) const;

private:
    struct Files {
        std::string front;
        std::string rear;
        std::int64_t durationMs = 0;
    };
    const Files* filesOf(std::size_t recording) const;

    TripTimeline timeline_;
    CameraMs start_ = 0;
    std::vector<std::pair<std::size_t, Files>> files_; // by recording index, sorted
    std::vector<TripEvent> events_;
    std::vector<std::int64_t> eventTimes_;
};

} // namespace dravonix
