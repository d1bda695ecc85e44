#include "config/settings_rules.h"

#include <gtest/gtest.h>

using namespace dravonix;

TEST(ImpactLevels, FixedTriplesAndCustomDetection)
{
    DeviceConfig config;
    EXPECT_EQ(impactLevelOf(config, ImpactMode::Driving), 2);
    EXPECT_EQ(impactLevelOf(config, ImpactMode::Parking), 4);
    chooseImpactLevel(config, ImpactMode::Driving, 3);
    EXPECT_EQ(impactTriple(config, ImpactMode::Driving), (ImpactTriple{40, 35, 35}));
    chooseImpactLevel(config, ImpactMode::Parking, 0);
    EXPECT_EQ(impactTriple(config, ImpactMode::Parking), (ImpactTriple{25, 25, 25}));
    chooseImpactLevel(config, ImpactMode::Driving, kCustomImpactLevel); // leaves the numbers
    EXPECT_EQ(impactTriple(config, ImpactMode::Driving), (ImpactTriple{40, 35, 35}));
    config.setDrivingImpactZ(44);
    config.setDrivingImpactX(50);
    config.setDrivingImpactY(45);
    EXPECT_EQ(impactLevelOf(config, ImpactMode::Driving), kCustomImpactLevel);
    EXPECT_EQ(thresholdText(config.drivingImpactZ()), "0.44");
    EXPECT_EQ(impactLevelLabel(0), "1(Insensitive)");
    EXPECT_EQ(impactLevelLabel(5), "Customize");
}

TEST(MotionArea, RowsFromTheTopHoldTheHighBits)
{
    EXPECT_EQ(motionAreaBit(0, 0), 8);
    EXPECT_EQ(motionAreaBit(1, 1), 5);
    EXPECT_EQ(motionAreaBit(2, 3), 3);
    EXPECT_TRUE(motionCellWatched(0x60, 1, 1));
    EXPECT_TRUE(motionCellWatched(0x60, 1, 2));
    EXPECT_FALSE(motionCellWatched(0x60, 1, 0));
    std::uint32_t mask = 0xF000'0000;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            mask = withMotionCell(mask, row, column, true);
    EXPECT_EQ(mask, 0xFFFu);
    EXPECT_EQ(withMotionCell(0x60, 1, 1, false), 0x40u);
    EXPECT_EQ(rearMotionAreaShown(0), 0x60u);
    EXPECT_EQ(rearMotionAreaShown(0x801), 0x801u);
}

TEST(AdasSpeeds, LookupsFollowTheUnitAndFallBackToTheFirstSpeed)
{
    EXPECT_EQ(speedPosition(ldwsSpeeds(0), 50), 3);
    EXPECT_EQ(speedPosition(ldwsSpeeds(1), 50), 6); // the byte stays 50, read as mph
    EXPECT_EQ(speedPosition(ldwsSpeeds(1), 35), 1);
    EXPECT_EQ(speedPosition(fcwsSpeeds(1), 30), 2);
    EXPECT_EQ(speedPosition(fcwsSpeeds(1), 70), 1);
    EXPECT_EQ(speedPosition(fcwsSpeeds(0), 0), 0);
    EXPECT_EQ(ldwsListText(0, 0), "          Not Use");
    EXPECT_EQ(ldwsListText(0, 1), "           30km/h");
    EXPECT_EQ(ldwsListText(0, 8), "          100km/h");
    EXPECT_EQ(ldwsListText(1, 6), "           50Mi/h");
    EXPECT_EQ(fcwsCaption(0, 3), "70Km/h");
    EXPECT_EQ(fcwsCaption(1, 4), "55Mi/h");
}

TEST(PageLists, TimeZonesLanguagesAndPowerLists)
{
    ASSERT_EQ(timeZoneTexts().size(), 34u);
    EXPECT_EQ(timeZoneTexts()[14], " 00:00");
    EXPECT_EQ(timeZoneTexts()[28], "+09:00");
    EXPECT_EQ(timeZoneTexts()[23], "+05:45");

    EXPECT_EQ(voiceLanguageCode(3624), 0u);
    EXPECT_EQ(voiceLanguageCode(3630), 17u);
    EXPECT_EQ(voiceLanguageCode(3631), 1u); // Japanese has no code of its own
    EXPECT_EQ(voiceLanguageButton(14), 3629);
    EXPECT_EQ(voiceLanguageButton(2), 3625);
    EXPECT_EQ(voiceLanguageButtons().size(), 21u);

    EXPECT_EQ(cutOffVoltageText(0), "          Not Use");
    EXPECT_EQ(cutOffVoltageText(1), "             Auto");
    EXPECT_EQ(cutOffVoltageText(5), "   12.4v / 24.8v");
    EXPECT_EQ(cutOffVoltageIndex(12200), 4);
    EXPECT_EQ(cutOffVoltageIndex(13000), 3);
    EXPECT_EQ(cutOffVoltageValue(9), 12000u);
    EXPECT_EQ(cutOffTimerText(3), "  12Hour");
    EXPECT_EQ(cutOffTimerIndex(20), 0);
    EXPECT_EQ(cutOffTimerValue(5), 48u);
    EXPECT_EQ(cableVoltageLossShown(0), 4u);
    EXPECT_EQ(cableVoltageLossShown(7), 7u);
}

TEST(PageRules, GpsParkingPlateAndParkingMode)
{
    DeviceConfig config;
    config.setGpsInParking(7);
    EXPECT_FALSE(normaliseGpsInParking(config));
    EXPECT_EQ(config.gpsInParking(), 0u);
    config.setGpsInParking(1);
    EXPECT_TRUE(normaliseGpsInParking(config));

    EXPECT_EQ(plateShown(config), "Dravonix");
    config.setPlateText("");
    config.setPlateNumber(42);
    EXPECT_EQ(plateShown(config), "0042");
    config.setPlateNumber(10000);
    EXPECT_EQ(plateShown(config), "");

    config.setParkingRecording(1);
    config.setNightVision(1);
    ParkingModeView view = openParkingModePage(config);
    EXPECT_EQ(config.nightVision(), 0u); // time-lapse wins
    EXPECT_EQ(view.recordingRadio, 1u);
    EXPECT_FALSE(view.sensitivityEnabled);

    config.setParkingRecording(0);
    config.setNightVision(1);
    view = openParkingModePage(config);
    EXPECT_EQ(view.recordingRadio, std::nullopt);
    EXPECT_FALSE(view.sensitivityEnabled);
    config.setNightVision(0);
    EXPECT_TRUE(openParkingModePage(config).sensitivityEnabled);
}

TEST(CardShares, ThumbsSplitTheCardAndReleaseMessages)
{
    DeviceConfig config;
    applyShares(config, sharesFromThumbs(70, 90));
    EXPECT_EQ(config.shareAlways(), 70u);
    EXPECT_EQ(config.shareParking(), 20u);
    EXPECT_EQ(config.shareEvent(), 10u);
    applyShares(config, sharesFromThumbs(70, 95));
    EXPECT_EQ(config.shareParking(), 25u);
    EXPECT_EQ(config.shareEvent(), 5u);
    EXPECT_EQ(shareReleaseMessage(config), 305);
    applyShares(config, sharesFromThumbs(40, 80));
    EXPECT_EQ(shareReleaseMessage(config), 245);
    EXPECT_EQ(shareLabel(302, 70), "Always :   70%");
    EXPECT_EQ(shareLabel(304, 5), "Park :    5%");
}

TEST(SaveSteps, CustomThresholdsAreRangeCheckedAndTruncated)
{
    DeviceConfig config;
    const auto apply = [&](std::u16string x) {
        return applyCustomThresholds(config, ImpactMode::Driving, {x, u"0.50", u"0.50"});
    };
    EXPECT_FALSE(apply(u"1.5"));
    EXPECT_FALSE(apply(u"0.05"));
    EXPECT_EQ(config.drivingImpactX(), 5u);
    const auto high = apply(u"1.51");
    ASSERT_TRUE(high);
    EXPECT_EQ(high->messageId, 230);
    EXPECT_EQ(high->message, "G-Sensor value has exceeded effective range.(0.05-1.50)");
    EXPECT_EQ(high->rewrittenText, "1.51");
    EXPECT_EQ(config.drivingImpactX(), 5u); // nothing stored on failure
    const auto letters = apply(u"abc");
    ASSERT_TRUE(letters);
    EXPECT_EQ(letters->rewrittenText, "0.00");
    EXPECT_EQ(letters->field, 0);
    EXPECT_TRUE(apply(u"0.04"));
    EXPECT_FALSE(apply(u"0.29"));
    EXPECT_EQ(config.drivingImpactX(), 28u);
    const auto badZ = applyCustomThresholds(config, ImpactMode::Parking, {u"0.5", u"0.5", u"2"});
    ASSERT_TRUE(badZ);
    EXPECT_EQ(badZ->field, 2);
}

TEST(SaveSteps, PlateNetworkNameAndPassword)
{
    DeviceConfig config;
    EXPECT_EQ(applyPlate(config, u"12 AB")->messageId, 231);
    EXPECT_EQ(applyPlate(config, u"12-AB")->messageId, 231);
    EXPECT_EQ(applyPlate(config, u"\u00e912")->messageId, 231);
    EXPECT_FALSE(applyPlate(config, u"12ab34"));
    EXPECT_EQ(config.text(256, 8), "12ab34");
    // Nine characters do not fit the box: refused, not cut to eight.
    EXPECT_EQ(applyPlate(config, u"123456789")->message, "at most 8 characters fit");
    EXPECT_EQ(config.text(256, 8), "12ab34");
    EXPECT_FALSE(applyPlate(config, u"12345678"));
    EXPECT_EQ(config.platePresent(), 1u);
    config.setPlateNumber(7);
    EXPECT_FALSE(applyPlate(config, u""));
    EXPECT_EQ(config.plateText()[0], 0);
    EXPECT_EQ(config.platePresent(), 0u);
    EXPECT_EQ(config.plateNumber(), 0u);

    EXPECT_FALSE(applyNetworkName(config, u"abcde"));
    EXPECT_EQ(config.text(356, 16), "abcde");
    EXPECT_EQ(applyNetworkName(config, u"abcd")->messageId, 356);
    EXPECT_EQ(applyNetworkName(config, u"my car")->messageId, 358);
    EXPECT_EQ(applyNetworkName(config, u"0123456789abcdef")->messageId, 0); // needs its terminator
    EXPECT_EQ(applyPassword(config, u"a b")->messageId, 357);                 // length first
    EXPECT_EQ(applyPassword(config, u"abcd efgh")->messageId, 359);
    EXPECT_FALSE(applyPassword(config, u"!secret~pass"));
    EXPECT_EQ(config.text(372, 16), "!secret~pass");
    EXPECT_EQ(config.wifiPassword()[15], 0);
}

TEST(SaveSteps, RunInOrderAndKeepWhatWasApplied)
{
    DeviceConfig config;
    SaveInputs in;
    in.plate = u"77GA1234";
    in.networkName = u"bad name";
    in.password = u"12345678";
    const auto failure = applySaveSteps(config, 2, 4, in);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->messageId, 358);
    EXPECT_EQ(config.text(256, 8), "77GA1234"); // the plate before it stays applied

    in.networkName = u"Dashcam";
    config.setShareEvent(5);
    EXPECT_EQ(applySaveSteps(config, 2, 4, in)->messageId, 305);
    config.setShareEvent(10);
    EXPECT_FALSE(applySaveSteps(config, 2, 4, in));

    // Thresholds are only read when their level is custom.
    in.drivingCustom = {u"x", u"y", u"z"};
    EXPECT_FALSE(applySaveSteps(config, 2, 4, in));
    EXPECT_EQ(applySaveSteps(config, kCustomImpactLevel, 4, in)->messageId, 230);
}
