#include "config/settings_rules.h"
#include "toolkit/text_format.h"

#include "resources/strings.h"
#include "toolkit/c_numbers.h"

#include <algorithm>
#include <cstdio>

namespace dravonix {
namespace {

constexpr std::array<ImpactTriple, 5> kDrivingLevels{{{70, 65, 65}, {60, 55, 55}, {50, 45, 45}, {40, 35, 35}, {30, 25, 25}}};
constexpr std::array<ImpactTriple, 5> kParkingLevels{{{25, 25, 25}, {20, 20, 20}, {15, 15, 15}, {12, 12, 12}, {8, 8, 8}}};

constexpr std::array<std::uint8_t, 9> kLdwsKmh{0, 30, 40, 50, 60, 70, 80, 90, 100};
constexpr std::array<std::uint8_t, 9> kLdwsMph{0, 20, 25, 30, 40, 45, 50, 55, 60};
constexpr std::array<std::uint8_t, 5> kFcwsKmh{0, 30, 50, 70, 90};
constexpr std::array<std::uint8_t, 5> kFcwsMph{0, 20, 30, 45, 55};

constexpr std::array<std::string_view, 34> kTimeZones{
    "-12:00", "-11:00", "-10:00", "-09:00", "-08:00", "-07:00", "-06:00", "-05:00", "-04:30",
    "-04:00", "-03:30", "-03:00", "-02:00", "-01:00", " 00:00", "+01:00", "+02:00", "+03:00",
    "+03:30", "+04:00", "+04:30", "+05:00", "+05:30", "+05:45", "+06:00", "+06:30", "+07:00",
    "+08:00", "+09:00", "+09:30", "+10:00", "+11:00", "+12:00", "+13:00"};

constexpr std::array<VoiceLanguageButton, 21> kVoiceButtons{{
    {3624, "Korean", true},          {3625, "English", true},
    {3626, "French", false},         {3627, "Spanish(Europe)", false},
    {3628, "Arabic", false},         {3629, "Chinese", true},
    {3630, "Russian", false},        {3631, "Japanese", true},
    {3632, "Thai", false},           {3633, "Bahasa Indonesia", false},
    {3634, "Vietnamese", false},     {3635, "Mongolian", false},
    {3636, "Spanish(South America)", false}, {3637, "German", true},
    {3638, "Turkish", true},         {3639, "Italian", false},
    {3640, "Hindi", false},          {3641, "Cantonese", true},
    {3642, "Czech", false},          {3643, "Portuguese", false},
    {3644, "Malaysia", false},
}};

// The codes the camera knows; every other button stores English's code.
constexpr std::array<std::pair<int, std::uint32_t>, 7> kVoiceCodes{
    {{3624, 0}, {3625, 1}, {3626, 5}, {3627, 7}, {3628, 13}, {3629, 14}, {3630, 17}}};

constexpr std::array<std::uint32_t, kCutOffVoltageEntries> kCutOffVoltages{0, 1, 11800, 12000, 12200, 12400};
constexpr std::array<std::uint32_t, kCutOffTimerEntries> kCutOffTimers{0, 3, 6, 12, 24, 48};


std::size_t thresholdOffset(ImpactMode mode) { return mode == ImpactMode::Driving ? 88 : 104; }

bool printable(char16_t c) { return c >= 0x21 && c <= 0x7e; }

std::string toLatin1(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += static_cast<char>(c <= 0xff ? c : '?');
    return out;
}

SaveFailure failure(int id) { return SaveFailure{id, std::string(englishString(id)), -1, ImpactMode::Driving, {}}; }

std::optional<SaveFailure> applyAccessPointText(DeviceConfig& config, std::size_t offset, std::u16string_view text,
                                                std::size_t minimum, int tooShortId, int badCharacterId)
{
    if (text.size() < minimum)
        return failure(tooShortId);
    for (char16_t c : text)
        if (!printable(c))
            return failure(badCharacterId);
    // The camera needs a terminator in the 16 bytes; its edit box stops at 15.
    if (text.size() > 15)
        return SaveFailure{0, "at most 15 characters fit", -1, ImpactMode::Driving, {}};
    config.setText(offset, 16, toLatin1(text));
    return std::nullopt;
}

} // namespace

ImpactTriple impactLevelTriple(ImpactMode mode, int level)
{
    return (mode == ImpactMode::Driving ? kDrivingLevels : kParkingLevels).at(static_cast<std::size_t>(level));
}

ImpactTriple impactTriple(const DeviceConfig& config, ImpactMode mode)
{
    const std::size_t at = thresholdOffset(mode);
    return {config.u32(at), config.u32(at + 4), config.u32(at + 8)};
}

int impactLevelOf(const DeviceConfig& config, ImpactMode mode)
{
    const ImpactTriple stored = impactTriple(config, mode);
    for (int level = 0; level < kCustomImpactLevel; ++level)
        if (impactLevelTriple(mode, level) == stored)
            return level;
    return kCustomImpactLevel;
}

void chooseImpactLevel(DeviceConfig& config, ImpactMode mode, int level)
{
    if (level < 0 || level >= kCustomImpactLevel)
        return;
    const ImpactTriple t = impactLevelTriple(mode, level);
    const std::size_t at = thresholdOffset(mode);
    config.setU32(at, t.x);
    config.setU32(at + 4, t.y);
    config.setU32(at + 8, t.z);
}

std::string_view impactLevelLabel(int level)
{
    constexpr std::array<std::string_view, 6> labels{"1(Insensitive)", "2", "3", "4", "5(Sensitive)", "Customize"};
    return labels.at(static_cast<std::size_t>(level));
}

std::string thresholdText(std::uint32_t hundredthsOfG) { return formatText("%.2f", hundredthsOfG / 100.0); }

int motionAreaBit(int row, int column) { return 4 * (2 - row) + column; }

bool motionCellWatched(std::uint32_t mask, int row, int column) { return (mask >> motionAreaBit(row, column)) & 1u; }

std::uint32_t withMotionCell(std::uint32_t mask, int row, int column, bool watched)
{
    const std::uint32_t bit = 1u << motionAreaBit(row, column);
    return (watched ? (mask | bit) : (mask & ~bit)) & 0xfffu;
}

std::uint32_t rearMotionAreaShown(std::uint32_t mask) { return mask == 0 ? 0x60 : mask; }

std::span<const std::uint8_t> ldwsSpeeds(std::uint32_t unit) { return unit == 1 ? kLdwsMph : kLdwsKmh; }

std::span<const std::uint8_t> fcwsSpeeds(std::uint32_t unit) { return unit == 1 ? kFcwsMph : kFcwsKmh; }

int speedPosition(std::span<const std::uint8_t> table, std::uint8_t stored)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i] == stored)
            return static_cast<int>(i);
    return 1;
}

std::string ldwsListText(std::uint32_t unit, int index)
{
    if (index == 0)
        return std::string(englishString(342));
    // 17 characters: the speed right-aligned before its unit.
    return formatText("%13d%s", ldwsSpeeds(unit)[static_cast<std::size_t>(index)], unit == 1 ? "Mi/h" : "km/h");
}

std::string fcwsCaption(std::uint32_t unit, int position)
{
    return formatText("%d%s", fcwsSpeeds(unit)[static_cast<std::size_t>(position)], unit == 1 ? "Mi/h" : "Km/h");
}

std::span<const std::string_view> timeZoneTexts() { return kTimeZones; }

bool normaliseGpsInParking(DeviceConfig& config)
{
    if (config.gpsInParking() > 1)
        config.setGpsInParking(0);
    return config.gpsInParking() == 1;
}

std::span<const VoiceLanguageButton> voiceLanguageButtons() { return kVoiceButtons; }

std::uint32_t voiceLanguageCode(int buttonId)
{
    for (const auto& [id, code] : kVoiceCodes)
        if (id == buttonId)
            return code;
    return 1;
}

int voiceLanguageButton(std::uint32_t code)
{
    for (const auto& [id, known] : kVoiceCodes)
        if (known == code)
            return id;
    return 3625;
}

std::string cutOffVoltageText(int index)
{
    constexpr std::array<std::string_view, 4> volts{"   11.8v / 23.6v", "   12.0v / 24.0v", "   12.2v / 24.4v",
                                                    "   12.4v / 24.8v"};
    if (index == 0)
        return std::string(englishString(342));
    if (index == 1)
        return std::string(englishString(349));
    return std::string(volts.at(static_cast<std::size_t>(index - 2)));
}

std::uint32_t cutOffVoltageValue(int index)
{
    return index >= 0 && index < kCutOffVoltageEntries ? kCutOffVoltages[static_cast<std::size_t>(index)] : 12000;
}

int cutOffVoltageIndex(std::uint32_t value)
{
    for (int i = 0; i < kCutOffVoltageEntries; ++i)
        if (kCutOffVoltages[static_cast<std::size_t>(i)] == value)
            return i;
    return 3;
}

std::string cutOffTimerText(int index) { return std::string(englishString(343 + index)); }

std::uint32_t cutOffTimerValue(int index)
{
    return index >= 0 && index < kCutOffTimerEntries ? kCutOffTimers[static_cast<std::size_t>(index)] : 0;
}

int cutOffTimerIndex(std::uint32_t value)
{
    for (int i = 0; i < kCutOffTimerEntries; ++i)
        if (kCutOffTimers[static_cast<std::size_t>(i)] == value)
            return i;
    return 0;
}

std::uint32_t cableVoltageLossShown(std::uint32_t stored) { return stored == 0 ? 4 : stored; }

std::string plateShown(const DeviceConfig& config)
{
    if (config.plateText()[0] != 0)
        return config.text(256, 8);
    const std::uint32_t number = config.plateNumber();
    if (number >= 1 && number <= 9999)
        return formatText("%04u", number);
    return {};
}

ParkingModeView openParkingModePage(DeviceConfig& config)
{
    if (config.parkingRecording() == 1)
        config.setNightVision(0);
    ParkingModeView view{};
    if (config.nightVision() == 1) {
        config.setParkingRecording(0);
        view.recordingRadio = std::nullopt;
    } else {
        view.recordingRadio = config.parkingRecording();
    }
    view.sensitivityEnabled = config.parkingRecording() == 0 && config.nightVision() == 0;
    return view;
}

CardShares sharesFromThumbs(int first, int second)
{
    const auto p1 = static_cast<std::uint32_t>(std::clamp(first, 0, 100));
    const auto p2 = static_cast<std::uint32_t>(std::clamp(second, first, 100));
    return {p1, 100 - p2, p2 - p1};
}

void applyShares(DeviceConfig& config, const CardShares& shares)
{
    config.setShareAlways(shares.always);
    config.setShareEvent(shares.event);
    config.setShareParking(shares.parking);
}

std::string shareLabel(int stringId, std::uint32_t share)
{
    return formatText("%s %3d%%", std::string(englishString(stringId)).c_str(), share);
}

int shareReleaseMessage(const DeviceConfig& config) { return checkShares(config) ? 305 : 245; }

std::optional<SaveFailure> applyCustomThresholds(DeviceConfig& config, ImpactMode mode,
                                                 const std::array<std::u16string, 3>& texts)
{
    std::array<double, 3> values{};
    for (int i = 0; i < 3; ++i) {
        values[static_cast<std::size_t>(i)] = cAtof(toLatin1(texts[static_cast<std::size_t>(i)].substr(0, 32)));
        const double v = values[static_cast<std::size_t>(i)];
        if (!(v >= 0.05 && v <= 1.5)) {
            SaveFailure f = failure(230);
            f.message = formatText(std::string(englishString(230)).c_str(), 0.05, 1.5);
            f.field = i;
            f.mode = mode;
            f.rewrittenText = formatText("%.2f", v);
            return f;
        }
    }
    const std::size_t at = thresholdOffset(mode);
    for (std::size_t i = 0; i < 3; ++i)
        config.setU32(at + 4 * i, static_cast<std::uint32_t>(values[i] * 100.0));
    return std::nullopt;
}

std::optional<SaveFailure> applyPlate(DeviceConfig& config, std::u16string_view plate)
{
    if (plate.empty()) {
        config.setPlateText("");
        config.setPlatePresent(0);
        config.setPlateNumber(0);
        return std::nullopt;
    }
    for (char16_t c : plate) {
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
        if (!alnum)
            return failure(231);
    }
    // The box holds 8 characters; a longer plate is refused, never cut.
    if (plate.size() > 8)
        return SaveFailure{0, "at most 8 characters fit", -1, ImpactMode::Driving, {}};
    config.setPlateText(toLatin1(plate));
    config.setPlatePresent(1);
    return std::nullopt;
}

std::optional<SaveFailure> applyNetworkName(DeviceConfig& config, std::u16string_view name)
{
    return applyAccessPointText(config, 356, name, 5, 356, 358);
}

std::optional<SaveFailure> applyPassword(DeviceConfig& config, std::u16string_view password)
{
    return applyAccessPointText(config, 372, password, 8, 357, 359);
}

std::optional<SaveFailure> checkShares(const DeviceConfig& config)
{
    if (config.shareAlways() < 10 || config.shareEvent() < 10 || config.shareParking() < 10)
        return failure(305);
    return std::nullopt;
}

std::optional<SaveFailure> applySaveSteps(DeviceConfig& config, int drivingLevel, int parkingLevel,
                                          const SaveInputs& inputs)
{
    if (drivingLevel == kCustomImpactLevel)
        if (auto f = applyCustomThresholds(config, ImpactMode::Driving, inputs.drivingCustom))
            return f;
    if (parkingLevel == kCustomImpactLevel)
        if (auto f = applyCustomThresholds(config, ImpactMode::Parking, inputs.parkingCustom))
            return f;
    if (auto f = applyPlate(config, inputs.plate))
        return f;
    if (auto f = applyNetworkName(config, inputs.networkName))
        return f;
    if (auto f = applyPassword(config, inputs.password))
        return f;
    return checkShares(config);
}

} // namespace dravonix
