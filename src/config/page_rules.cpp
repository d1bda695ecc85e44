#include "config/page_rules.h"

#include "config/settings_rules.h"
#include "toolkit/text_format.h"

#include <algorithm>

namespace dravonix {

std::uint32_t speedOnVideoShown(std::uint32_t stored) { return stored != 0 ? 1u : 0u; }

std::uint32_t nightExposureShown(std::uint32_t stored) { return stored > 2 ? 1u : stored; }

std::string wifiChannelText(int channel)
{
    return channel == 0 ? std::string("    0(Auto)") : formatText("%5d", channel);
}

std::string rearFrameRateCaption(std::uint32_t mainsFrequency)
{
    return mainsFrequency == 1 ? "25fps" : "30fps";
}

std::uint32_t pipAfterClick(std::uint32_t stored, int box, bool boxWasTicked)
{
    return boxWasTicked ? stored : static_cast<std::uint32_t>(box);
}

std::optional<int> pipTickedBox(std::uint32_t stored)
{
    if (stored < kPipBoxes)
        return static_cast<int>(stored);
    return std::nullopt;
}

ImpactControls impactControls(std::uint32_t sensorEnabled, int level)
{
    return {sensorEnabled != 0, level != kCustomImpactLevel};
}

bool externalPowerTicked(std::uint32_t stored) { return stored == 1; }

int highTempSafetyMessage(std::uint32_t newValue) { return newValue == 1 ? 246 : 248; }

int spinPositionShown(std::uint32_t stored, const SpinRange& range)
{
    const auto value = static_cast<std::int64_t>(static_cast<std::int32_t>(stored));
    return static_cast<int>(std::clamp<std::int64_t>(value, range.low, range.high));
}

std::uint32_t spinPositionStored(int position)
{
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(position)));
}

std::uint32_t spinValueToStore(std::uint32_t stored, int position, const SpinRange& range)
{
    return position == spinPositionShown(stored, range) ? stored : spinPositionStored(position);
}

int spinStep(const SpinRange& range, int heldMilliseconds)
{
    if (heldMilliseconds >= 3000 && range.accelerateTo100)
        return 100;
    if (heldMilliseconds >= 2000)
        return 30;
    if (heldMilliseconds >= 1000)
        return 10;
    return 1;
}

ParkingModeControls parkingModeShown(const DeviceConfig& config)
{
    ParkingModeControls shown{};
    shown.recordingRadio = config.parkingRecording();
    shown.sensitivityEnabled = config.parkingRecording() == 0 && config.nightVision() == 0;
    return shown;
}

bool motionCellEditable(bool front, int row) { return !(front && row == 2); }

std::uint32_t motionMaskFromCells(const std::array<bool, 12>& watched)
{
    std::uint32_t mask = 0;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            mask = withMotionCell(mask, row, column, watched[static_cast<std::size_t>(row * 4 + column)]);
    return mask;
}

} // namespace dravonix
