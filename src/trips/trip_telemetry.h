#pragma once
// A trip's telemetry as one stream: the samples of the recording played at
// each moment, in time order, so that where an Event file overlaps an Always
// one nothing is counted twice. Distance and top speed come from it.

#include "telemetry/track_reader.h"
#include "trips/trip_timeline.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace dravonix {

struct TripSample {
    CameraMs time = 0;
    std::int64_t tripMs = 0;
    std::size_t recording = 0;  // index into the set
    std::int64_t offsetMs = 0;  // position in that recording
    std::size_t sampleIndex = 0;
    std::array<float, 3> accel{};
    GpsFix fix;

    // A fix that places the car: valid, with a position on the globe.
    bool hasPlace() const { return place().has_value(); }
    // That position in signed degrees (latitude, longitude).
    std::optional<std::array<double, 2>> place() const;
    // The speed as the readout shows it, in whole km/h; none without a valid fix.
    std::optional<long long> speedKmh() const;
};

using AccelerationMedians = std::map<std::size_t, std::array<float, 3>>; // by recording

struct TripTelemetry {
    std::vector<TripSample> samples;
    AccelerationMedians medians; // per recording that gave samples
};

// The track of a recording, or null when it has none; called once per
// recording that is played somewhere in the trip.
using TrackLoader = std::function<const TrackPoints*(std::size_t recording)>;

// Sample i of N stands for the stretch from i x length / N on: the camera
// writes one record at the start of each second. (Spreading them from 0 to
// the very end would put each file's last sample on the next file's first
// moment, where the next file is played and it would be lost.)
std::int64_t sampleOffsetMs(std::size_t index, std::size_t count, std::int64_t durationMs);

TripTelemetry mergeTripTelemetry(const std::vector<TripRecording>& recordings, const TripTimeline& timeline,
                                 const TrackLoader& loadTrack);
// The same samples handed to `visit` one by one, none kept: a card's
// summaries need each only once. `onTrack` sees each recording's track
// before its first sample.
using OnTrack = std::function<void(std::size_t recording, const TrackPoints& track)>;
void forEachTripSample(const std::vector<TripRecording>& recordings, const TripTimeline& timeline,
                       const TrackLoader& loadTrack, const OnTrack& onTrack,
                       const std::function<void(const TripSample&)>& visit);
// Whether a piece of a timeline (`last`: the trip's last) plays the moment
// at `offset` in its recording. Pieces are half-open, so a moment two pieces
// share is counted once; the trip's very end belongs to its last piece.
inline bool pieceHolds(const TimelinePiece& piece, bool last, std::int64_t offset)
{
    const std::int64_t to = piece.offsetFrom + piece.length();
    return offset >= piece.offsetFrom && (offset < to || (offset == to && last));
}
// The samples of one piece, as forEachTripSample hands them over.
template <typename Visit>
void forEachPieceSample(const TripRecording& recording, const TimelinePiece& piece, bool last,
                        const TrackPoints& track, Visit&& visit)
{
    const std::size_t count = track.size();
    TripSample out;
    out.recording = piece.recording;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t offset = sampleOffsetMs(i, count, recording.durationMs);
        if (!pieceHolds(piece, last, offset))
            continue;
        const TrackPoint& point = track[i];
        out.time = recording.start + offset;
        out.tripMs = piece.tripFrom + (offset - piece.offsetFrom);
        out.offsetMs = offset;
        out.sampleIndex = i;
        out.accel = point.accel;
        out.fix = point.fix;
        visit(out);
    }
}
// How much of a track of `count` samples a piece plays.
enum class PiecePlays { Nothing, Part, All };
PiecePlays piecePlays(const TripRecording& recording, const TimelinePiece& piece, bool last, std::size_t count);

// The median of each axis over all of a track's samples.
std::array<float, 3> accelerationMedians(const TrackPoints& track);

// Great-circle distance between consecutive placed fixes, in km, a sample
// at a time.
class TripDistance {
public:
    struct Fix {
        double lat = 0.0, lon = 0.0;       // degrees
        double cosLat = 1.0, sinLat = 0.0; // of the latitude
    };
    // What a stretch of samples added on their own gave: where they began and
    // ended and how far they went. Joined to what came before, it counts as
    // its samples added one by one would, the sum differing only in its last
    // few bits (added in another order).
    struct Part {
        Fix first, last;
        double km = 0.0;
    };

    void add(const TripSample& sample);
    double km() const;
    // None when no sample placed the car.
    std::optional<Part> part() const;
    void join(const Part& part);

private:
    void addPlace(double lat, double lon);
    void addPending();

    double km_ = 0.0;
    std::optional<Fix> first_;
    std::optional<Fix> previous_;
    // Short steps' haversines, added a few dozen at a time so that their
    // square roots overlap instead of each waiting for the last; always
    // added in the order they came.
    std::array<double, 32> pending_{};
    std::size_t pendingCount_ = 0;
};
double tripDistanceKm(const std::vector<TripSample>& samples);

// The highest speed the readout would show; none without a valid fix.
class TripTopSpeed {
public:
    void add(const TripSample& sample);
    // What another one saw, as if its samples came here.
    void join(const TripTopSpeed& other);
    std::optional<long long> kmh() const;

private:
    // The readout's speed only grows with the knots written, so the
    // fastest sample's is worked out once, at the end.
    std::optional<double> topKnots_;
};
std::optional<long long> tripTopSpeedKmh(const std::vector<TripSample>& samples);
// Between two places in signed degrees, on a sphere of the earth's mean radius.
double greatCircleKm(double lat1, double lon1, double lat2, double lon2);

} // namespace dravonix
