// A trip's summary from tracks already read, on one core: an hour's drive of
// one-minute recordings, a record a second, as a card's trips are made of.
#include "trips/trip_events.h"
#include "trips/trip_telemetry.h"
#include "trips/trip_timeline.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using namespace dravonix;

struct HourDrive {
    std::vector<TripRecording> recordings;
    std::vector<TrackPoints> tracks;
    Trip trip;

    HourDrive()
    {
        const CameraMs start = *cameraTime(2023, 6, 15, 8, 0, 0);
        for (int minute = 0; minute < 60; ++minute) {
            recordings.push_back({RecordingKind::Always, start + minute * 60000LL, 60000, "f.mp4", {}});
            TrackPoints& track = tracks.emplace_back();
            for (int second = 0; second < 60; ++second) {
                TrackPoint& p = track.emplace_back();
                const double lat = 37.3 + (minute * 60 + second) * 0.0002;
                p.accel = {0.0f, 0.0f, second == 30 && minute % 13 == 5 ? 1.8f : 1.0f};
                p.fix.valid = true;
                p.fix.latitudeRaw = std::trunc(lat) * 100 + (lat - std::trunc(lat)) * 60;
                p.fix.longitudeRaw = 12638.5592;
                p.fix.speedKnots = (60 + second % 7) / 1.852;
            }
        }
        trip = groupTrips(recordings).front();
    }
};

const HourDrive& drive()
{
    static const HourDrive d;
    return d;
}

TripTelemetry merged(const HourDrive& d, const TripTimeline& timeline)
{
    return mergeTripTelemetry(d.recordings, timeline, [&](std::size_t i) { return &d.tracks[i]; });
}

void BM_TripMerge(benchmark::State& state)
{
    const HourDrive& d = drive();
    const TripTimeline timeline(d.recordings, d.trip);
    for (auto _ : state)
        benchmark::DoNotOptimize(merged(d, timeline));
    state.SetItemsProcessed(state.iterations() * 3600);
}
BENCHMARK(BM_TripMerge);

void BM_TripDistance(benchmark::State& state)
{
    const HourDrive& d = drive();
    const TripTelemetry telemetry = merged(d, TripTimeline(d.recordings, d.trip));
    for (auto _ : state)
        benchmark::DoNotOptimize(tripDistanceKm(telemetry.samples));
    state.SetItemsProcessed(state.iterations() * 3600);
}
BENCHMARK(BM_TripDistance);

void BM_TripTopSpeedAndEvents(benchmark::State& state)
{
    const HourDrive& d = drive();
    const TripTimeline timeline(d.recordings, d.trip);
    const TripTelemetry telemetry = merged(d, timeline);
    for (auto _ : state) {
        benchmark::DoNotOptimize(tripTopSpeedKmh(telemetry.samples));
        benchmark::DoNotOptimize(findTripEvents(d.recordings, d.trip, timeline, telemetry, {}, std::nullopt));
    }
    state.SetItemsProcessed(state.iterations() * 3600);
}
BENCHMARK(BM_TripTopSpeedAndEvents);

} // namespace
