#include "config/field_rules.h"
#include "config/page_rules.h"
#include "config/settings_rules.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

std::optional<int> shown(const char* field, std::uint32_t stored, const DeviceConfig& config = DeviceConfig())
{
    const FieldRule* rule = fieldRule(field);
    return rule ? shownChoiceIndex(*rule, config, stored) : std::optional<int>(-99);
}

} // namespace

TEST(PageRules, StoredValuesSelectTheirButtonOrNone)
{
    // Columns: field, stored value, the button shown (none = nothing selected).
    const struct {
        const char* field;
        std::uint32_t stored;
        std::optional<int> button;
    } rows[] = {
        {"frontVideoQuality", 2, 2},   {"frontVideoQuality", 3, std::nullopt},
        {"parkingStandbySeconds", 0, 0}, {"parkingStandbySeconds", 420, 7}, {"parkingStandbySeconds", 45, std::nullopt},
        {"speedOnVideo", 1, 0},        {"speedOnVideo", 0, 1},             {"speedOnVideo", 9, 0}, // any nonzero is "On"
        {"gpsInParking", 1, 0},        {"gpsInParking", 0, 1},
        {"screenSaver", 0, 1},         {"screenSaver", 1, 0},              {"screenSaver", 2, 2},
        {"parkingNotice", 1, 0},       {"parkingNotice", 0, 1},
        {"nightExposure", 2, 2},       {"nightExposure", 7, 1},            // above 2 reads as medium
        {"cableVoltageLoss", 1, 0},    {"cableVoltageLoss", 7, 6},         {"cableVoltageLoss", 0, 3},
        {"timeZone", 28, 28},          {"timeZone", 40, std::nullopt},
        {"voiceLanguage", 17, 6},      {"voiceLanguage", 2, std::nullopt},
        {"wifiChannel", 13, 13},       {"wifiChannel", 14, std::nullopt},
        {"ldwsSpeed", 50, 3},          {"ldwsSpeed", 35, 1},               // no match: the first speed
        {"fcwsSpeed", 70, 3},          {"fcwsSpeed", 0, 0},
        {"cutOffVoltage", 11800, 2},   {"cutOffVoltage", 13000, 3},        // unlisted: "12.0v"
        {"cutOffTimer", 48, 5},        {"cutOffTimer", 20, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(shown(row.field, row.stored), row.button) << row.field << " = " << row.stored;
    EXPECT_EQ(wifiChannelText(0), "    0(Auto)");
    EXPECT_EQ(wifiChannelText(7), "    7");
    EXPECT_EQ(wifiChannelText(13), "   13");
    EXPECT_EQ(rearFrameRateCaption(0), "30fps");
    EXPECT_EQ(rearFrameRateCaption(1), "25fps");
}

TEST(PageRules, AdasSpeedsFollowTheUnitWithoutConvertingTheByte)
{
    DeviceConfig config;
    config.setSpeedUnit(1);
    const FieldRule& ldws = *fieldRule("ldwsSpeed");
    const FieldRule& fcws = *fieldRule("fcwsSpeed");
    EXPECT_EQ(shownChoiceIndex(ldws, config, 35), 1); // shows "20Mi/h" while the byte stays 35
    EXPECT_EQ(fieldChoices(ldws, config)[1].caption, "           20Mi/h");
    EXPECT_EQ(shownChoiceIndex(fcws, config, 30), 2);
    EXPECT_EQ(fieldChoices(fcws, config)[2].caption, "30Mi/h");
    EXPECT_EQ(shownChoiceIndex(fcws, config, 70), 1); // 70 km/h has no mph entry
    EXPECT_EQ(shownChoiceIndex(ldws, config, 50), 6);
    EXPECT_EQ(fieldChoices(ldws, config)[6].caption, "           50Mi/h");
}

TEST(PageRules, PipBoxesKeepOneTick)
{
    EXPECT_EQ(pipAfterClick(0, 2, false), 2u);
    EXPECT_EQ(pipAfterClick(2, 2, true), 2u); // clicking the ticked box keeps it
    EXPECT_EQ(pipTickedBox(3), 3);
    EXPECT_EQ(pipTickedBox(4), std::nullopt);
}

TEST(PageRules, ImpactAndPowerControls)
{
    EXPECT_TRUE(impactControls(1, 2).enabled);
    EXPECT_TRUE(impactControls(1, 2).readOnly);
    EXPECT_FALSE(impactControls(1, kCustomImpactLevel).readOnly);
    EXPECT_FALSE(impactControls(0, kCustomImpactLevel).enabled);
    EXPECT_TRUE(impactControls(7, 0).enabled); // ticked when nonzero
    EXPECT_TRUE(externalPowerTicked(1));
    EXPECT_FALSE(externalPowerTicked(2));
    EXPECT_EQ(toggledFlag(true), 0u);
    EXPECT_EQ(toggledFlag(false), 1u);
    EXPECT_EQ(highTempSafetyMessage(1), 246);
    EXPECT_EQ(highTempSafetyMessage(0), 248);
}

TEST(PageRules, SpinControlsHoldSignedSixteenBitValues)
{
    EXPECT_EQ(spinPositionShown(0xFFFFFFE2u, kTemperatureSpin), -30);
    EXPECT_EQ(spinPositionShown(97, kTemperatureSpin), 97);
    EXPECT_EQ(spinPositionShown(500, kTemperatureSpin), 97);       // clamped into the range
    EXPECT_EQ(spinPositionShown(0xFFFFFF00u, kTemperatureSpin), -30);
    EXPECT_EQ(spinPositionShown(20, kDurationSpin), 60);
    EXPECT_EQ(spinPositionStored(-30), 0xFFFFFFE2u);
    EXPECT_EQ(spinPositionStored(3600), 3600u);
    // What the control shows as read goes back unchanged, a moved one as its position.
    EXPECT_EQ(spinValueToStore(500, 97, kTemperatureSpin), 500u);
    EXPECT_EQ(spinValueToStore(500, 96, kTemperatureSpin), 96u);
    EXPECT_EQ(spinValueToStore(97, -5, kTemperatureSpin), 0xFFFFFFFBu);

    EXPECT_EQ(spinStep(kTemperatureSpin, 0), 1);
    EXPECT_EQ(spinStep(kTemperatureSpin, 1000), 10);
    EXPECT_EQ(spinStep(kTemperatureSpin, 2500), 30);
    EXPECT_EQ(spinStep(kTemperatureSpin, 9000), 30);
    EXPECT_EQ(spinStep(kDurationSpin, 2999), 30);
    EXPECT_EQ(spinStep(kDurationSpin, 3000), 100);
}

TEST(PageRules, ParkingModeRefreshAndMotionCells)
{
    DeviceConfig config;
    config.setParkingRecording(1);
    config.setNightVision(1);
    const ParkingModeControls refreshed = parkingModeShown(config);
    EXPECT_EQ(refreshed.recordingRadio, 1u);
    EXPECT_FALSE(refreshed.sensitivityEnabled);
    EXPECT_EQ(config.nightVision(), 1u); // a refresh changes nothing
    EXPECT_TRUE(sensitivityEnabledAfterClick(0));
    EXPECT_FALSE(sensitivityEnabledAfterClick(1));

    EXPECT_FALSE(motionCellEditable(true, 2));
    EXPECT_TRUE(motionCellEditable(true, 1));
    EXPECT_TRUE(motionCellEditable(false, 2));
    std::array<bool, 12> cells{};
    cells[5] = cells[6] = true; // the middle row's two middle cells
    EXPECT_EQ(motionMaskFromCells(cells), 0x60u);
    cells.fill(true);
    EXPECT_EQ(motionMaskFromCells(cells), 0xFFFu);
    cells.fill(false);
    cells[0] = true; // top left
    cells[11] = true; // bottom right
    EXPECT_EQ(motionMaskFromCells(cells), 0x108u); // bit 8 and bit 3
}

TEST(FieldRules, CheckTypedValuesAgainstThePagesTables)
{
    DeviceConfig config;
    std::string why;
    EXPECT_TRUE(valueAllowed(*fieldRule("frontVideoQuality"), config, 2, why));
    EXPECT_FALSE(valueAllowed(*fieldRule("frontVideoQuality"), config, 3, why));
    EXPECT_EQ(why, "must be one of 0 (Normal), 1 (High), 2 (Highest)");
    EXPECT_TRUE(valueAllowed(*fieldRule("ldwsSpeed"), config, 100, why));
    config.setSpeedUnit(1);
    EXPECT_FALSE(valueAllowed(*fieldRule("ldwsSpeed"), config, 100, why));
    EXPECT_NE(why.find("20 (20Mi/h)"), std::string::npos);
    EXPECT_NE(why.find("in mph"), std::string::npos);
    EXPECT_TRUE(valueAllowed(*fieldRule("highTempEntryTemperature"), config, -30, why));
    EXPECT_FALSE(valueAllowed(*fieldRule("highTempEntryTemperature"), config, -31, why));
    EXPECT_EQ(why, "must be from -30 to 97");
    EXPECT_FALSE(valueAllowed(*fieldRule("frontMotionArea"), config, 0x1000, why));
    EXPECT_TRUE(valueAllowed(*fieldRule("recordingMode"), config, 7, why)); // no page stores it
    EXPECT_FALSE(valueAllowed(*fieldRule("cableVoltageLoss"), config, 0, why)); // shown as 0.3v, never stored
    EXPECT_EQ(fieldRule("reserved32"), nullptr);
    EXPECT_EQ(fieldRule("magic"), nullptr);

    EXPECT_EQ(valueMeaning(*fieldRule("timeZone"), config, 14), "00:00");
    EXPECT_EQ(valueMeaning(*fieldRule("timeZone"), config, 28), "+09:00");
    EXPECT_EQ(valueMeaning(*fieldRule("timeZone"), config, 40), "(not a listed value)");
    EXPECT_EQ(valueMeaning(*fieldRule("cutOffVoltage"), config, 11800), "11.8v / 23.6v");
    EXPECT_EQ(valueMeaning(*fieldRule("highTempEntryTemperature"), config, 0xFFFFFFE2u), "-30");
    EXPECT_EQ(valueMeaning(*fieldRule("voiceLanguage"), config, 13), "Arabic");
    EXPECT_EQ(valueMeaning(*fieldRule("ldwsSpeed"), config, 55), "55Mi/h");
}

TEST(FieldRules, EveryPageFieldNamesARealFieldAndEveryChoiceFitsIt)
{
    for (const FieldRule& rule : fieldRules()) {
        const FieldInfo* info = findConfigField(rule.field);
        ASSERT_NE(info, nullptr) << rule.field;
        const std::uint64_t limit = info->kind == FieldKind::U8 ? 0xff : 0xffffffffu;
        for (const Choice& choice : rule.choices)
            EXPECT_LE(choice.value, limit) << rule.field;
        EXPECT_EQ(rule.kind == RuleKind::Text, info->kind == FieldKind::Text) << rule.field;
    }
}
