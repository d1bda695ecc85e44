#include "trips/card_trips.h"

#include "config/config_file.h"
#include "config/device_config.h"
#include "config/settings_rules.h"
#include "telemetry/track_reader.h"
#include "trips/recording_digest.h"
#include "trips/recording_durations.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <cmath>
#include <map>

namespace dravonix {

namespace {

// A recording's track from its file, for one trip.
class DiskTracks {
public:
    explicit DiskTracks(const std::vector<TripRecording>& recordings, FixDetail detail = FixDetail::Full)
        : recordings_(recordings), detail_(detail)
    {
    }
    const TrackPoints* operator()(std::size_t i)
    {
        // The main file's track, else the other channel's (it carries the
        // same records); a recording with neither adds no samples.
        TrackPoints& points = tracks_[i];
        const TripRecording& r = recordings_[i];
        for (const std::string* path : {&r.mainPath(), r.otherPath()}) {
            if (path == nullptr || path->empty())
                continue;
            auto opened = openFileByteSource(std::filesystem::path(*path));
            auto* file = std::get_if<std::unique_ptr<ByteSource>>(&opened);
            if (file != nullptr && readTrackPoints(ReadAheadByteSource(**file), points, detail_).ok())
                return &points;
        }
        return nullptr;
    }

private:
    const std::vector<TripRecording>& recordings_;
    FixDetail detail_;
    std::map<std::size_t, TrackPoints> tracks_;
};

TripSummary summarise(const std::vector<TripRecording>& recordings, Trip trip, const ImpactThresholds& thresholds,
                      const TripOptions& options, const TrackLoader& loadTrack)
{
    // One pass over the samples, each taken by every figure as it comes;
    // they are kept only when asked for.
    TripTimeline timeline(recordings, trip);
    TripTelemetry telemetry;
    TripFigures figures(thresholds, options);
    const auto onTrack = [&](std::size_t recording, const TrackPoints& track) {
        figures.impacts.startTrack(recording, track);
        if (options.keepTelemetry)
            telemetry.medians[recording] = accelerationMedians(track);
    };
    forEachTripSample(recordings, timeline, loadTrack, onTrack, [&](const TripSample& s) {
        figures.add(s);
        if (options.keepTelemetry)
            telemetry.samples.push_back(s);
    });
    TripSummary summary = std::move(figures).summary(recordings, std::move(trip), std::move(timeline));
    if (options.keepTelemetry)
        summary.telemetry = std::move(telemetry);
    return summary;
}

} // namespace

TripTelemetry readTripTelemetry(const std::vector<TripRecording>& recordings, const TripTimeline& timeline)
{
    return mergeTripTelemetry(recordings, timeline, DiskTracks(recordings));
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

namespace {

CardTrips startCard(RecordingSet set, const std::optional<std::filesystem::path>& configPath)
{
    CardTrips card;
    card.set = std::move(set);
    card.configPath = configPath;
    if (configPath) {
        DeviceConfig config;
        if (loadConfigFile(*configPath, config))
            card.thresholds = drivingThresholds(config);
    }
    return card;
}

void noteUnmeasured(CardTrips& card)
{
    for (std::size_t i = 0; i < card.set.recordings.size(); ++i) {
        const TripRecording& r = card.set.recordings[i];
        if (r.durationMs > 0)
            continue;
        ++card.unmeasured;
        if (r.kind == RecordingKind::Event)
            card.eventsOutsideTrips.push_back({TripEventKind::EventFile, r.start, 0, i, 0, 0.0});
    }
}

// Trips share nothing but the recordings they read: one per core.
void appendSummaries(CardTrips& card, std::vector<Trip> trips, const std::function<TripSummary(Trip)>& summariseOne)
{
    std::vector<std::optional<TripSummary>> done(trips.size());
    forEachInParallel(trips.size(), [&](std::size_t i) { done[i] = summariseOne(std::move(trips[i])); });
    for (std::optional<TripSummary>& summary : done)
        card.trips.push_back(std::move(*summary));
}

} // namespace

CardTrips summariseTrips(RecordingSet set, const std::optional<std::filesystem::path>& configPath,
                         const TripOptions& options)
{
    CardTrips card = startCard(std::move(set), configPath);
    noteUnmeasured(card);
    appendSummaries(card, groupTrips(card.set.recordings), [&](Trip trip) {
        return summarise(card.set.recordings, std::move(trip), card.thresholds, options,
                         TrackLoader(DiskTracks(card.set.recordings)));
    });
    return card;
}

CardTrips analyseRecordings(RecordingSet set, const std::optional<std::filesystem::path>& configPath,
                            const TripOptions& options, std::stop_token stop,
                            const std::function<void(std::size_t done)>& onMeasured)
{
    // Where tracks are kept, recordings are read in blocks, in start order;
    // a trip that can't grow any more is summarised while the next block is
    // read, and its tracks then let go, so memory holds two blocks and the
    // trip still open, not the card. One pass over both keeps every core
    // busy to its end. A digest is small, so without tracks the card is one
    // block: every block's end has cores wait for its last file, and an idle
    // core can take milliseconds to wake for the next.
    const std::size_t block = options.keepTelemetry ? 1024 : std::max<std::size_t>(set.recordings.size(), 1);
    // Summaries need only where the car was and how fast it went.
    const FixDetail detail = options.keepTelemetry ? FixDetail::Full : FixDetail::Motion;
    CardTrips card = startCard(std::move(set), configPath);
    std::vector<TripRecording>& recordings = card.set.recordings;
    // Tracks are kept until their trips are summarised only when the
    // summaries keep the samples; else each is digested as it is read.
    std::vector<std::optional<TrackPoints>> tracks(options.keepTelemetry ? recordings.size() : 0);
    std::vector<std::optional<RecordingDigest>> digests(options.keepTelemetry ? 0 : recordings.size());
    const auto makeLoader = [&] {
        return TrackLoader([&, disk = std::make_shared<DiskTracks>(recordings, detail)](std::size_t i) -> const TrackPoints* {
            if (!trackReadWithDuration(recordings[i]))
                return (*disk)(i);
            return tracks[i] ? &*tracks[i] : nullptr;
        });
    };
    const auto summariseOne = [&](Trip trip) -> TripSummary {
        if (options.keepTelemetry)
            return summarise(recordings, std::move(trip), card.thresholds, options, makeLoader());
        return summariseDigests(recordings, std::move(trip), digests, card.thresholds, options,
                                TrackLoader(DiskTracks(recordings, detail)));
    };
    std::atomic<std::size_t> done{0};
    std::vector<const OpenFolder*> folderOf(recordings.size(), nullptr);
    const auto measure = [&](std::size_t i) {
        TripRecording& r = recordings[i];
        if (stop.stop_requested())
            return; // left at 0: not measured
        const bool withTrack = trackReadWithDuration(r);
        if (options.keepTelemetry) {
            TrackPoints track;
            const MeasuredRecording reading = measureRecording(r, withTrack ? &track : nullptr, detail, folderOf[i]);
            r.durationMs = reading.durationMs;
            if (reading.tracked)
                tracks[i] = std::move(track);
        } else {
            // One buffer a thread, reused from file to file; an hour's
            // points at most are held on to after a longer file.
            thread_local TrackPoints track;
            const MeasuredRecording reading = measureRecording(r, withTrack ? &track : nullptr, detail, folderOf[i]);
            r.durationMs = reading.durationMs;
            if (reading.tracked)
                digests[i] = digestRecording(i, r, track, card.thresholds, options);
            if (track.capacity() > 3600)
                TrackPoints().swap(track);
        }
        if (onMeasured)
            onMeasured(++done);
    };
    std::size_t measured = 0; // recordings [0, measured) are read
    std::size_t open = 0;     // and those from `open` on are in no trip found yet
    std::size_t held = 0;     // tracks from `held` on are still kept
    std::vector<Trip> ready;  // found, to be summarised in the next pass
    for (;;) {
        const std::size_t from = measured;
        measured = stop.stop_requested() ? recordings.size() : std::min(recordings.size(), from + block);
        const std::size_t reading = stop.stop_requested() ? 0 : measured - from;
        // The block's folders are opened once and their files by name: a
        // card's tens of thousands of paths are not looked up from the root
        // again and again.
        OpenFolders folders;
        for (std::size_t i = from; i < from + reading; ++i)
            folderOf[i] = folders.holding(recordings[i].mainPath());
        // The trips first: they are the longer pieces of work.
        std::vector<std::optional<TripSummary>> summaries(ready.size());
        forEachInParallel(ready.size() + reading, [&](std::size_t k) {
            if (k < ready.size())
                summaries[k] = summariseOne(std::move(ready[k]));
            else
                measure(from + k - ready.size());
        });
        for (std::optional<TripSummary>& summary : summaries)
            card.trips.push_back(std::move(*summary));
        for (; held < open; ++held)
            if (options.keepTelemetry)
                tracks[held].reset();
            else
                digests[held].reset();
        const bool all = measured == recordings.size();
        ready = groupTrips(recordings, open, measured);
        if (all) {
            appendSummaries(card, std::move(ready), summariseOne);
            break;
        }
        open = measured;
        if (!ready.empty()) {
            open = ready.back().recordings.front(); // the trip still open
            ready.pop_back();
        }
    }
    noteUnmeasured(card);
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
