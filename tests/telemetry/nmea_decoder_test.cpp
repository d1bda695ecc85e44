#include "telemetry/gps_fix.h"
#include "telemetry/record_text_decoder.h"
#include "telemetry/telemetry_track.h"

#include "record_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include <cmath>
#include <random>
#include <span>

#include <string>
#include <vector>

using namespace dravonix;

namespace {

GpsFix decodeAll(std::initializer_list<std::string> sentences)
{
    GpsFix fix;
    for (const std::string& s : sentences)
        decodeSentence(s, fix);
    return fix;
}

const std::string kRmc = "$GPRMC,123519.000,A,4807.0380,N,01131.0000,E,22.4,84.4,230394,,,A*6A";

} // namespace

TEST(NmeaDecoder, RmcSetsTimeSpeedCourseAndValidButNoPosition)
{
    GpsFix fix;
    ASSERT_TRUE(decodeSentence(kRmc, fix));
    EXPECT_EQ(fix.utc, (CalendarTime{2094, 3, 0, 23, 12, 35, 19, 0}));
    EXPECT_DOUBLE_EQ(fix.speedKnots, 22.4);
    EXPECT_DOUBLE_EQ(fix.courseDegrees, 84.4);
    EXPECT_TRUE(fix.valid);
    EXPECT_EQ(fix.latitudeRaw, 0.0);
    EXPECT_FALSE(fix.hasPosition());
}

TEST(NmeaDecoder, RmcWithoutFractionalSecondsKeepsTheTime)
{
    GpsFix fix;
    fix.utc = CalendarTime{2023, 1, 0, 2, 3, 4, 5, 6};
    ASSERT_TRUE(decodeSentence("$GPRMC,123519,V,4807.0380,N,01131.0000,E,5.0,10.0,230394,,,A*6A", fix));
    EXPECT_EQ(fix.utc, (CalendarTime{2023, 1, 0, 2, 3, 4, 5, 6}));
    EXPECT_DOUBLE_EQ(fix.speedKnots, 5.0);
    EXPECT_FALSE(fix.valid);
}

TEST(NmeaDecoder, SentencesWithoutExactlyOneStarOrWithUnknownNamesAreIgnored)
{
    const char* ignored[] = {
        "$GPRMC,123519.000,A,4807.0380,N,01131.0000,E,22.4,84.4,230394,,,A",
        "$GPRMC,123519.000,A,4807.0380,N,01131.0000,E,22.4,84.4,230394*11*22",
        "$GPGSA,A,3,05,12,,,,,,,,,,,1.8,0.9,1.5*30",
        "$GPVTG,84.4,T,,M,22.4,N,41.5,K*4F",
        "$GPGSV,3,1,11,03,03,111,00*74",
        "$GPRMC,1*00", // RMC needs three fields
        "*",
        "",
    };
    for (const char* s : ignored) {
        GpsFix fix;
        EXPECT_FALSE(decodeSentence(s, fix)) << s;
        EXPECT_EQ(fix, GpsFix{}) << s;
    }
}

TEST(NmeaDecoder, EmptyChecksumStillCountsAsTheSecondPart)
{
    GpsFix fix;
    EXPECT_TRUE(decodeSentence("$GNRMC,,A,,,,,3.0,,,,*", fix));
    EXPECT_TRUE(fix.valid);
    EXPECT_DOUBLE_EQ(fix.speedKnots, 3.0);
}

TEST(NmeaDecoder, GgaSetsPositionAndOnlyTheCombinedNameSetsSatellites)
{
    GpsFix gp = decodeAll({"$GPGGA,123519,4807.038,S,01131.000,W,1,08,0.9,545.4,M,46.9,M,,*47"});
    EXPECT_DOUBLE_EQ(gp.latitudeRaw, 4807.038);
    EXPECT_EQ(gp.latitudeHemisphere, 'S');
    EXPECT_DOUBLE_EQ(gp.longitudeRaw, 1131.0);
    EXPECT_EQ(gp.longitudeHemisphere, 'W');
    EXPECT_EQ(gp.satellitesInUse, 0);
    EXPECT_DOUBLE_EQ(gp.hdop, 0.9);

    GpsFix gn = decodeAll({"$GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"});
    EXPECT_EQ(gn.satellitesInUse, 8);
}

TEST(NmeaDecoder, GgaWithEmptyFieldsKeepsThePreviousPosition)
{
    GpsFix fix = decodeAll({"$GNGGA,1,3722.44,N,12638.55,E,1,08,0.9*00", "$GNGGA,2,,,,,0,00,*00"});
    EXPECT_DOUBLE_EQ(fix.latitudeRaw, 3722.44);
    EXPECT_DOUBLE_EQ(fix.longitudeRaw, 12638.55);
    EXPECT_DOUBLE_EQ(fix.hdop, 0.9);
    EXPECT_EQ(fix.satellitesInUse, 0);
}

TEST(NmeaDecoder, GpsThenGlonassGsaAddUp)
{
    GpsFix fix = decodeAll({"$GNGSA,A,3,05,12,17,,,,,,,,,,1.8,0.9,1.5*00", "$GNGSA,A,3,70,71,,,,,,,,,,,1.8,0.9,1.5*00"});
    EXPECT_EQ(fix.gpsSatellites, 3);
    EXPECT_EQ(fix.glonassSatellites, 2);
    EXPECT_EQ(fix.satellitesInUse, 5);
    EXPECT_TRUE(fix.gsaSeen);

    // Once a GSA is seen, GGA no longer sets the count.
    decodeSentence("$GNGGA,1,3722.44,N,12638.55,E,1,09,0.7*00", fix);
    EXPECT_EQ(fix.satellitesInUse, 5);
    EXPECT_DOUBLE_EQ(fix.hdop, 0.7);
}

TEST(NmeaDecoder, GsaWithoutSatellitesZeroesTheCountOnlyWithoutAValidFix)
{
    GpsFix invalid = decodeAll({"$GNGGA,1,1,N,1,E,1,07,1*00", "$GNGSA,A,1,,,,,,,,,,,,,,,*00"});
    EXPECT_EQ(invalid.satellitesInUse, 0);

    GpsFix valid = decodeAll({"$GNRMC,1,A,,,,,,,,*00", "$GNGSA,A,3,05,06,,,,,,,,,,,,,*00", "$GNGSA,A,1,,,,,,,,,,,,,,,*00"});
    EXPECT_EQ(valid.satellitesInUse, 2);
}

TEST(NmeaDecoder, GsaSatelliteNumbersWrapAsBytes)
{
    // 256 is stored as 0, so it isn't counted and doesn't classify the sentence.
    GpsFix fix = decodeAll({"$GNGSA,A,3,256,12,,,,,,,,,,,,,*00"});
    EXPECT_EQ(fix.gpsSatellites, 0);
    GpsFix glonass = decodeAll({"$GNGSA,A,3,321,12,,,,,,,,,,,,,*00"}); // 321 & 0xff == 65
    EXPECT_EQ(glonass.glonassSatellites, 2);
}

TEST(NmeaDecoder, AfterGnsGgaAndGsaLeaveCountAndHdopAlone)
{
    GpsFix fix = decodeAll({"$GNGNS,1,3722.44,N,12638.55,E,AA,14,0.6*00"});
    EXPECT_TRUE(fix.gnsSeen);
    EXPECT_EQ(fix.satellitesInUse, 14);
    EXPECT_DOUBLE_EQ(fix.hdop, 0.6);

    decodeSentence("$GNGGA,2,3723.00,N,12639.00,E,1,09,0.9*00", fix);
    decodeSentence("$GNGSA,A,3,05,12,17,,,,,,,,,,1.8,0.9,1.5*00", fix);
    EXPECT_EQ(fix.satellitesInUse, 14);
    EXPECT_DOUBLE_EQ(fix.hdop, 0.6);
    EXPECT_DOUBLE_EQ(fix.latitudeRaw, 3723.0);
    EXPECT_TRUE(fix.gsaSeen);
    EXPECT_EQ(fix.gpsSatellites, 0);
}

TEST(NmeaDecoder, HostileFieldsDecodeWithoutHarm)
{
    GpsFix fix;
    const std::string longField(5000, '9');
    EXPECT_TRUE(decodeSentence("$GNGGA,1," + longField + ",N," + longField + ",E,1," + longField + ",1*00", fix));
    EXPECT_TRUE(std::isinf(fix.latitudeRaw));
    const std::string highBytes = "$GNRMC,\xC3\xA9,A,\xFF,\x80,,,\xFE" "1,,,*00";
    EXPECT_TRUE(decodeSentence(highBytes, fix));
    EXPECT_EQ(fix.speedKnots, 0.0);
    std::string manyFields = "$GNGSA";
    for (int i = 0; i < 500; ++i)
        manyFields += ",7";
    EXPECT_TRUE(decodeSentence(manyFields + "*00", fix));
    EXPECT_EQ(fix.gpsSatellites, 12);
}

TEST(NmeaConversions, SpeedsAreSinglePrecisionAndTruncated)
{
    EXPECT_EQ(truncatedSpeed(knotsToKmh(22.4)), 41); // 41.48
    EXPECT_EQ(truncatedSpeed(knotsToMph(22.4)), 25); // 25.77
    EXPECT_EQ(truncatedSpeed(knotsToKmh(-1.0)), -1);
    EXPECT_EQ(truncatedSpeed(knotsToKmh(1e300)), 9000000000000000000LL);
    EXPECT_EQ(truncatedSpeed(std::nanf("")), 0);
}

TEST(NmeaConversions, DegreeMinutesToSignedDegrees)
{
    EXPECT_NEAR(nmeaToDegrees(3730.5, 'S'), -37.508333, 1e-6);
    EXPECT_NEAR(nmeaToDegrees(12639.0, 'E'), 126.65, 1e-9);
    EXPECT_NEAR(nmeaToDegrees(3722.44, 'W'), -37.374, 1e-9);
    EXPECT_NEAR(nmeaToDegrees(3722.44, 'N'), 37.374, 1e-9);
}

TEST(NmeaDecoder, ARecordsTextDecodesAsItsSentencesOneByOne)
{
    // The one-pass record decoder against finding the sentences and decoding
    // each: texts made of real sentences cut, joined and sprinkled with the
    // characters that delimit them.
    const std::vector<std::string> parts{
        kRmc, "$GNGGA,123519,4807.0380,S,01131.0000,W,1,09,0.9*47", "$GNGSA,A,3,05,12,,,,,,,,,,,1.2,0.9,0.8*2D",
        "$GNGNS,123519,4807.0380,N,01131.0000,E,AA,11,0.7*00", "$GPGGA,,,,,,0,00,*66", "$GNRMC,0,V,,,,,,,,,*00",
        "$GPRMC,1*2*3", "$GX", "$", "*", ",", "\r\n", "\n", std::string(1, '\0'), "$GNRMC,235959.999,A",
        " +#\x01", "\xC3\xA9\xFF-."};
    std::mt19937 rng(7);
    GpsFix previous;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        while (text.size() < kNmeaTextSize) {
            std::string part = parts[rng() % parts.size()];
            if (rng() % 3 == 0)
                part.resize(rng() % (part.size() + 1));
            text += part;
        }
        text.resize(kNmeaTextSize);
        GpsFix expected;
        forEachSentence(std::span<const char>(text), [&](std::string_view s) { decodeSentence(s, expected); });
        GpsFix fix;
        decodeRecordText(std::span<const char>(text), fix);
        ASSERT_TRUE(fix == expected) << "text: " << text;

        // Trips read only validity, position and speed: the same, into the
        // running fix the previous text left.
        GpsFix motion = previous;
        decodeRecordText(std::span<const char>(text), motion, FixDetail::Motion);
        fix = previous;
        decodeRecordText(std::span<const char>(text), fix);
        previous = fix;
        const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
        ASSERT_EQ(motion.valid, fix.valid) << "text: " << text;
        ASSERT_EQ(bits(motion.latitudeRaw), bits(fix.latitudeRaw)) << "text: " << text;
        ASSERT_EQ(motion.latitudeHemisphere, fix.latitudeHemisphere) << "text: " << text;
        ASSERT_EQ(bits(motion.longitudeRaw), bits(fix.longitudeRaw)) << "text: " << text;
        ASSERT_EQ(motion.longitudeHemisphere, fix.longitudeHemisphere) << "text: " << text;
        ASSERT_EQ(bits(motion.speedKnots), bits(fix.speedKnots)) << "text: " << text;
    }
}

TEST(RecordTextDecoder, ATrackOfTextsDecodesAsEachTextOnItsOwn)
{
    // Each text a small change of the one before, as a receiver's seconds
    // are: mostly figures, now and then a delimiter, a name (to a kind
    // understood or not), a letter or a text's end, so texts of the same
    // shape and of new ones alternate.
    std::mt19937 rng(11);
    const std::string starts[] = {"$GNRMC,000100.000,A,3718.6000,N,12638.5592,E,32.4,0.0,150623,,,A*49\r\n"
                                  "$GNGGA,000100,3718.6000,N,12638.5592,E,1,09,0.9*63\r\n",
                                  "$GNGSA,A,3,05,12,,,,,,,,,,,1.2,0.9,0.8*2D\r\n"
                                  "$GNGNS,123519,4807.0380,N,01131.0000,E,AA,11,0.7*00\r\n$GPGGA,1,2,N,3,W*1\n",
                                  "$GNRMA,000100.000,A,3718.6000,N,12638.5592,E,32.4,0.0,150623,,,A*49\r\n"
                                  "$GNGSA,000100,3718.6000,N,12638.5592,E,1,09,0.9*63\r\n"};
    const std::string swaps = ",*$\r\n\0 +-.AVNSEWGRMCPQ0123456789";
    for (const FixDetail detail : {FixDetail::Full, FixDetail::Motion}) {
        RecordTextDecoder decoder(detail);
        GpsFix shaped, alone;
        std::array<char, kNmeaTextSize> text = recordText(starts[0]);
        for (int round = 0; round < 20000; ++round) {
            const auto change = rng() % 100;
            const std::size_t at = rng() % text.size();
            if (change < 55) { // a figure
                if (text[at] >= '0' && text[at] <= '9')
                    text[at] = static_cast<char>('0' + rng() % 10);
            } else if (change < 65) { // a letter of a name, to another kind or none
                if (const auto dollar = std::find(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), '$');
                    dollar + 6 <= text.end())
                    dollar[1 + rng() % 5] = "GNPRMCAS"[rng() % 8];
            } else if (change < 90) { // any byte to a delimiter, a letter or a figure
                text[at] = swaps[rng() % swaps.size()];
            } else if (change < 97) { // everything after shifts along
                std::copy_backward(text.begin() + static_cast<std::ptrdiff_t>(at), text.end() - 1, text.end());
                text[at] = swaps[rng() % swaps.size()];
            } else { // a fresh start
                text = recordText(starts[rng() % 3]);
            }
            decoder.decode(text, shaped);
            decodeRecordText(text, alone, detail);
            const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
            ASSERT_TRUE(shaped.utc == alone.utc && bits(shaped.latitudeRaw) == bits(alone.latitudeRaw)
                        && shaped.latitudeHemisphere == alone.latitudeHemisphere
                        && bits(shaped.longitudeRaw) == bits(alone.longitudeRaw)
                        && shaped.longitudeHemisphere == alone.longitudeHemisphere
                        && bits(shaped.speedKnots) == bits(alone.speedKnots)
                        && bits(shaped.courseDegrees) == bits(alone.courseDegrees) && shaped.valid == alone.valid
                        && shaped.satellitesInUse == alone.satellitesInUse
                        && shaped.gpsSatellites == alone.gpsSatellites
                        && shaped.glonassSatellites == alone.glonassSatellites && bits(shaped.hdop) == bits(alone.hdop)
                        && shaped.gnsSeen == alone.gnsSeen && shaped.gsaSeen == alone.gsaSeen)
                << "round " << round << ", text: " << std::string(text.data(), text.size());
        }
    }
}
