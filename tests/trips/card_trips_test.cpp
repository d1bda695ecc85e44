#include "trips/card_trips.h"
#include "trips/recording_durations.h"

#include "drive.h"
#include "nmea_text.h"
#include "telemetry/camera_layout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stop_token>
#include <string_view>
#include <sys/resource.h>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

// A card of short recordings written as files: trips of `perTrip` back-to-
// back Always recordings of `seconds` each, a gap between trips, every
// seventh an Event file half past the Always one beside it (so part of it is
// played), one Always file without a track and one with only its rear.
class Card {
public:
    // `folderEach`: every Always recording in a folder of its own, as when
    // a card's files were sorted by hand.
    Card(int trips, int perTrip, int seconds, bool folderEach = false)
        : root_(fs::temp_directory_path() / ("dravonix-card-trips-" + std::to_string(::getpid()))), folderEach_(folderEach)
    {
        fs::remove_all(root_);
        fs::create_directories(root_ / "Normal");
        fs::create_directories(root_ / "Event");
        long long t = 1700000000; // the camera's clock, seconds
        int n = 0;
        for (int trip = 0; trip < trips; ++trip) {
            for (int i = 0; i < perTrip; ++i, ++n, t += seconds) {
                const bool noTrack = n == 5; // its rear has one
                const bool rearOnly = n == 9;
                write(name("alwa", t, rearOnly ? 'R' : 'F', "Normal"), seconds, t, n, !noTrack);
                if (noTrack) {
                    noTrackFront_ = name("alwa", t, 'F', "Normal").string();
                    write(name("alwa", t, 'R', "Normal"), seconds, t, n, true);
                }
                if (n % 7 == 3 && i + 1 < perTrip)
                    write(name("event", t + seconds / 2, 'F', "Event"), seconds, t + seconds / 2, n, true);
            }
            t += 60; // a gap: the next trip
        }
    }
    ~Card() { fs::remove_all(root_); }
    const std::string& noTrackFront() const { return noTrackFront_; }

    RecordingSet recordings() const
    {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(root_))
            if (entry.is_regular_file())
                paths.push_back(entry.path().string());
        return collectRecordings(paths);
    }

private:
    fs::path name(const char* kind, long long t, char channel, const char* folder) const
    {
        const std::time_t time = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&time, &tm);
        char text[64];
        std::snprintf(text, sizeof text, "%s_%04d%02d%02d_%02d%02d%02d_%c.mp4", kind, tm.tm_year + 1900,
                      tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, channel);
        if (folderEach_ && std::string_view(kind) == "alwa") {
            fs::create_directories(root_ / folder / std::to_string(t));
            return root_ / folder / std::to_string(t) / text;
        }
        return root_ / folder / text;
    }

    static void write(const fs::path& path, int seconds, long long t, int n, bool withTrack)
    {
        std::vector<mp4::TelemetryRecord> records;
        for (int s = 0; s < seconds; ++s) {
            demo::DriveSecond drive;
            drive.latitude = 37.5 + static_cast<double>(t - 1700000000 + s) * 1e-4; // north, across files
            drive.longitude = 127.0;
            drive.speedMps = 10.0 + n % 11;
            drive.gpsSatellites = 8;
            drive.hdop = 0.9;
            mp4::TelemetryRecord record;
            record.accelX = (n % 13 == 4 && s == 1) ? 400 : 0; // an impact now and then
            record.nmeaText = demo::recordText(drive, std::chrono::sys_seconds{std::chrono::seconds(t + s)}, 0);
            records.push_back(record);
        }
        mp4::Bytes bytes = mp4::syntheticRecording(records);
        if (!withTrack) { // the track's chunk table renamed: the header still gives a length
            const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            bytes[text.rfind("stco") + 3] = 'x';
        }
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
    }

    fs::path root_;
    bool folderEach_ = false;
    std::string noTrackFront_;
};

void expectSameTrips(const CardTrips& a, const CardTrips& b)
{
    ASSERT_EQ(a.trips.size(), b.trips.size());
    EXPECT_EQ(a.unmeasured, b.unmeasured);
    for (std::size_t i = 0; i < a.trips.size(); ++i) {
        SCOPED_TRACE("trip " + std::to_string(i));
        const TripSummary& x = a.trips[i];
        const TripSummary& y = b.trips[i];
        EXPECT_EQ(x.trip.recordings, y.trip.recordings);
        EXPECT_EQ(x.trip.start, y.trip.start);
        EXPECT_EQ(x.trip.end, y.trip.end);
        // A recording's way is added up on its own and then joined: the
        // same sum but for its last few bits.
        EXPECT_NEAR(x.distanceKm, y.distanceKm, 1e-12 * y.distanceKm);
        EXPECT_EQ(x.topSpeedKmh, y.topSpeedKmh);
        ASSERT_EQ(x.events.size(), y.events.size());
        for (std::size_t e = 0; e < x.events.size(); ++e) {
            EXPECT_EQ(x.events[e].kind, y.events[e].kind);
            EXPECT_EQ(x.events[e].time, y.events[e].time);
            EXPECT_EQ(x.events[e].tripMs, y.events[e].tripMs);
            EXPECT_EQ(x.events[e].recording, y.events[e].recording);
            EXPECT_EQ(x.events[e].offsetMs, y.events[e].offsetMs);
            EXPECT_EQ(x.events[e].value, y.events[e].value);
        }
    }
}

} // namespace

TEST(AnalyseRecordings, ReadingEachFileOnceGivesWhatReadingPerTripGives)
{
    const Card card(12, 100, 3);
    RecordingSet measured = card.recordings();
    ASSERT_GT(measured.recordings.size(), 1100u);
    measureRecordings(measured);
    const CardTrips perTrip = summariseTrips(std::move(measured), std::nullopt, {10.0, false});

    std::size_t reported = 0;
    const CardTrips once = analyseRecordings(card.recordings(), std::nullopt, {10.0, false}, {},
                                             [&](std::size_t done) { reported = std::max(reported, done); });
    EXPECT_EQ(reported, once.set.recordings.size());
    ASSERT_EQ(once.trips.size(), 12u);
    EXPECT_EQ(once.unmeasured, 0);
    expectSameTrips(once, perTrip);
    EXPECT_GT(once.trips[10].distanceKm, 1.0);
    std::size_t impacts = 0, eventFiles = 0;
    for (const TripSummary& t : once.trips)
        for (const TripEvent& e : t.events) {
            impacts += e.kind == TripEventKind::Impact;
            eventFiles += e.kind == TripEventKind::EventFile;
        }
    EXPECT_GT(impacts, 50u);
    EXPECT_GT(eventFiles, 100u);

    // Keeping the samples, reading goes in blocks, and a trip runs across a
    // block's end.
    const CardTrips kept = analyseRecordings(card.recordings(), std::nullopt, {10.0, true});
    expectSameTrips(kept, perTrip);
}

namespace {

struct TestSecond {
    double kmh = 40.0;
    int accelX = 0; // 1/256 g
    bool fixLost = false;
};

// A recording of one second a sample, driving north from where the last
// one left off.
void writeRecording(const fs::path& path, long long t, const std::vector<TestSecond>& seconds)
{
    std::vector<mp4::TelemetryRecord> records;
    for (std::size_t s = 0; s < seconds.size(); ++s) {
        demo::DriveSecond drive;
        drive.latitude = 37.5 + static_cast<double>(t - 1700000000 + static_cast<long long>(s)) * 1e-4;
        drive.longitude = 127.0;
        drive.speedMps = seconds[s].kmh / 3.6;
        drive.fixLost = seconds[s].fixLost;
        drive.gpsSatellites = 8;
        drive.hdop = 0.9;
        mp4::TelemetryRecord record;
        record.accelX = seconds[s].accelX;
        record.nmeaText = demo::recordText(drive, std::chrono::sys_seconds{std::chrono::seconds(t + static_cast<long long>(s))}, 0);
        records.push_back(record);
    }
    const mp4::Bytes bytes = mp4::syntheticRecording(records);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(AnalyseRecordings, RecordingsPlayedWholeCountAsTheirSamplesOneByOne)
{
    // Impacts and stretches above the limit running across the ends of
    // recordings, a recording without a fix, an Always file starting inside
    // another (played in part) and an Event file running past the last
    // Always one (played in part, from its file).
    const fs::path root = fs::temp_directory_path() / ("dravonix-joined-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Normal");
    fs::create_directories(root / "Event");
    const auto name = [&](const char* folder, const char* kind, long long t) {
        const std::time_t time = static_cast<std::time_t>(t);
        std::tm tm{};
        gmtime_r(&time, &tm);
        char text[64];
        std::snprintf(text, sizeof text, "%s_%04d%02d%02d_%02d%02d%02d_F.mp4", kind, tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
        return root / folder / text;
    };
    const long long t = 1700000000;
    std::vector<TestSecond> first(10), second(10), noFix(10), fourth(10), overlapping(10), event(20), last(10);
    for (std::size_t s = 7; s < 10; ++s)
        first[s].kmh = 90.0;
    first[9].accelX = 300; // an impact running on into the next file, peaking there
    second[0].accelX = 400;
    second[0].kmh = second[1].kmh = 90.0; // the stretch goes on: no second overspeed
    for (TestSecond& s : noFix)
        s.fixLost = true;
    fourth[0].accelX = 300; // after a file without a fix: an impact of its own
    fourth[9].kmh = 95.0;
    overlapping[2].accelX = -300; // not played: the file before runs on to here
    overlapping[9].accelX = 300;
    event[19].accelX = 350;
    last[0].accelX = 350; // the same peak across the join: the earlier counts
    writeRecording(name("Normal", "alwa", t), t, first);
    writeRecording(name("Normal", "alwa", t + 10), t + 10, second);
    writeRecording(name("Normal", "alwa", t + 20), t + 20, noFix);
    writeRecording(name("Normal", "alwa", t + 30), t + 30, fourth);
    writeRecording(name("Normal", "alwa", t + 35), t + 35, overlapping);
    writeRecording(name("Event", "event", t + 42), t + 42, event);
    writeRecording(name("Normal", "alwa", t + 62), t + 62, last);

    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(entry.path().string());
    RecordingSet measured = collectRecordings(paths);
    measureRecordings(measured);
    for (const std::optional<double> limit : {std::optional<double>(61.0), std::optional<double>()}) {
        SCOPED_TRACE(limit ? "with a limit" : "without a limit");
        const CardTrips perTrip = summariseTrips(measured, std::nullopt, {limit, false});
        const CardTrips joined = analyseRecordings(collectRecordings(paths), std::nullopt, {limit, false});
        const CardTrips kept = analyseRecordings(collectRecordings(paths), std::nullopt, {limit, true});
        ASSERT_EQ(joined.trips.size(), 1u);
        expectSameTrips(joined, perTrip);
        expectSameTrips(kept, perTrip);
        std::vector<std::pair<TripEventKind, std::int64_t>> events;
        for (const TripEvent& e : joined.trips[0].events)
            events.emplace_back(e.kind, e.tripMs);
        using K = TripEventKind;
        std::vector<std::pair<TripEventKind, std::int64_t>> expected{
            {K::Impact, 10000}, {K::Impact, 30000}, {K::EventFile, 42000}, {K::Impact, 44000}, {K::Impact, 61000}};
        if (limit) {
            expected.insert(expected.begin(), {K::Overspeed, 7000});
            expected.insert(expected.begin() + 3, {K::Overspeed, 39000});
        }
        EXPECT_EQ(events, expected);
    }
    fs::remove_all(root);
}

TEST(AnalyseRecordings, SummariesTakenInOnePassMatchTheMergedSamples)
{
    const Card card(3, 40, 3);
    const CardTrips trips = analyseRecordings(card.recordings(), std::nullopt, {61.0, true});
    ASSERT_EQ(trips.trips.size(), 3u);
    std::size_t events = 0;
    for (const TripSummary& t : trips.trips) {
        const TripTelemetry merged = readTripTelemetry(trips.set.recordings, t.timeline);
        ASSERT_EQ(t.telemetry.samples.size(), merged.samples.size());
        EXPECT_EQ(t.distanceKm, tripDistanceKm(merged.samples));
        EXPECT_EQ(t.topSpeedKmh, tripTopSpeedKmh(merged.samples));
        const std::vector<TripEvent> expected =
            findTripEvents(trips.set.recordings, t.trip, t.timeline, merged, ImpactThresholds{}, 61.0);
        ASSERT_EQ(t.events.size(), expected.size());
        for (std::size_t e = 0; e < expected.size(); ++e) {
            EXPECT_EQ(t.events[e].kind, expected[e].kind);
            EXPECT_EQ(t.events[e].time, expected[e].time);
            EXPECT_EQ(t.events[e].value, expected[e].value);
        }
        events += expected.size();
    }
    EXPECT_GT(events, 10u);
}

TEST(AnalyseRecordings, ACardOfManyFoldersIsReadWithFewDescriptors)
{
    // Folders are held open while their files are read: however many a
    // card has, the files must still find descriptors to open with.
    const Card card(1, 120, 2, true);
    const CardTrips all = analyseRecordings(card.recordings(), std::nullopt, {});
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit few = before;
    few.rlim_cur = 48;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const CardTrips limited = analyseRecordings(card.recordings(), std::nullopt, {});
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(all.unmeasured, 0);
    EXPECT_EQ(limited.unmeasured, 0);
    ASSERT_EQ(limited.trips.size(), 1u);
    EXPECT_EQ(limited.trips[0].distanceKm, all.trips[0].distanceKm);
    EXPECT_EQ(limited.trips[0].events.size(), all.trips[0].events.size());
}

TEST(OpenFolders, HoldsAFewAndOnlyWhatAPathWouldOpen)
{
    const fs::path root = fs::temp_directory_path() / ("dravonix-open-folders-" + std::to_string(::getpid()));
    OpenFolders folders;
    std::vector<const OpenFolder*> held;
    for (std::size_t i = 0; i <= OpenFolders::kMostHeld; ++i) {
        fs::create_directories(root / std::to_string(i));
        held.push_back(folders.holding((root / std::to_string(i) / "alwa_20230615_120000_F.mp4").string()));
    }
    for (std::size_t i = 0; i < OpenFolders::kMostHeld; ++i)
        EXPECT_NE(held[i], nullptr) << i;
    EXPECT_EQ(held.back(), nullptr); // one too many: opened by path
    EXPECT_EQ(folders.holding((root / "0" / "other.mp4").string()), held[0]);
    EXPECT_EQ(folders.holding((root / "missing" / "a.mp4").string()), nullptr);
    EXPECT_EQ(folders.holding("a.mp4"), nullptr);
    // A path the system would refuse as too long is not opened by its name
    // in a folder either.
    OpenFolders fresh;
    EXPECT_EQ(fresh.holding((root / "0" / std::string(5000, 'x')).string()), nullptr);
    EXPECT_NE(fresh.holding((root / "0" / std::string(200, 'x')).string()), nullptr);
    fs::remove_all(root);
}

TEST(AnalyseRecordings, AFrontWithoutATrackTakesItsRearsRecords)
{
    const Card card(1, 10, 3); // with the recording that has only its rear
    const CardTrips trips = analyseRecordings(card.recordings(), std::nullopt, {std::nullopt, true});
    ASSERT_EQ(trips.trips.size(), 1u);
    std::size_t samples = 0;
    for (const TripSample& s : trips.trips[0].telemetry.samples)
        samples += trips.set.recordings[s.recording].frontPath == card.noTrackFront() && s.hasPlace();
    EXPECT_EQ(samples, 3u);
    const TripTelemetry again = readTripTelemetry(trips.set.recordings, trips.trips[0].timeline);
    EXPECT_EQ(again.samples.size(), trips.trips[0].telemetry.samples.size());
}

TEST(AnalyseRecordings, StoppedBeforeReadingLeavesEverythingUnmeasured)
{
    const Card card(2, 5, 3);
    std::stop_source stop;
    stop.request_stop();
    const CardTrips trips = analyseRecordings(card.recordings(), std::nullopt, {}, stop.get_token());
    EXPECT_TRUE(trips.trips.empty());
    EXPECT_EQ(trips.unmeasured, static_cast<int>(trips.set.recordings.size()));
}
