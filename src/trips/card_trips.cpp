#include "trips/card_trips.h"

#include "config/config_file.h"
#include "config/device_config.h"
#include "config/settings_rules.h"
#include "telemetry/track_reader.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <cmath>
#include <map>

namespace dravonix {

namespace {

TripSummary summarise(const std::vector<TripRecording>& recordings, Trip trip, const ImpactThresholds& thresholds,
                      const TripOptions& options)
{
    TripTimeline timeline(recordings, trip);
    TripTelemetry telemetry = readTripTelemetry(recordings, timeline);
    TripSummary summary{std::move(trip), std::move(timeline), {}, tripDistanceKm(telemetry.samples),
                        tripTopSpeedKmh(telemetry.samples), {}};
    summary.events = findTripEvents(recordings, summary.trip, summary.timeline, telemetry, thresholds,
                                    options.speedLimitKmh);
    if (options.keepTelemetry)
        summary.telemetry = std::move(telemetry);
    return summary;
}

} // namespace

TripTelemetry readTripTelemetry(const std::vector<TripRecording>& recordings, const TripTimeline& timeline)
{
    std::map<std::size_t, TelemetryTrack> tracks;
    const TrackLoader load = [&](std::size_t i) -> const TelemetryTrack* {
        TelemetryTrack& track = tracks[i];
        if (!readTelemetryTrack(std::filesystem::path(recordings[i].mainPath()), track).ok())
            return nullptr; // a recording without a readable track adds no samples
        return &track;
    };
    return mergeTripTelemetry(recordings, timeline, load);
}

void forEachInParallel(std::size_t count, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    const auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    const std::size_t threads = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::jthread> pool;
    for (std::size_t k = 1; k < threads; ++k)
        pool.emplace_back(worker);
    worker();
}

CardTrips summariseTrips(RecordingSet set, const std::optional<std::filesystem::path>& configPath,
                         const TripOptions& options)
{
    CardTrips card;
    card.set = std::move(set);
    card.configPath = configPath;
    if (configPath) {
        DeviceConfig config;
        if (loadConfigFile(*configPath, config))
            card.thresholds = drivingThresholds(config);
    }
    for (std::size_t i = 0; i < card.set.recordings.size(); ++i) {
        const TripRecording& r = card.set.recordings[i];
        if (r.durationMs > 0)
            continue;
        ++card.unmeasured;
        if (r.kind == RecordingKind::Event)
            card.eventsOutsideTrips.push_back({TripEventKind::EventFile, r.start, 0, i, 0, 0.0});
    }
    const std::vector<TripRecording>& recordings = card.set.recordings;
    std::vector<Trip> trips = groupTrips(recordings);
    // Trips share nothing but the recordings they read: one per core.
    std::vector<std::optional<TripSummary>> done(trips.size());
    forEachInParallel(trips.size(), [&](std::size_t i) {
        done[i] = summarise(recordings, std::move(trips[i]), card.thresholds, options);
    });
    card.trips.reserve(done.size());
    for (std::optional<TripSummary>& summary : done)
        card.trips.push_back(std::move(*summary));
    return card;
}

std::optional<ClockOffset> measureClockOffset(const std::vector<TripSample>& samples, int zoneMinutes)
{
    std::vector<std::int64_t> differences;
    const CalendarTime* previous = nullptr;
    for (const TripSample& s : samples) {
        const CalendarTime& utc = s.fix.utc;
        // A sample without a sentence of its own carries the last fix on:
        // only a time that moved is a new reading.
        const bool fresh = previous == nullptr || !(*previous == utc);
        previous = &utc;
        if (!fresh || !s.fix.valid || utc.year == 0)
            continue;
        const std::optional<CameraMs> gps = cameraTime(utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second);
        if (!gps)
            continue;
        const std::int64_t gpsLocal = *gps + utc.millisecond + zoneMinutes * 60000LL;
        differences.push_back(s.time - gpsLocal);
    }
    if (differences.empty())
        return std::nullopt;
    const auto mid = differences.begin() + static_cast<std::ptrdiff_t>(differences.size() / 2);
    std::nth_element(differences.begin(), mid, differences.end());
    return ClockOffset{static_cast<double>(*mid) / 1000.0, static_cast<int>(differences.size())};
}

int cardZoneMinutes(const std::optional<std::filesystem::path>& configPath)
{
    DeviceConfig config; // defaults: the camera's own zone
    if (configPath)
        loadConfigFile(*configPath, config);
    const auto zones = timeZoneTexts();
    const std::uint32_t index = config.timeZone() < zones.size() ? config.timeZone() : DeviceConfig().timeZone();
    const std::string_view text = zones[index]; // "+09:00", " 00:00", "-04:30"
    const int minutes = ((text[1] - '0') * 10 + (text[2] - '0')) * 60 + (text[4] - '0') * 10 + (text[5] - '0');
    return (text[0] == '-' ? -minutes : minutes) + (config.summerTime() != 0 ? 60 : 0);
}

} // namespace dravonix
