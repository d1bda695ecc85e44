#pragma once
// Which stretches of which recordings a range of the camera's clock is made
// of: the trip holding it, cut along its timeline, so that where an Event
// recording overlaps an Always one only the one played is taken.

#include "toolkit/error.h"
#include "toolkit/expected.h"
#include "trips/trip_timeline.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dravonix {

struct ExportPiece {
    std::size_t recording = 0;   // index into the set
    std::int64_t offsetFrom = 0; // position in the recording
    std::int64_t offsetTo = 0;
    CameraMs from = 0;           // camera time at offsetFrom
};

struct ExportPlan {
    CameraMs from = 0;
    CameraMs to = 0;
    Trip trip;
    std::vector<ExportPiece> pieces; // in time order
};

// A range inside one trip (or one parking recording, which is in none), from
// before to: an empty, reversed or uncovered range, or one reaching outside
// its trip, is refused with the reason and the trip's own bounds; an end less
// than a second past the trip's is its end.
// `recordings` must be measured and in start order.
Expected<ExportPlan, Error> planExport(const std::vector<TripRecording>& recordings, CameraMs from, CameraMs to);

// The camera's name for a clip starting at `start`: the prefix of the first
// recording's file, the date and time, the channel letter (F or R).
std::string clipFileName(const TripRecording& first, CameraMs start, char channel);

} // namespace dravonix
