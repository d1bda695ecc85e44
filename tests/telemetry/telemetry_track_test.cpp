#include "telemetry/telemetry_track.h"

#include "record_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dravonix;

namespace {


std::vector<std::string> sentencesOf(const std::string& s)
{
    std::vector<std::string> out;
    const auto t = recordText(s);
    forEachSentence(t, [&](std::string_view v) { out.emplace_back(v); });
    return out;
}

TelemetryTrack trackOf(int n)
{
    TelemetryTrack track;
    for (int i = 0; i < n; ++i)
        track.appendSample(0, 0, 256, '0', recordText(""));
    return track;
}

} // namespace

TEST(SentenceScanner, SplitsAtLineEndsAndZeroAndDropsUnterminatedText)
{
    EXPECT_EQ(sentencesOf("$GPRMC,a*00\r\n$GPGGA,b*00\r\n"),
              (std::vector<std::string>{"$GPRMC,a*00", "$GPGGA,b*00"}));
    EXPECT_EQ(sentencesOf("$GPRMC,a*00"), (std::vector<std::string>{"$GPRMC,a*00"})); // zero padding ends it
    EXPECT_TRUE(sentencesOf(std::string(128, 'x')).empty());
    EXPECT_TRUE(sentencesOf("$GPRMC" + std::string(122, ',')).empty()); // fills the record: never ended
    EXPECT_EQ(sentencesOf("junk$GNGGA,1*00\n$PMTK,2*00\n\n$G\n"), (std::vector<std::string>{"$GNGGA,1*00", "$G"}));
    EXPECT_EQ(sentencesOf("\xA4$GNRMC\xAA*00\r"), (std::vector<std::string>{"$GNRMC\xAA*00"}));
}

TEST(TelemetryTrack, AccelerationIsRawOver256AndTheUnitMarkerIsKept)
{
    TelemetryTrack track;
    track.appendSample(256, -128, 0, '1', recordText(""));
    ASSERT_EQ(track.sampleCount(), 1u);
    const TelemetrySample* s = track.sampleAt(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->accelX, 1.0f);
    EXPECT_EQ(s->accelY, -0.5f);
    EXPECT_EQ(s->accelZ, 0.0f);
    EXPECT_TRUE(s->usesMilesPerHour());
    track.appendSample(0, 0, 0, '9', recordText(""));
    EXPECT_FALSE(track.sampleAt(1)->usesMilesPerHour());
}

TEST(TelemetryTrack, EachSampleHoldsTheFixAfterAllItsSentences)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 0, '0', recordText("$GNRMC,010203.000,A,,,,,10.0,,010124,,*00\r\n$GNGGA,1,3722.0,N,12638.0,E,1,07,0.8*00\r\n"));
    track.appendSample(0, 0, 0, '0', recordText("nothing here"));
    track.appendSample(0, 0, 0, '0', recordText("$GNRMC,010205.000,A,,,,,20.0,,010124,,*00\r\n$GNGGA,1,3723.0,N,12639.0,E,1,08,0.7*00\r\n"));

    ASSERT_EQ(track.fixes().size(), 3u);
    EXPECT_DOUBLE_EQ(track.fixAt(0)->speedKnots, 10.0);
    EXPECT_DOUBLE_EQ(track.fixAt(0)->latitudeRaw, 3722.0);
    EXPECT_EQ(*track.fixAt(1), *track.fixAt(0)); // carried forward
    EXPECT_DOUBLE_EQ(track.fixAt(2)->speedKnots, 20.0);
    EXPECT_EQ(track.fixAt(2)->satellitesInUse, 8);
    EXPECT_EQ(track.fixAt(3), nullptr);
    EXPECT_EQ(track.fixAt(-1), nullptr);
}

TEST(TelemetryTrack, PositionMapsToSampleByProportion)
{
    const TelemetryTrack track = trackOf(61);
    EXPECT_EQ(track.sampleIndexAt(30000, 60000), 30);
    EXPECT_EQ(track.sampleIndexAt(60000, 60000), 60);
    EXPECT_EQ(track.sampleIndexAt(0, 60000), 0);
    EXPECT_EQ(track.sampleIndexAt(59999, 60000), 59);
    // A player can report a time a little past the length, or before 0.
    EXPECT_EQ(track.sampleIndexAt(61000, 60000), 60);
    EXPECT_EQ(track.sampleIndexAt(-5, 60000), 0);
}

TEST(TelemetryTrack, SpanAndLookupsOfTinyTracks)
{
    const TelemetryTrack one = trackOf(1);
    EXPECT_EQ(one.sampleSpan(), 1);
    EXPECT_EQ(one.sampleIndexAt(12345, 60000), 0);
    EXPECT_EQ(one.sampleIndexForSlider(60000, 60000), 0);

    const TelemetryTrack none = trackOf(0);
    EXPECT_EQ(none.sampleSpan(), 1);
    EXPECT_EQ(none.sampleIndexAt(100, 1000), 0);
    EXPECT_EQ(none.sampleAt(0), nullptr);

    const TelemetryTrack many = trackOf(3);
    EXPECT_EQ(many.sampleIndexForSlider(500, 1000), 1);
    EXPECT_EQ(many.sampleIndexAt(500, 0), 0); // no length yet
}

TEST(TelemetryTrack, ClearResetsTheRunningFixAndItsSeenFlags)
{
    TelemetryTrack track;
    track.appendSample(0, 0, 0, '0', recordText("$GNGNS,1,3722.0,N,12638.0,E,AA,14,0.6*00\n"));
    ASSERT_TRUE(track.current().gnsSeen);
    track.clear();
    EXPECT_EQ(track.sampleCount(), 0u);
    EXPECT_TRUE(track.fixes().empty());
    EXPECT_EQ(track.current(), GpsFix{});

    track.appendSample(0, 0, 0, '0', recordText("$GNGGA,1,3722.0,N,12638.0,E,1,09,0.9*00\n"));
    EXPECT_EQ(track.fixAt(0)->satellitesInUse, 9);
}
