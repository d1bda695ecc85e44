#pragma once
// A folder's trips worked out in full: the recordings measured and grouped,
// each trip's timeline, merged telemetry, distance, top speed and events.
// What the trips and events commands print, and what a viewer would show.

#include "trips/trip_events.h"
#include "trips/trip_telemetry.h"
#include "trips/trip_timeline.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace dravonix {

struct TripSummary {
    Trip trip;
    TripTimeline timeline;
    TripTelemetry telemetry;
    double distanceKm = 0.0;
    std::optional<long long> topSpeedKmh;
    std::vector<TripEvent> events;
};

struct CardTrips {
    RecordingSet set;
    std::vector<TripSummary> trips;
    int unmeasured = 0; // recordings without a usable duration, in no trip
    // The starts of Event recordings that are in no trip for want of a
    // duration: a file cut off when the power went is often the one a
    // collision made, and must not drop out of the events.
    std::vector<TripEvent> eventsOutsideTrips;
    ImpactThresholds thresholds;
    std::optional<std::filesystem::path> configPath; // where the thresholds came from
};

struct TripOptions {
    std::optional<double> speedLimitKmh;
    bool keepTelemetry = false; // the merged samples stay in each summary
};

// Calls work(0) ... work(count - 1), spread over one thread per core; returns
// when all are done.
void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work);

// A trip's merged telemetry read afresh from its recordings' tracks (a
// recording whose track can't be read adds no samples): what a viewer playing
// the trip draws, when the summary was made without keeping it.
TripTelemetry readTripTelemetry(const std::vector<TripRecording>& recordings, const TripTimeline& timeline);

// Reads every recording's duration and track (each main file opened once, a
// thread per core) and works out the trips as summariseTrips does; stops
// reading once `stop` is requested, the rest left unmeasured. `onMeasured`,
// when given, is called (from any thread) with how many are read so far.
CardTrips analyseRecordings(RecordingSet set, const std::optional<std::filesystem::path>& configPath,
                            const TripOptions& options, std::stop_token stop = {},
                            const std::function<void(std::size_t done)>& onMeasured = {});

// Works on a set already collected (trips summarised in parallel); `configPath` gives the thresholds, the
// defaults (0.50 g) when none.
CardTrips summariseTrips(RecordingSet set, const std::optional<std::filesystem::path>& configPath,
                         const TripOptions& options);

// The camera's clock against GPS time: the median of (camera time - GPS time
// in the card's zone) over the fixes that carry a date and a new time.
struct ClockOffset {
    double seconds = 0.0; // camera minus GPS
    int fixes = 0;
};
std::optional<ClockOffset> measureClockOffset(const std::vector<TripSample>& samples, int zoneMinutes);

// The zone the card's settings give (index and summer time), in minutes east
// of UTC; the camera's default (+09:00) without settings.
int cardZoneMinutes(const std::optional<std::filesystem::path>& configPath);

} // namespace dravonix
