#include "telemetry/telemetry_export.h"

#include "record_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

using namespace dravonix;

namespace {


std::vector<std::string> lines(const std::string& s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(TelemetryExport, CsvHasOneRowPerSampleWithItsFix)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 256, '9', recordText(""));
    track.appendSample(-384, 64, 256, '1',
                       recordText("$GNRMC,081005.250,A,,,,,22.4,84.4,150623,,,A*00\r\n$GNGGA,1,3730.5000,S,12639.0,W,1,07,0.8*00\r\n"));
    std::ostringstream out;
    writeTelemetryCsv(track, out);
    const auto rows = lines(out.str());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(0, 20), "index,accel_x,accel_");
    EXPECT_EQ(rows[1], "0,0,0,1,9,0,,0,N,0,E,,,0,0,0,0,0,0");
    EXPECT_EQ(rows[2], "1,-1.5,0.25,1,1,1,2023-06-15T08:10:05.250Z,3730.5,S,12639,W,-37.508333,-126.650000,22.4,41,25,84.4,7,0.8");
}

TEST(TelemetryExport, CsvKeepsOddMarkersFromBreakingTheLine)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 0, ',', recordText(""));
    track.appendSample(0, 0, 0, '\0', recordText(""));
    std::ostringstream out;
    writeTelemetryCsv(track, out);
    const auto rows = lines(out.str());
    EXPECT_EQ(rows[1].substr(0, 13), "0,0,0,0,0x2C,");
    EXPECT_EQ(rows[2].substr(0, 13), "1,0,0,0,0x00,");
}

TEST(TelemetryExport, GpxHasATrackPointPerPositionedSample)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 0, '0', recordText("$GNRMC,081005.000,V,,,,,0,0,150623,,,N*00\r\n"));
    track.appendSample(0, 0, 0, '0',
                       recordText("$GNRMC,081006.000,A,,,,,10.0,90.0,150623,,,A*00\r\n$GNGGA,1,3722.4400,N,12639.0,E,1,07,0.8*00\r\n"));
    std::ostringstream out;
    writeTelemetryGpx(track, "a<b>&\"c\".mp4", out);
    const std::string gpx = out.str();
    EXPECT_NE(gpx.find("<gpx version=\"1.1\""), std::string::npos);
    EXPECT_NE(gpx.find("<name>a&lt;b&gt;&amp;&quot;c&quot;.mp4</name>"), std::string::npos);
    EXPECT_EQ(gpx.find("<trkpt"), gpx.rfind("<trkpt"));
    EXPECT_NE(gpx.find("<trkpt lat=\"37.374000\" lon=\"126.650000\"><time>2023-06-15T08:10:06.000Z</time>"),
              std::string::npos);
    EXPECT_NE(gpx.find("<gpxtpx:speed>5.144444444444445</gpxtpx:speed>"), std::string::npos);
}

TEST(TelemetryExport, UtcIsEmptyOnlyWhileAllZero)
{
    EXPECT_EQ(formatUtc(CalendarTime{}), "");
    EXPECT_EQ(formatUtc(CalendarTime{2000, 0, 0, 0, 0, 0, 0, 0}), "2000-00-00T00:00:00.000Z");
}

TEST(TelemetryExport, GpxNamesHoldOnlyWhatXmlAllows)
{
    const TelemetryTrack track;
    struct Case {
        std::string name;
        std::string shown;
    };
    const std::string replacement = "\xEF\xBF\xBD";
    for (const Case& c : {Case{"line\nbreak\ttab.mp4", "line\nbreak\ttab.mp4"},
                          Case{std::string("bell\x07") + "esc\x1B" + "nul" + std::string(1, '\0'),
                               "bell" + replacement + "esc" + replacement + "nul" + replacement},
                          Case{"latin1 \xE9t\xE9.mp4", "latin1 " + replacement + "t" + replacement + ".mp4"},
                          Case{"cut \xE2\x82", "cut " + replacement + replacement},
                          Case{"\xEF\xBF\xBF", replacement},
                          Case{"caf\xC3\xA9 \xF0\x9F\x9A\x97", "caf\xC3\xA9 \xF0\x9F\x9A\x97"}}) {
        std::ostringstream out;
        writeTelemetryGpx(track, c.name, out);
        EXPECT_NE(out.str().find("<name>" + c.shown + "</name>"), std::string::npos) << out.str();
    }
}

TEST(TelemetryExport, RmcTimesOfEveryWidthReachTheRouteButNotTheReadout)
{
    struct Case {
        const char* time;
        const char* expected;
    };
    for (const Case& c : {Case{"081005", "2023-06-15T08:10:05.000Z"}, Case{"081005.5", "2023-06-15T08:10:05.500Z"},
                          Case{"081005.25", "2023-06-15T08:10:05.250Z"}, Case{"081005.125", "2023-06-15T08:10:05.125Z"}}) {
        const std::string sentence = std::string("$GNRMC,") + c.time + ",A,,,,,1.0,0.0,150623,,,A*00";
        const std::optional<CalendarTime> time = rmcDateTime(sentence);
        ASSERT_TRUE(time) << c.time;
        EXPECT_EQ(formatUtc(*time), c.expected);

        TelemetryTrack track;
        track.appendSample(0, 0, 0, '0', recordText(sentence + "\r\n$GNGGA,1,3722.4400,N,12639.0,E,1,07,0.8*00\r\n"));
        std::ostringstream gpx;
        writeTelemetryGpx(track, "t", gpx);
        EXPECT_NE(gpx.str().find(std::string("<time>") + c.expected + "</time>"), std::string::npos) << gpx.str();
        // The readout keeps taking only hhmmss.sss.
        EXPECT_EQ(track.fixes()[0].utc.isZero(), std::string(c.time).size() != 10);
    }
    for (const char* bad : {"08100", "081005.", "081005.1234", "0810x5", "250000", "081005,5"})
        EXPECT_FALSE(rmcDateTime(std::string("$GNRMC,") + bad + ",A,,,,,1.0,0.0,150623,,,A*00")) << bad;
    EXPECT_FALSE(rmcDateTime("$GNRMC,081005,A,,,,,1.0,0.0,,,,A*00")); // no date
    EXPECT_FALSE(rmcDateTime("$GNGGA,081005,3722.4400,N,12639.0,E,1,07,0.8*00"));
}

TEST(TelemetryExport, PointsWithoutAValidFixAreMarkedOrLeftOut)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 0, '0',
                       recordText("$GNRMC,081005,A,,,,,10.0,0,150623,,,A*00\r\n$GNGGA,1,3722.4400,N,12639.0,E,1,07,0.8*00\r\n"));
    track.appendSample(0, 0, 0, '0', recordText("$GNRMC,081006,V,,,,,0,0,150623,,,N*00\r\n"));
    track.appendSample(0, 0, 0, '0', recordText("")); // the fix carried on, no time of its own
    std::ostringstream gpx;
    writeRouteGpx({&track}, "t", {}, gpx);
    const auto rows = lines(gpx.str());
    std::vector<std::string> points;
    for (const std::string& row : rows)
        if (row.find("<trkpt") != std::string::npos)
            points.push_back(row);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].find("<fix>"), std::string::npos);
    EXPECT_NE(points[1].find("<time>2023-06-15T08:10:06.000Z</time><fix>none</fix>"), std::string::npos);
    EXPECT_EQ(points[2].find("<time>"), std::string::npos);

    std::ostringstream validOnly;
    writeRouteGpx({&track}, "t", RouteOptions{true}, validOnly);
    EXPECT_EQ(validOnly.str().find("<trkpt"), validOnly.str().rfind("<trkpt"));
    EXPECT_EQ(validOnly.str().find("<fix>"), std::string::npos);
}

TEST(TelemetryExport, KmlLinesFollowTheSpeedBandsWithoutHoles)
{
    EXPECT_EQ(speedBand(0.0), 0);
    EXPECT_EQ(speedBand(19.9), 0);
    EXPECT_EQ(speedBand(20.0), 1);
    EXPECT_EQ(speedBand(500.0), kSpeedBands - 1);
    EXPECT_EQ(speedBand(-3.0), 0);

    // 5 knots (9 km/h) twice, then 30 knots (55 km/h) twice, then no fix.
    TelemetryTrack track;
    const auto add = [&](const char* knots, const char* lon, bool valid) {
        track.appendSample(0, 0, 0, '0',
                           recordText(std::string("$GNRMC,081005,") + (valid ? "A" : "V") + ",,,,," + knots
                                      + ",0,150623,,,A*00\r\n$GNGGA,1,3722.4400,N," + lon + ",E,1,07,0.8*00\r\n"));
    };
    add("5", "12639.0", true);
    add("5", "12639.6", true);
    add("30", "12640.2", true);
    add("30", "12640.8", true);
    add("30", "12641.4", false);
    TelemetryTrack second;
    std::ostringstream out;
    writeRouteKml({&track, &second}, "r&d", {}, out);
    const std::string kml = out.str();
    EXPECT_NE(kml.find("<name>r&amp;d</name>"), std::string::npos);
    const std::string slow = "<styleUrl>#speed0</styleUrl><LineString><tessellate>1</tessellate><coordinates>"
                             "126.650000,37.374000,0 126.660000,37.374000,0</coordinates>";
    const std::string fast = "<styleUrl>#speed2</styleUrl><LineString><tessellate>1</tessellate><coordinates>"
                             "126.660000,37.374000,0 126.670000,37.374000,0 126.680000,37.374000,0</coordinates>";
    EXPECT_NE(kml.find(slow), std::string::npos) << kml;
    EXPECT_NE(kml.find(fast), std::string::npos) << kml;
    EXPECT_NE(kml.find("<styleUrl>#nofix</styleUrl><TimeStamp><when>2023-06-15T08:10:05.000Z</when></TimeStamp>"
                       "<Point><coordinates>126.690000,37.374000,0"),
              std::string::npos);

    std::ostringstream validOnly;
    writeRouteKml({&track}, "r", RouteOptions{true}, validOnly);
    EXPECT_EQ(validOnly.str().find("nofix</styleUrl>"), std::string::npos);
}
