#include "views/gsensor_graph_model.h"
#include "views/readout.h"

#include "../telemetry/record_text.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

TelemetryTrack trackOf(int n, std::int32_t rawX = 0)
{
    TelemetryTrack track;
    for (int i = 0; i < n; ++i)
        track.appendSample(rawX, 0, 0, '9', recordText(""));
    return track;
}

} // namespace

TEST(GSensorGraphModel, SpreadsTheWholeRecordingOverThePlot)
{
    const TelemetryTrack track = trackOf(599, 256);
    GSensorGraphModel graph(track);
    graph.reset();
    EXPECT_EQ(graph.samplesPerPage(), 600);
    const auto x = graph.trace(GSensorGraphModel::Axis::X);
    ASSERT_EQ(x.size(), 600u);
    EXPECT_EQ(x[0].x, 20);
    EXPECT_EQ(x[0].y, 50);
    EXPECT_EQ(x[1].x, 20);
    EXPECT_EQ(x[1].y, 30); // 1.0 g is 20 pixels up
    EXPECT_EQ(x[11].x, 30);
    graph.setCurrentSample(300);
    EXPECT_EQ(graph.cursorX(), 320);
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::X), "X=+1.00");
}

TEST(GSensorGraphModel, EmptyAndSmallValues)
{
    const TelemetryTrack none = trackOf(0);
    GSensorGraphModel empty(none);
    empty.reset();
    EXPECT_EQ(empty.trace(GSensorGraphModel::Axis::Y).size(), 1u);
    EXPECT_EQ(empty.cursorX(), 20);
    EXPECT_EQ(empty.valueText(GSensorGraphModel::Axis::Z), "Z=+0.00");

    TelemetryTrack track;
    track.appendSample(static_cast<std::int32_t>(0.049 * 256), -128, -256, '9', recordText(""));
    GSensorGraphModel graph(track);
    graph.reset();
    EXPECT_EQ(graph.trace(GSensorGraphModel::Axis::X)[1].y, 50); // 0.98 px truncates to the zero line
    EXPECT_EQ(graph.trace(GSensorGraphModel::Axis::Y)[1].y, 60);
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::Z), "Z=-1.00");
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::Y), "Y=-0.50");
}

TEST(Readout, SpeedUnitFromTheSampleAndFixFromTheSeekBar)
{
    TelemetryTrack track;
    const std::string fix = "$GNRMC,1,A,,,,,10.0,,,,*00\n$GNGGA,1,3730.5,S,12639.0,E,1,07,0.8*00\n";
    track.appendSample(0, 0, 0, '9', recordText(fix));
    track.appendSample(0, 0, 0, '1', recordText(fix));
    track.appendSample(0, 0, 0, '1', recordText("$GNRMC,1,A,,,,,0.5,,,,*00\n"));

    EXPECT_FALSE(readoutTick(false, track, 2000, 0, 1));
    EXPECT_FALSE(readoutTick(true, track, 0, 0, 1));
    EXPECT_FALSE(readoutTick(true, track, 2000, 0, 0)); // the graph at sample 0

    const auto kmh = readoutTick(true, track, 2000, 0, 1);
    ASSERT_TRUE(kmh);
    EXPECT_EQ(kmh->speed, "18 Km/h");
    EXPECT_EQ(kmh->hdop, "0.8");
    EXPECT_EQ(kmh->satellites, "7");
    EXPECT_DOUBLE_EQ(*kmh->latitude, -3730.5);
    EXPECT_DOUBLE_EQ(*kmh->longitude, 12639.0);

    const auto mph = readoutTick(true, track, 2000, 0, 2);
    EXPECT_EQ(mph->speed, "11 Mi/h");
    const auto slow = readoutTick(true, track, 2000, 2000, 2);
    EXPECT_EQ(slow->speed, "0 Mi/h");
    EXPECT_EQ(startSpeedText(false), "0 Km/h");

    // The map's position while paused: the same fix, whatever the graph's cursor.
    const auto paused = mapPositionAt(track, 2000, 0);
    ASSERT_TRUE(paused);
    EXPECT_DOUBLE_EQ(paused->latitude, -3730.5);
    EXPECT_DOUBLE_EQ(paused->longitude, 12639.0);
    EXPECT_FALSE(mapPositionAt(track, 0, 0));
    EXPECT_FALSE(mapPositionAt(TelemetryTrack{}, 2000, 0));
}
