#include "trips/card_trips.h"
#include "trips/trip_events.h"
#include "trips/trip_timeline.h"

#include "config/device_config.h"
#include "trip_test_support.h"

#include <gtest/gtest.h>

#include <QByteArray>

#include <random>
#include <cmath>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

using namespace dravonix;
using namespace dravonix::test;
using Kind = RecordingKind;

TEST(StrictRecordingName, TakesOnlyNamesItCanPlace)
{
    const auto parsed = parseStrictRecordingName("event_20231231_235959_F.MP4");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->kind, Kind::Event);
    EXPECT_EQ(parsed->start, at(2023, 12, 31, 23, 59, 59));
    EXPECT_TRUE(parsed->front);
    EXPECT_FALSE(parseStrictRecordingName("alwa_20230615_142530_R.mp4")->front);
    EXPECT_EQ(parseStrictRecordingName("motion_20240229_000000_R.mp4")->kind, Kind::Park);
    for (const char* outside : {"event_2023_x.mp4", "Event_20230615_142530_F.mp4", "alwa_20230615_142530_f.mp4",
                                "alwa_20230230_142530_F.mp4", "alwa_20230615_240000_F.mp4", "alwa_20230615_142560_F.mp4",
                                "alwa_20230615_142530_F.mp4.part", "alwa_20230615_142530_F (1).mp4",
                                "alwa_2023061_1142530_F.mp4", "alwa_+2023615_142530_F.mp4", "clip.mp4", ""})
        EXPECT_FALSE(parseStrictRecordingName(outside)) << outside;
}

TEST(CollectRecordings, PairsChannelsAndTakesACopyOnce)
{
    const RecordingSet set = collectRecordings(std::vector<std::string>{
        "card/Normal/alwa_20230615_142600_R.mp4", // rear alone
        "card/Normal/alwa_20230615_142500_F.mp4", "card/Normal/alwa_20230615_142500_R.mp4",
        "card/backup/alwa_20230615_142500_F.mp4", // a copy of a file already seen
        "card/Event/event_20230615_142500_F.mp4", // same second, other kind: its own recording
        "card/clip_from_phone.mp4", "card/event_2023_x.mp4"});
    ASSERT_EQ(set.recordings.size(), 3u);
    EXPECT_EQ(set.outsideGrammar, 2);
    EXPECT_EQ(set.duplicates, 1);
    EXPECT_EQ(set.recordings[0].kind, Kind::Always); // Always first within a second
    EXPECT_EQ(set.recordings[0].frontPath, "card/Normal/alwa_20230615_142500_F.mp4");
    EXPECT_EQ(set.recordings[0].rearPath, "card/Normal/alwa_20230615_142500_R.mp4");
    EXPECT_EQ(set.recordings[1].kind, Kind::Event);
    EXPECT_EQ(set.recordings[2].mainPath(), "card/Normal/alwa_20230615_142600_R.mp4");

    // Met first in another folder, the file of the camera's own folder still wins.
    const RecordingSet backupFirst = collectRecordings(std::vector<std::string>{
        "card/Backup/alwa_20230615_142500_F.mp4", "card/Event/alwa_20230615_142500_F.mp4",
        "card/Normal/alwa_20230615_142500_F.mp4", "card/Other/alwa_20230615_142500_F.mp4"});
    ASSERT_EQ(backupFirst.recordings.size(), 1u);
    EXPECT_EQ(backupFirst.recordings[0].frontPath, "card/Normal/alwa_20230615_142500_F.mp4");
    EXPECT_EQ(backupFirst.duplicates, 3);
}

TEST(GroupTrips, FiveSecondsAfterTheLatestEndJoin)
{
    const CameraMs t = at(2023, 6, 15, 8, 0, 0);
    const std::vector<TripRecording> recordings{
        recording(Kind::Always, t, 60000),
        recording(Kind::Event, t + 30000, 60000),           // ends at 90 s: the latest end
        recording(Kind::Always, t + 95000, 60000),          // 5 s after it: joins
        recording(Kind::Park, t + 156000, 60000),           // in no trip, and bridges nothing
        recording(Kind::Always, t + 160001, 60000),         // 5.001 s after 155 s: a new trip
        recording(Kind::User, t + 170000, 0),               // no duration: in no trip
        recording(Kind::Unknown, t + 171000, 60000),
    };
    const std::vector<Trip> trips = groupTrips(recordings);
    ASSERT_EQ(trips.size(), 2u);
    EXPECT_EQ(trips[0].recordings, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(trips[0].end, t + 155000);
    EXPECT_EQ(trips[1].recordings, (std::vector<std::size_t>{4}));
    EXPECT_TRUE(groupTrips({}).empty());
}

TEST(GroupTrips, AYearsEndIsJustAnotherSecond)
{
    const std::vector<TripRecording> recordings{recording(Kind::Always, at(2023, 12, 31, 23, 59, 30), 60000),
                                                recording(Kind::Always, at(2024, 1, 1, 0, 0, 33), 60000)};
    const std::vector<Trip> trips = groupTrips(recordings);
    ASSERT_EQ(trips.size(), 1u);
    EXPECT_EQ(formatCameraTime(trips[0].end), "2024-01-01T00:01:33");
    const TripTimeline timeline(recordings, trips[0]);
    EXPECT_EQ(timeline.lengthMs(), 120000); // the 3-second gap is not on the timeline
    EXPECT_EQ(formatCameraTime(timeline.cameraTimeAt(60000)), "2024-01-01T00:00:33");
}

TEST(TripTimeline, AlwaysIsPlayedWhereItCoversElseTheEventFile)
{
    const CameraMs t = at(2023, 6, 15, 8, 0, 0);
    const std::vector<TripRecording> recordings{
        recording(Kind::Always, t, 60000),
        recording(Kind::Event, t + 40000, 40000),   // runs 20 s past the Always file
        recording(Kind::Always, t + 83000, 60000),  // after a 3 s gap
        recording(Kind::User, t + 100000, 10000),   // wholly under the Always file
    };
    const Trip trip = groupTrips(recordings).front();
    const TripTimeline timeline(recordings, trip);
    ASSERT_EQ(timeline.pieces().size(), 3u);
    EXPECT_EQ(timeline.pieces()[0].recording, 0u);
    EXPECT_EQ(timeline.pieces()[1].recording, 1u);
    EXPECT_EQ(timeline.pieces()[1].offsetFrom, 20000);
    EXPECT_EQ(timeline.pieces()[2].recording, 2u);
    EXPECT_EQ(timeline.lengthMs(), 140000);

    const auto position = timeline.at(70000);
    ASSERT_TRUE(position);
    EXPECT_EQ(position->recording, 1u);
    EXPECT_EQ(position->offsetMs, 30000);
    EXPECT_EQ(timeline.at(85000)->recording, 2u);
    EXPECT_EQ(timeline.at(85000)->offsetMs, 5000);
    EXPECT_EQ(timeline.at(-5)->offsetMs, 0);
    EXPECT_EQ(timeline.at(1 << 30)->offsetMs, 60000);
    // And back, from any recording's position, through the moment it names.
    for (const std::int64_t tripMs : {0LL, 59999LL, 60000LL, 79999LL, 80000LL, 139999LL}) {
        const TripPosition p = *timeline.at(tripMs);
        EXPECT_EQ(timeline.tripTimeOf(recordings[p.recording], p.offsetMs), tripMs);
    }
    EXPECT_EQ(timeline.tripTimeOf(recordings[3], 5000), 105000 - 83000 + 80000); // the User file's moment
    EXPECT_EQ(timeline.tripTimeOf(t + 81500), 80000);                            // in the gap: what follows
}

TEST(TripTimeline, OverlappingAlwaysFilesDontFlipBackAndForth)
{
    const CameraMs t = at(2023, 6, 15, 8, 0, 0);
    const std::vector<TripRecording> recordings{recording(Kind::Always, t, 60000),
                                                recording(Kind::Always, t + 30000, 60000),
                                                recording(Kind::Always, t + 30000, 60000)}; // a same-second twin
    const TripTimeline timeline(recordings, groupTrips(recordings).front());
    ASSERT_EQ(timeline.pieces().size(), 2u);
    EXPECT_EQ(timeline.pieces()[0].to, t + 60000);
    EXPECT_EQ(timeline.lengthMs(), 90000);
}

namespace {

struct Fixture {
    std::vector<TripRecording> recordings;
    std::map<std::size_t, TelemetryTrack> tracks;
    std::map<std::size_t, TrackPoints> points;

    TripTelemetry merge(const TripTimeline& timeline)
    {
        return mergeTripTelemetry(recordings, timeline, [&](std::size_t i) -> const TrackPoints* {
            const auto found = tracks.find(i);
            return found == tracks.end() ? nullptr : &(points[i] = pointsOf(found->second));
        });
    }
};

std::vector<Second> driving(int seconds, double kmh)
{
    std::vector<Second> out(static_cast<std::size_t>(seconds));
    for (int i = 0; i < seconds; ++i) {
        out[static_cast<std::size_t>(i)].kmh = kmh;
        out[static_cast<std::size_t>(i)].lat = 37.5 + i * 0.0001; // 11.1 m a second, northward
    }
    return out;
}

} // namespace

TEST(TripTelemetry, OverlapsCountOnceAndBackToBackFilesLoseNothing)
{
    const CameraMs t = at(2023, 6, 15, 8, 0, 0);
    Fixture f;
    f.recordings = {recording(Kind::Always, t, 10000), recording(Kind::Event, t + 5000, 10000),
                    recording(Kind::Always, t + 10000, 10000), recording(Kind::Always, t + 20000, 10000)};
    std::vector<Second> drive = driving(30, 50.0);
    f.tracks[0] = track({drive.begin(), drive.begin() + 10});
    f.tracks[1] = track({drive.begin() + 5, drive.begin() + 15});
    f.tracks[2] = track({drive.begin() + 10, drive.begin() + 20});
    // The last file has no track: it adds time but no samples.
    const Trip trip = groupTrips(f.recordings).front();
    const TripTimeline timeline(f.recordings, trip);
    const TripTelemetry merged = f.merge(timeline);
    ASSERT_EQ(merged.samples.size(), 20u);
    for (std::size_t i = 0; i < merged.samples.size(); ++i) {
        EXPECT_EQ(merged.samples[i].time, t + static_cast<CameraMs>(i) * 1000);
        EXPECT_NE(merged.samples[i].recording, 1u); // the Event file lies under Always ones
    }
    // 19 steps of 0.0001 degree of latitude.
    EXPECT_NEAR(tripDistanceKm(merged.samples), 19 * 0.0111195, 0.0005);
    EXPECT_EQ(tripTopSpeedKmh(merged.samples), 50);
}

namespace {

// A valid fix at a place given in signed degrees.
TripSample sampleAt(double lat, double lon)
{
    TripSample s;
    s.fix.valid = true;
    s.fix.latitudeHemisphere = lat < 0 ? 'S' : 'N';
    s.fix.longitudeHemisphere = lon < 0 ? 'W' : 'E';
    for (const auto& [degrees, raw] :
         {std::pair{std::abs(lat), &s.fix.latitudeRaw}, std::pair{std::abs(lon), &s.fix.longitudeRaw}})
        *raw = std::trunc(degrees) * 100.0 + (degrees - std::trunc(degrees)) * 60.0;
    return s;
}

} // namespace

TEST(TripTelemetry, DistanceAlongALongDriveIsTheSumOfItsGreatCircleSteps)
{
    // Second-by-second legs at road speeds, where the latitude's cosine is
    // carried from step to step, and the jumps between them (a lost fix, a
    // ferry across the date line).
    std::uint32_t seed = 7;
    const auto jitter = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 2001) / 1000.0 - 1.0; // -1 .. 1
    };
    struct Leg {
        double lat, lon;
        int seconds;
        double step; // degrees at most, on each axis
    };
    TripDistance whole;
    double wholeExpected = 0.0;
    std::optional<std::array<double, 2>> last;
    for (const Leg& leg : {Leg{37.3, 126.6, 1000, 0.0004}, Leg{-33.9, 151.2, 700, 0.0002},
                           Leg{-16.5, 179.995, 40, 0.001}, Leg{89.95, 10.0, 300, 0.00002}, Leg{0.0, -0.01, 300, 0.0001}}) {
        TripDistance distance;
        double expected = 0.0;
        std::optional<std::array<double, 2>> previous;
        double lat = leg.lat, lon = leg.lon;
        for (int i = 0; i < leg.seconds; ++i) {
            lat += leg.step * jitter();
            lon += leg.step * jitter();
            const TripSample s = sampleAt(lat, lon > 180.0 ? lon - 360.0 : lon);
            const std::optional<std::array<double, 2>> place = s.place();
            ASSERT_TRUE(place);
            for (auto* p : {&previous, &last})
                if (*p)
                    (p == &previous ? expected : wholeExpected) +=
                        greatCircleKm((**p)[0], (**p)[1], (*place)[0], (*place)[1]);
            previous = last = place;
            distance.add(s);
            whole.add(s);
        }
        EXPECT_NEAR(distance.km(), expected, expected * 1e-12) << leg.lat << " " << leg.lon;
    }
    ASSERT_GT(wholeExpected, 10000.0);
    EXPECT_NEAR(whole.km(), wholeExpected, wholeExpected * 1e-12);
}

TEST(TripTelemetry, AtThePoleEveryLongitudeIsTheSamePlace)
{
    // Second by second up a meridian to the pole, as a receiver writes it
    // (whole ten-thousandths of a minute), then a fix at the pole that gives
    // another longitude: it places the car where it already was.
    for (const char hemisphere : {'N', 'S'}) {
        TripDistance distance;
        double expected = 0.0;
        std::optional<std::array<double, 2>> previous;
        const auto add = [&](long tenThousandthsOfMinute, double longitudeRaw) {
            TripSample s;
            s.fix.valid = true;
            s.fix.latitudeRaw = static_cast<double>(tenThousandthsOfMinute / 600000 * 100)
                                + static_cast<double>(tenThousandthsOfMinute % 600000) / 1e4;
            s.fix.latitudeHemisphere = hemisphere;
            s.fix.longitudeRaw = longitudeRaw;
            s.fix.longitudeHemisphere = 'E';
            const std::optional<std::array<double, 2>> place = s.place();
            ASSERT_TRUE(place);
            if (previous)
                expected += greatCircleKm((*previous)[0], (*previous)[1], (*place)[0], (*place)[1]);
            previous = place;
            distance.add(s);
        };
        for (long left = 78; left >= 0; --left)
            add(90L * 600000 - 23 * left, 1000.0);
        add(90L * 600000, 1140.0);
        EXPECT_NEAR(distance.km(), expected, 1e-6) << hemisphere;
    }
}

TEST(TripTelemetry, TopSpeedIsTheFastestSampleAsTheReadoutShowsIt)
{
    // Taken from the fastest sample's knots alone: the same as the largest
    // speed shown, whatever the samples hold.
    std::mt19937 rng(3);
    const double odd[] = {-1.0, -0.0, 0.0, std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, 5e18, 4.99999, 5.0};
    for (int round = 0; round < 200; ++round) {
        std::vector<TripSample> samples(rng() % 12);
        std::optional<long long> expected;
        for (TripSample& s : samples) {
            s.fix.valid = rng() % 5 != 0;
            s.fix.speedKnots = rng() % 4 == 0 ? odd[rng() % std::size(odd)] : static_cast<double>(rng() % 100000) / 997.0;
            if (const std::optional<long long> kmh = s.speedKmh(); kmh && (!expected || *kmh > *expected))
                expected = kmh;
        }
        EXPECT_EQ(tripTopSpeedKmh(samples), expected) << round;
    }
}

TEST(TripTelemetry, NoFixesMeanNoDistanceAndNoTopSpeed)
{
    std::vector<Second> lost(5);
    for (Second& s : lost)
        s.fixLost = true;
    Fixture f;
    f.recordings = {recording(Kind::Always, at(2023, 6, 15, 8, 0, 0), 5000)};
    f.tracks[0] = track(lost);
    const TripTimeline timeline(f.recordings, groupTrips(f.recordings).front());
    const TripTelemetry merged = f.merge(timeline);
    EXPECT_EQ(merged.samples.size(), 5u);
    EXPECT_EQ(tripDistanceKm(merged.samples), 0.0);
    EXPECT_FALSE(tripTopSpeedKmh(merged.samples));
    EXPECT_FALSE(measureClockOffset(merged.samples, 540));
}

TEST(TripEvents, ImpactsAgainstTheRecordingsMedianOneARun)
{
    Fixture f;
    const CameraMs t = at(2023, 6, 15, 8, 0, 0);
    f.recordings = {recording(Kind::Always, t, 10000), recording(Kind::Event, t + 10000, 10000),
                    recording(Kind::Always, t + 20000, 10000)};
    std::vector<Second> first(10), second(10), third(10);
    for (Second& s : second)
        s.ax = 0.8; // a tilted mounting: a steady offset is no impact
    first[3].ax = 0.6;
    first[4].ay = -1.25; // the run of 3, 4, 5 peaks here
    first[5].az = 1.5;
    first[8].ax = 0.5; // exactly at the threshold: counts
    second[2].ax = 0.8 + 0.49; // just below
    for (Second& s : third)
        s.az = 1.0;
    third[6].az = 0.5; // the only one off, by just the threshold
    f.tracks[0] = track(first);
    f.tracks[1] = track(second);
    f.tracks[2] = track(third);
    const Trip trip = groupTrips(f.recordings).front();
    const TripTimeline timeline(f.recordings, trip);
    const TripTelemetry merged = f.merge(timeline);
    const std::vector<TripEvent> impacts = findImpacts(merged, ImpactThresholds{});
    ASSERT_EQ(impacts.size(), 3u);
    EXPECT_EQ(impacts[0].offsetMs, 4000);
    EXPECT_NEAR(impacts[0].value, 1.25, 1e-6);
    EXPECT_EQ(impacts[1].offsetMs, 8000);
    EXPECT_EQ(impacts[2].recording, 2u);
    EXPECT_EQ(impacts[2].offsetMs, 6000);

    // A sample at a time, as a card's summaries find them, with the medians
    // of a track worked out only where its values spread far enough.
    for (const ImpactThresholds& thresholds : {ImpactThresholds{}, ImpactThresholds{{0.5, 0.5, 0.51}}}) {
        ImpactFinder finder(thresholds);
        std::map<std::size_t, TrackPoints> points;
        forEachTripSample(
            f.recordings, timeline, [&](std::size_t i) { return &(points[i] = pointsOf(f.tracks.at(i))); },
            [&](std::size_t i, const TrackPoints& track) { finder.startTrack(i, track); },
            [&](const TripSample& s) { finder.add(s); });
        const std::vector<TripEvent> expected = findImpacts(merged, thresholds);
        ASSERT_EQ(finder.events().size(), expected.size());
        for (std::size_t e = 0; e < expected.size(); ++e) {
            EXPECT_EQ(finder.events()[e].time, expected[e].time);
            EXPECT_EQ(finder.events()[e].value, expected[e].value);
        }
    }

    // The card's own thresholds, per axis; a stored 0 can't make every sample an impact.
    DeviceConfig config;
    config.setU32(88, 70);
    config.setU32(92, 0);
    config.setU32(96, 45);
    const ImpactThresholds card = drivingThresholds(config);
    EXPECT_DOUBLE_EQ(card.g[0], 0.70);
    EXPECT_DOUBLE_EQ(card.g[1], 0.50);
    EXPECT_DOUBLE_EQ(card.g[2], 0.45);
    const std::vector<TripEvent> carded = findImpacts(merged, card);
    ASSERT_EQ(carded.size(), 2u); // 0.6 and 0.5 on X no longer count; Y and Z still do
    EXPECT_EQ(carded[0].offsetMs, 4000);

    const std::vector<TripEvent> all = findTripEvents(f.recordings, trip, timeline, merged, ImpactThresholds{}, {});
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[2].kind, TripEventKind::EventFile);
    EXPECT_EQ(all[2].time, t + 10000);
}

TEST(TripEvents, OverspeedMarksTheStartOfEachStretch)
{
    Fixture f;
    f.recordings = {recording(Kind::Always, at(2023, 6, 15, 8, 0, 0), 8000)};
    std::vector<Second> drive = driving(8, 40.0);
    drive[1].kmh = 55.0;
    drive[2].fixLost = true; // says nothing: the stretch goes on
    drive[3].kmh = 61.0;
    drive[5].kmh = 50.9;     // shown as 50: not above a limit of 50
    drive[6].kmh = 52.0;
    f.tracks[0] = track(drive);
    const TripTimeline timeline(f.recordings, groupTrips(f.recordings).front());
    const std::vector<TripEvent> events = findOverspeeds(f.merge(timeline).samples, 50.0);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].offsetMs, 1000);
    EXPECT_EQ(events[0].value, 55.0);
    EXPECT_EQ(events[1].offsetMs, 6000);
}

TEST(ClockOffset, CameraMinusGpsInTheCardsZone)
{
    Fixture f;
    const CameraMs t = at(2023, 12, 31, 23, 59, 58);
    f.recordings = {recording(Kind::Always, t, 6000)};
    // GPS (UTC) 2023-12-31 14:59:55: the camera at +09:00 runs 3 s ahead.
    f.tracks[0] = track(driving(6, 30.0), (t - 9 * 3600000LL - 3000) / 1000);
    const TripTimeline timeline(f.recordings, groupTrips(f.recordings).front());
    const auto offset = measureClockOffset(f.merge(timeline).samples, 9 * 60);
    ASSERT_TRUE(offset);
    EXPECT_DOUBLE_EQ(offset->seconds, 3.0);
    EXPECT_EQ(offset->fixes, 6);
    EXPECT_EQ(cardZoneMinutes(std::nullopt), 9 * 60);
}

namespace {

// A folder of empty files: only the names and places matter here.
class NamedFiles {
public:
    NamedFiles() : root_(std::filesystem::temp_directory_path() / ("dravonix-names-" + std::to_string(::getpid()))) {}
    ~NamedFiles() { std::filesystem::remove_all(root_); }
    void add(const std::string& relative)
    {
        const std::filesystem::path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path).put('\0');
    }
    void clear() { std::filesystem::remove_all(root_); }
    QByteArray root() const { return QByteArray::fromStdString(root_.string()); }

private:
    std::filesystem::path root_;
};

void expectSameSets(const RecordingSet& fromList, const RecordingSet& fromScan)
{
    EXPECT_EQ(fromScan.outsideGrammar, fromList.outsideGrammar);
    EXPECT_EQ(fromScan.duplicates, fromList.duplicates);
    ASSERT_EQ(fromScan.recordings.size(), fromList.recordings.size());
    for (std::size_t i = 0; i < fromList.recordings.size(); ++i) {
        const TripRecording& a = fromList.recordings[i];
        const TripRecording& b = fromScan.recordings[i];
        EXPECT_EQ(b.kind, a.kind) << i;
        EXPECT_EQ(b.start, a.start) << i;
        EXPECT_EQ(b.frontPath, a.frontPath) << i;
        EXPECT_EQ(b.rearPath, a.rearPath) << i;
    }
}

RecordingSet setFromList(const QByteArray& root)
{
    auto listed = listRecordings(root);
    return listed ? collectRecordings(listed->rows) : RecordingSet{};
}

} // namespace

// The command line reads a card without building the list; which copy of a
// file is taken, and which of a second's recordings comes first, must not
// depend on that.
TEST(ScanRecordingSet, GivesWhatTheListsRowsGive)
{
    NamedFiles card;
    // Copies where neither or both are in the camera's own folder: the
    // list's order picks, and it goes by the name's channel, then the path
    // as text (U+E000 sorts after an emoji's surrogates, before it in bytes).
    for (const char* name : {"Backup/alwa_20230615_142500_F.mp4", "Other/alwa_20230615_142500_F.mp4",
                             "Normal/alwa_20230615_142500_F.MP4", "Normal/alwa_20230615_142500_F.mp4",
                             "\xee\x80\x80/event_20230615_142500_R.mp4", "\xf0\x9f\x98\x80/event_20230615_142500_R.mp4",
                             "a\xff/user_20230615_142500_F.mp4", "a\xfe/user_20230615_142500_F.mp4",
                             "Manual/user_20230615_142510_R.mp4", "Event/event_20230615_142510_F.mp4",
                             "Parking/motion_20230615_142510_F.mp4", "Event/event_20230615_142520_F.mp4",
                             "Manual/user_20230615_142520_F.mp4", "Normal/alwa_20230615_142520_R.mp4",
                             "Normal/clip.mp4", "Normal/alwa_20230615_142530_F.mp4.part"})
        card.add(name);
    const auto scanned = scanRecordingSet(card.root());
    ASSERT_TRUE(scanned);
    expectSameSets(setFromList(card.root()), *scanned);
    EXPECT_EQ(scanned->duplicates, 5);
    EXPECT_EQ(scanned->outsideGrammar, 1); // "clip.mp4"; the ".part" file is no recording at all
    EXPECT_FALSE(scanRecordingSet(card.root() + "/none"));

    // Many arrangements of a few names and folders.
    const char* folders[] = {"Normal", "Event", "Manual", "Parking", "Backup", "backup", "n\xc3\xa9", "x\xff"};
    const char* names[] = {"alwa_20230615_142500_F.mp4", "alwa_20230615_142500_R.mp4", "event_20230615_142500_F.mp4",
                           "event_20230615_142500_R.mp4", "user_20230615_142500_F.mp4", "user_20230615_142500_R.MP4",
                           "motion_20230615_142500_F.mp4", "alwa_20230615_142501_F.mp4", "event_20230615_142501_R.mp4"};
    unsigned seed = 7;
    const auto next = [&](unsigned bound) { return (seed = seed * 1103515245u + 12345u) / 65536u % bound; };
    for (int round = 0; round < 60; ++round) {
        card.clear();
        for (int k = 0, count = 2 + static_cast<int>(next(10)); k < count; ++k)
            card.add(std::string(folders[next(std::size(folders))]) + "/" + names[next(std::size(names))]);
        const auto set = scanRecordingSet(card.root());
        ASSERT_TRUE(set);
        SCOPED_TRACE(round);
        expectSameSets(setFromList(card.root()), *set);
    }
}
