// The true-time line and the clock notice: the camera's time from the
// name and the position, GPS time in UTC and the card's zone (over midnight
// and the year's end), fixes without a date, and the offset's wording.
#include "views/true_time.h"

#include "../trips/trip_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dravonix;

namespace {

GpsFix fixAt(int y, int mo, int d, int h, int mi, int s, bool valid = true)
{
    GpsFix fix;
    fix.valid = valid;
    fix.utc = CalendarTime{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(mo), 0, static_cast<std::uint16_t>(d),
                           static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(mi), static_cast<std::uint16_t>(s), 0};
    return fix;
}

} // namespace

TEST(TrueTime, TheCameraTimeComesFromTheNameAndThePosition)
{
    const auto start = recordingStartFromName("alwa_20231231_235930_F.mp4");
    ASSERT_TRUE(start);
    EXPECT_EQ(trueTimeAt(*start, 45500, nullptr, 540).camera, "2024-01-01 00:00:15");
    EXPECT_EQ(trueTimeAt(*start, -20, nullptr, 540).camera, "2023-12-31 23:59:30");
    EXPECT_FALSE(recordingStartFromName("clip_from_phone.mp4"));
    EXPECT_FALSE(recordingStartFromName("alwa_20230230_101010_F.mp4")); // 30 February
    EXPECT_EQ(trueTimeText(trueTimeAt(*start, 0, nullptr, 540)), "Camera 2023-12-31 23:59:30");
}

TEST(TrueTime, GpsTimeInUtcAndTheCardsZoneOnlyWithADatedValidFix)
{
    const CameraMs start = *cameraTime(2024, 1, 1, 8, 59, 50);
    const GpsFix fix = fixAt(2023, 12, 31, 23, 59, 58);
    const TrueTime time = trueTimeAt(start, 10000, &fix, 540);
    ASSERT_TRUE(time.gpsUtc && time.gpsZone);
    EXPECT_EQ(*time.gpsUtc, "2023-12-31 23:59:58");
    EXPECT_EQ(*time.gpsZone, "2024-01-01 08:59:58");
    EXPECT_EQ(trueTimeText(time), "Camera 2024-01-01 09:00:00\nGPS 2024-01-01 08:59:58 UTC+09:00 \xc2\xb7 23:59:58 UTC");

    // West of Greenwich, over midnight the other way.
    const GpsFix early = fixAt(2023, 3, 1, 2, 0, 0);
    EXPECT_EQ(*trueTimeAt(start, 0, &early, -270).gpsZone, "2023-02-28 21:30:00");
    EXPECT_EQ(zoneText(-270), "UTC-04:30");
    EXPECT_EQ(zoneText(0), "UTC+00:00");

    for (const GpsFix& without : {fixAt(2023, 12, 31, 23, 0, 0, false), fixAt(0, 0, 0, 12, 0, 0), fixAt(2023, 13, 1, 0, 0, 0)}) {
        const TrueTime t = trueTimeAt(start, 0, &without, 540);
        EXPECT_FALSE(t.gpsUtc);
        EXPECT_FALSE(t.gpsZone);
    }
}

TEST(ClockNotice, MoreThanTwoSecondsEitherWaySaysByHowMuch)
{
    EXPECT_FALSE(clockNotice(2.0));
    EXPECT_FALSE(clockNotice(-2.0));
    EXPECT_FALSE(clockNotice(0.4));
    EXPECT_FALSE(clockNotice(std::nan("")));
    EXPECT_EQ(clockNotice(2.1), "Camera clock 2.1 s ahead of GPS");
    EXPECT_EQ(clockNotice(125.0), "Camera clock 2 min 5 s ahead of GPS");
    EXPECT_EQ(clockNotice(-32400.0), "Camera clock 9 h behind GPS");
    EXPECT_EQ(durationText(3.0), "3 s");
    EXPECT_EQ(durationText(9.96), "10 s");
    EXPECT_EQ(durationText(3630.4), "1 h 30 s");
    EXPECT_EQ(durationText(-(3 * 86400.0 + 4 * 3600 + 59)), "3 d 4 h");
    EXPECT_EQ(durationText(1e300), durationText(9.0e15)); // a clock at year 1 stays a number
}

TEST(ClockNotice, ARecordingsOffsetOverTheYearsEnd)
{
    // GPS runs from 2023-12-31 14:59:58 UTC, i.e. 23:59:58 at +09:00; the
    // camera's clock is 125 s ahead of it.
    const long long utcStart = 1704034798;
    std::vector<test::Second> seconds(10);
    seconds[0].fixLost = true; // no date yet
    const TelemetryTrack track = test::track(seconds, utcStart);
    const CameraMs cameraStart = *cameraTime(2024, 1, 1, 0, 2, 3);
    const auto offset = recordingClockOffset(track.fixes(), cameraStart, 10000, 540);
    ASSERT_TRUE(offset);
    EXPECT_DOUBLE_EQ(offset->seconds, 125.0);
    EXPECT_EQ(offset->fixes, 9);
    // A length unknown yet counts a second a record.
    EXPECT_DOUBLE_EQ(recordingClockOffset(track.fixes(), cameraStart, 0, 540)->seconds, 125.0);

    std::vector<test::Second> lost(5);
    for (test::Second& s : lost)
        s.fixLost = true;
    EXPECT_FALSE(recordingClockOffset(test::track(lost).fixes(), cameraStart, 5000, 540));
    EXPECT_FALSE(recordingClockOffset({}, cameraStart, 5000, 540));
}
