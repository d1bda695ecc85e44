#pragma once
// The smaller rules of the settings pages: how a stored value reads on a
// control, what a click stores, which controls a value enables. Plain
// functions over numbers and the record; the pages only apply them.

#include "config/device_config.h"
#include "config/settings_rules.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace dravonix {

// A check box whose value the page flips itself: ticked becomes 0, else 1.
inline std::uint32_t toggledFlag(bool wasTicked) { return wasTicked ? 0u : 1u; }

// GPS page: the speed on the video reads "On" for any value but 0.
std::uint32_t speedOnVideoShown(std::uint32_t stored);
// Additional page (hidden): a night exposure above 2 reads as 1.
std::uint32_t nightExposureShown(std::uint32_t stored);
// Wi-Fi channel list entries: "    0(Auto)", "    1" ... "   13".
inline constexpr int kWifiChannels = 14;
std::string wifiChannelText(int channel);
// Video page (hidden): the first rear frame rate follows the mains frequency.
std::string rearFrameRateCaption(std::uint32_t mainsFrequency); // "30fps" at 60 Hz, "25fps" at 50 Hz

// PIP position (hidden): four boxes kept to one tick. A click on an unticked
// box stores its number; a click on the ticked one changes nothing.
inline constexpr int kPipBoxes = 4;
std::uint32_t pipAfterClick(std::uint32_t stored, int box, bool boxWasTicked);
std::optional<int> pipTickedBox(std::uint32_t stored);

// Basic page: the impact groups' controls.
struct ImpactControls {
    bool enabled;  // radios and boxes; off with the G-sensor
    bool readOnly; // the X, Y, Z boxes, writable only for "Customize"
};
ImpactControls impactControls(std::uint32_t sensorEnabled, int level);
// "Use External Power" ticks for 1 only; the voltage and timer lists work without it.
bool externalPowerTicked(std::uint32_t stored);
// The string the hidden high-temperature box shows after a click.
int highTempSafetyMessage(std::uint32_t newValue); // 246 on, 248 off

// The high-temperature spin controls: the word holds a signed value, the
// control a position in its range, and Save collects the position as a
// signed 16-bit number.
struct SpinRange {
    int low;
    int high;
    bool accelerateTo100; // durations add a 100 step after 3 seconds
};
inline constexpr SpinRange kTemperatureSpin{-30, 97, false};
inline constexpr SpinRange kDurationSpin{60, 3600, true};
int spinPositionShown(std::uint32_t stored, const SpinRange& range);
std::uint32_t spinPositionStored(int position); // sign-extended low 16 bits
// What Save writes back: the position, unless the control still shows the
// stored value as it was read (an out-of-range value stays as it was).
std::uint32_t spinValueToStore(std::uint32_t stored, int position, const SpinRange& range);
// The step of a held arrow: 1 at once, 10 after a second, 30 after two, and
// 100 after three for durations.
int spinStep(const SpinRange& range, int heldMilliseconds);

// Parking Mode page.
// Opening the page settles the record first (openParkingModePage); a refresh
// after Initialize shows the record as it is.
using ParkingModeControls = ParkingModeView;
ParkingModeControls parkingModeShown(const DeviceConfig& config);
// A click on the parking recording radios enables the sensitivity radios for motion detection only.
inline bool sensitivityEnabledAfterClick(std::uint32_t parkingRecording) { return parkingRecording == 0; }
// The front view's bottom row can't be changed: those bits go back as read.
bool motionCellEditable(bool front, int row);
std::uint32_t motionMaskFromCells(const std::array<bool, 12>& watched); // row by row from the top

} // namespace dravonix
