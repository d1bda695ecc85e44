#include "telemetry/telemetry_export.h"

#include "record_text.h"

#include <gtest/gtest.h>

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
