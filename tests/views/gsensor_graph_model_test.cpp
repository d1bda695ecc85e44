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

TEST(GSensorGraphModel, AWindowOfATripFollowsTheCursorAndStopsAtTheTripsEnds)
{
    const TelemetryTrack none;
    GSensorGraphModel graph(none);
    // A ten-minute trip, a sample a second, X rising by 0.01 g a second.
    std::vector<TimedAcceleration> samples;
    for (int s = 0; s < 600; ++s)
        samples.push_back({s * 1000LL, {static_cast<float>(s) / 100.0f, 0.0f, 1.0f}});
    graph.showWindow(samples, 600'000, {30'000, 95'000, 599'000});
    ASSERT_TRUE(graph.windowShown());

    // At the start the window can't centre the cursor: it starts at 0.
    graph.setCursorTime(10'000);
    EXPECT_EQ(graph.windowStart(), 0);
    EXPECT_EQ(graph.cursorX(), 20 + 100);
    const auto x = graph.trace(GSensorGraphModel::Axis::X);
    ASSERT_EQ(x.size(), 61u); // the samples from 0 to 60 s
    EXPECT_EQ(x.front().x, 20);
    EXPECT_EQ(x.back().x, 620);
    EXPECT_EQ(graph.markXs(), (std::vector<int>{20 + 300}));
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::X), "X=+0.10");

    // Mid-trip the cursor is in the middle, and the value is the sample at or before it.
    graph.setCursorTime(100'500);
    EXPECT_EQ(graph.windowStart(), 70'500);
    EXPECT_EQ(graph.cursorX(), 320);
    EXPECT_EQ(graph.markXs(), (std::vector<int>{20 + 245}));
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::X), "X=+1.00");

    // Near the end the window stops at the trip's end; beyond it, clamped.
    graph.setCursorTime(700'000);
    EXPECT_EQ(graph.cursorTime(), 600'000);
    EXPECT_EQ(graph.windowStart(), 540'000);
    EXPECT_EQ(graph.cursorX(), 620);
    EXPECT_EQ(graph.markXs(), (std::vector<int>{20 + 590}));

    // Back to the recording's own pages.
    graph.leaveWindow();
    EXPECT_FALSE(graph.windowShown());
    EXPECT_TRUE(graph.markXs().empty());
    EXPECT_EQ(graph.trace(GSensorGraphModel::Axis::X).size(), 1u); // just the origin: no samples
}

TEST(GSensorGraphModel, AWindowWithoutSamplesOrShorterThanTheWindowDrawsWhatThereIs)
{
    const TelemetryTrack none;
    GSensorGraphModel graph(none);
    graph.showWindow({}, 0, {});
    graph.setCursorTime(5000);
    EXPECT_EQ(graph.cursorTime(), 0);
    EXPECT_TRUE(graph.trace(GSensorGraphModel::Axis::Y).empty());
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::Y), "Y=+0.00");
    // A 20-second trip (no track in its first file) fills the plot: the samples sit past its middle.
    graph.showWindow({{12'000, {0, 0.5f, 0}}, {13'000, {0, 0.25f, 0}}}, 20'000, {});
    graph.setCursorTime(12'500);
    EXPECT_EQ(graph.windowStart(), 0);
    EXPECT_EQ(graph.cursorX(), 20 + 375);
    const auto y = graph.trace(GSensorGraphModel::Axis::Y);
    ASSERT_EQ(y.size(), 2u);
    EXPECT_EQ(y[0].x, 20 + 360);
    EXPECT_EQ(y[0].y, 40);
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::Y), "Y=+0.50");
    graph.setCursorTime(11'000); // before the first sample: no value yet
    EXPECT_EQ(graph.valueText(GSensorGraphModel::Axis::Y), "Y=+0.00");
}
