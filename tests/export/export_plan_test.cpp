#include "export/export_plan.h"

#include "../trips/trip_test_support.h"

#include <gtest/gtest.h>

using namespace dravonix;
using namespace dravonix::test;

namespace {

const CameraMs t0 = at(2023, 6, 22, 14, 49, 0);

// Three minute-long Always files, an Event file over the second boundary,
// a gap of a minute, then another trip.
std::vector<TripRecording> card()
{
    return {recording(RecordingKind::Always, t0, 60000, "Normal/alwa_20230622_144900_F.mp4"),
            recording(RecordingKind::Always, t0 + 60000, 60000, "Normal/alwa_20230622_145000_F.mp4"),
            recording(RecordingKind::Event, t0 + 90000, 60000, "Event/event_20230622_145030_F.mp4"),
            recording(RecordingKind::Always, t0 + 120000, 60000, "Normal/alwa_20230622_145100_F.mp4"),
            recording(RecordingKind::Always, t0 + 240000, 60000, "Normal/alwa_20230622_145300_F.mp4")};
}

} // namespace

TEST(ExportPlan, ARangeAcrossFilesIsCutAlongTheTimeline)
{
    const auto plan = planExport(card(), t0 + 45000, t0 + 150000);
    ASSERT_TRUE(plan) << plan.error().message;
    ASSERT_EQ(plan->pieces.size(), 3u);
    // The Always recordings are played where they cover; the Event one only after them.
    EXPECT_EQ(plan->pieces[0].recording, 0u);
    EXPECT_EQ(plan->pieces[0].offsetFrom, 45000);
    EXPECT_EQ(plan->pieces[0].offsetTo, 60000);
    EXPECT_EQ(plan->pieces[1].recording, 1u);
    EXPECT_EQ(plan->pieces[1].offsetFrom, 0);
    EXPECT_EQ(plan->pieces[1].offsetTo, 60000);
    EXPECT_EQ(plan->pieces[2].recording, 3u);
    EXPECT_EQ(plan->pieces[2].offsetTo, 30000);
    EXPECT_EQ(plan->pieces[2].from, t0 + 120000);

    const auto inOne = planExport(card(), t0 + 10000, t0 + 20000);
    ASSERT_TRUE(inOne);
    ASSERT_EQ(inOne->pieces.size(), 1u);
    EXPECT_EQ(inOne->pieces[0].offsetFrom, 10000);
    EXPECT_EQ(inOne->pieces[0].offsetTo, 20000);
}

TEST(ExportPlan, BadRangesAreRefusedWithTheReason)
{
    const auto refused = [](CameraMs from, CameraMs to, const std::string& reason) {
        const auto plan = planExport(card(), from, to);
        ASSERT_FALSE(plan);
        EXPECT_NE(plan.error().message.find(reason), std::string::npos) << plan.error().message;
    };
    refused(t0 + 20000, t0 + 10000, "before it starts");
    refused(t0 + 20000, t0 + 20000, "the range is empty");
    refused(t0 - 600000, t0 - 500000, "no recording covers");
    refused(t0 - 600000, t0 - 500000, "; the trips: "); // and where they are
    refused(t0 + 190000, t0 + 200000, "no recording covers"); // between the trips
    refused(t0 - 10000, t0 + 10000, "before the trip");
    refused(t0 + 170000, t0 + 250000, "after the trip");       // into the next trip
    refused(t0 + 10000, t0 + 10000 + 86400000, "after the trip");
}

TEST(ExportPlan, AnEndInTheSecondAfterAFractionalTripEndMeansTheTripsEnd)
{
    // A camera's file lasts a little more than its minute; ranges are given
    // in whole seconds, so the trip's last fraction is only reached by the
    // second after it: the whole trip, as the dialog offers it unmarked.
    const std::vector<TripRecording> recordings{
        recording(RecordingKind::Always, t0, 60033, "Normal/alwa_20230622_144900_F.mp4"),
        recording(RecordingKind::Always, t0 + 60000, 60033, "Normal/alwa_20230622_145000_F.mp4")};
    const auto plan = planExport(recordings, t0, t0 + 121000);
    ASSERT_TRUE(plan) << plan.error().message;
    EXPECT_EQ(plan->to, t0 + 120033);
    ASSERT_EQ(plan->pieces.size(), 2u);
    EXPECT_EQ(plan->pieces[1].offsetTo, 60033);
    // A whole second past the end is still past it.
    EXPECT_FALSE(planExport(recordings, t0, t0 + 121033));
}

TEST(ExportPlan, AParkingRecordingIsExportedOnItsOwn)
{
    // Parked between the trips: in no trip, but watched and marked like one.
    std::vector<TripRecording> recordings = card();
    recordings.insert(recordings.begin() + 4,
                      recording(RecordingKind::Park, t0 + 190000, 20500, "Parking/motion_20230622_145210_F.mp4"));
    const auto plan = planExport(recordings, t0 + 195000, t0 + 211000);
    ASSERT_TRUE(plan) << plan.error().message;
    ASSERT_EQ(plan->pieces.size(), 1u);
    EXPECT_EQ(plan->pieces[0].recording, 4u);
    EXPECT_EQ(plan->pieces[0].offsetFrom, 5000);
    EXPECT_EQ(plan->pieces[0].offsetTo, 20500);
    EXPECT_EQ(plan->pieces[0].from, t0 + 195000);
    EXPECT_EQ(clipFileName(recordings[4], t0 + 195000, 'F'), "motion_20230622_145215_F.mp4");

    const auto pastIt = planExport(recordings, t0 + 195000, t0 + 250000);
    ASSERT_FALSE(pastIt);
    EXPECT_NE(pastIt.error().message.find("after the parking recording"), std::string::npos) << pastIt.error().message;
    // Before it, in the gap, nothing covers the range still.
    EXPECT_FALSE(planExport(recordings, t0 + 185000, t0 + 192000));
}

TEST(ExportPlan, ClipsAreNamedInTheCameraGrammarWithTheirStart)
{
    const std::vector<TripRecording> recordings = card();
    const CameraMs start = at(2023, 6, 22, 14, 49, 5) + 533; // a key frame between seconds
    EXPECT_EQ(clipFileName(recordings[0], start, 'F'), "alwa_20230622_144905_F.mp4");
    EXPECT_EQ(clipFileName(recordings[2], start, 'R'), "event_20230622_144905_R.mp4");
    const auto parsed = parseStrictRecordingName(clipFileName(recordings[0], start, 'R'));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->start, at(2023, 6, 22, 14, 49, 5));
    EXPECT_FALSE(parsed->front);
    // Over midnight at the year's end the date turns with the clock.
    EXPECT_EQ(clipFileName(recordings[0], at(2023, 12, 31, 23, 59, 59) + 1000, 'F'), "alwa_20240101_000000_F.mp4");
}
