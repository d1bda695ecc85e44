// The demo card's telemetry must be what the viewer can read: text that fits
// a record and decodes, and a drive that a car could make.

#include "drive.h"
#include "nmea_text.h"
#include "telemetry/telemetry_track.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace dravonix;
using namespace std::chrono;

TEST(DemoTelemetry, ChecksumIsTheXorBetweenDollarAndStar)
{
    EXPECT_EQ(demo::withChecksum("$GPGLL,5300.97914,N,00259.98174,E,125926,A"),
              "$GPGLL,5300.97914,N,00259.98174,E,125926,A*28");
}

TEST(DemoTelemetry, DriveIsDeterministicAndPlausible)
{
    const auto drive = demo::simulateDrive({42, 300, 37.374054, 126.642653});
    const auto again = demo::simulateDrive({42, 300, 37.374054, 126.642653});
    ASSERT_EQ(drive.size(), 300u);
    double topSpeed = 0.0;
    int lost = 0;
    for (std::size_t i = 0; i < drive.size(); ++i) {
        EXPECT_EQ(drive[i].latitude, again[i].latitude);
        topSpeed = std::max(topSpeed, drive[i].speedMps);
        lost += drive[i].fixLost ? 1 : 0;
        EXPECT_LT(std::abs(drive[i].accelForwardG), 0.6) << i;
        if (i > 0) {
            const double north = (drive[i].latitude - drive[i - 1].latitude) * 111320.0;
            const double east = (drive[i].longitude - drive[i - 1].longitude) * 111320.0 * std::cos(0.6523);
            EXPECT_LE(std::hypot(north, east), 22.0) << i; // under 80 km/h between two seconds
        }
    }
    EXPECT_GT(topSpeed * 3.6, 30.0);
    EXPECT_LT(topSpeed * 3.6, 75.0);
    EXPECT_EQ(lost, 5);
}

TEST(DemoTelemetry, RecordTextFitsAndDecodesBackToTheDrive)
{
    auto drive = demo::simulateDrive({3, 120, 37.374054, 126.642653});
    const sys_seconds start = sys_days(2023y / June / 15) + hours(8);
    TelemetryTrack track;
    for (int i = 0; i < 120; ++i) {
        const std::string text = demo::recordText(drive[static_cast<std::size_t>(i)], start + seconds(i), i);
        ASSERT_LE(text.size(), kNmeaTextSize);
        std::array<char, kNmeaTextSize> bytes{};
        std::copy(text.begin(), text.end(), bytes.begin());
        track.appendSample(0, 0, 256, '0', bytes);
    }
    for (int i = 0; i < 120; ++i) {
        const auto& truth = drive[static_cast<std::size_t>(i)];
        const GpsFix& fix = *track.fixAt(i);
        if (i >= 4) { // the count is the last satellite report's
            const auto& report = drive[static_cast<std::size_t>(i - (i - 4) % 10)];
            EXPECT_EQ(fix.satellitesInUse, report.gpsSatellites + report.glonassSatellites) << i;
        }
        if (i % 10 == 4 || truth.fixLost)
            continue; // the satellite report carries speed and position forward
        EXPECT_TRUE(fix.valid) << i;
        EXPECT_NEAR(fix.speedKnots * 1852.0 / 3600.0, truth.speedMps, 0.06) << i;
        EXPECT_EQ(fix.utc.second, i % 60);
        EXPECT_NEAR(nmeaToDegrees(fix.latitudeRaw, fix.latitudeHemisphere), truth.latitude, 1e-6) << i;
        EXPECT_NEAR(nmeaToDegrees(fix.longitudeRaw, fix.longitudeHemisphere), truth.longitude, 1e-6) << i;
    }
}
