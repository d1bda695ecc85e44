#pragma once
// The value rules that the settings pages bind their controls to, and the
// checks that Save makes before it writes, as plain functions over the
// record. The pages only show what these return.

#include "config/device_config.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dravonix {

// Impact sensitivity: five fixed triples per mode, anything else is custom.
struct ImpactTriple {
    std::uint32_t x, y, z;
    friend bool operator==(const ImpactTriple&, const ImpactTriple&) = default;
};
inline constexpr int kCustomImpactLevel = 5;
enum class ImpactMode { Driving, Parking };
ImpactTriple impactLevelTriple(ImpactMode mode, int level); // level 0-4
ImpactTriple impactTriple(const DeviceConfig& config, ImpactMode mode);
int impactLevelOf(const DeviceConfig& config, ImpactMode mode); // 0-4, or 5 for custom
// A fixed level writes its triple at once; custom leaves the record alone.
void chooseImpactLevel(DeviceConfig& config, ImpactMode mode, int level);
std::string_view impactLevelLabel(int level);
std::string thresholdText(std::uint32_t hundredthsOfG); // 50 -> "0.50"

// Motion areas: 3 rows by 4 columns, row 0 on top, in the low 12 bits.
int motionAreaBit(int row, int column);
bool motionCellWatched(std::uint32_t mask, int row, int column);
std::uint32_t withMotionCell(std::uint32_t mask, int row, int column, bool watched);
// On refresh the rear area of 0 shows as the default.
std::uint32_t rearMotionAreaShown(std::uint32_t mask);

// ADAS speeds, stored as the speed itself in the unit of speedUnit (0 km/h, 1 mph).
std::span<const std::uint8_t> ldwsSpeeds(std::uint32_t unit); // 9 entries, 0 first
std::span<const std::uint8_t> fcwsSpeeds(std::uint32_t unit); // 5 entries, 0 first
int speedPosition(std::span<const std::uint8_t> table, std::uint8_t stored); // no match: 1
std::string ldwsListText(std::uint32_t unit, int index);
std::string fcwsCaption(std::uint32_t unit, int position); // positions 1-4

// GPS page.
std::span<const std::string_view> timeZoneTexts(); // 34 entries, the record keeps the index
// GPS in parking mode shows "On" only for 1; any value but 0 and 1 becomes 0.
bool normaliseGpsInParking(DeviceConfig& config);

// Audio page: the voice guidance buttons 3624-3644.
struct VoiceLanguageButton {
    int id;
    std::string_view caption;
    bool visible;
};
std::span<const VoiceLanguageButton> voiceLanguageButtons();
std::uint32_t voiceLanguageCode(int buttonId);
int voiceLanguageButton(std::uint32_t code);

// Basic page lists.
inline constexpr int kCutOffVoltageEntries = 6;
inline constexpr int kCutOffTimerEntries = 6;
std::string cutOffVoltageText(int index);
std::uint32_t cutOffVoltageValue(int index);   // an index without a row: 12000
int cutOffVoltageIndex(std::uint32_t value);   // a value not listed: index 3
std::string cutOffTimerText(int index);
std::uint32_t cutOffTimerValue(int index);     // an index without a row: 0
int cutOffTimerIndex(std::uint32_t value);     // a value not listed: index 0
std::uint32_t cableVoltageLossShown(std::uint32_t stored); // 0 shows as 4 ("0.3v")
std::string plateShown(const DeviceConfig& config);

// Parking Mode page: time-lapse switches night vision off, night vision
// switches parking recording back to motion detection with no radio shown.
struct ParkingModeView {
    std::optional<std::uint32_t> recordingRadio; // 0 motion detector, 1 time-lapse, none
    bool sensitivityEnabled;
};
ParkingModeView openParkingModePage(DeviceConfig& config);

// Additional page: the card split from the two slider thumbs.
struct CardShares {
    std::uint32_t always, event, parking;
};
CardShares sharesFromThumbs(int first, int second); // first <= second, 0-100
void applyShares(DeviceConfig& config, const CardShares& shares);
std::string shareLabel(int stringId, std::uint32_t share); // "%s %3d%%"
int shareReleaseMessage(const DeviceConfig& config);       // 305 or 245

// Save, steps 1 to 6: each failure names its string id and the message text.
struct SaveFailure {
    int messageId = 0; // 0 for checks this program adds beyond the camera's own
    std::string message;
    int field = -1;            // which of X, Y, Z failed
    ImpactMode mode = ImpactMode::Driving; // and in which group
    std::string rewrittenText; // what that box shows afterwards
};
struct SaveInputs {
    std::array<std::u16string, 3> drivingCustom; // read only when the driving level is custom
    std::array<std::u16string, 3> parkingCustom;
    std::u16string plate;
    std::u16string networkName;
    std::u16string password;
};
std::optional<SaveFailure> applyCustomThresholds(DeviceConfig& config, ImpactMode mode,
                                                 const std::array<std::u16string, 3>& texts);
std::optional<SaveFailure> applyPlate(DeviceConfig& config, std::u16string_view plate);
std::optional<SaveFailure> applyNetworkName(DeviceConfig& config, std::u16string_view name);
std::optional<SaveFailure> applyPassword(DeviceConfig& config, std::u16string_view password);
std::optional<SaveFailure> checkShares(const DeviceConfig& config);
// Runs the steps in order; fields applied before a failure stay applied.
std::optional<SaveFailure> applySaveSteps(DeviceConfig& config, int drivingLevel, int parkingLevel,
                                          const SaveInputs& inputs);

} // namespace dravonix
