#pragma once
// The speed, HDOP and satellite readout and the map position, computed for
// one tick of the 500 ms readout timer.

#include "telemetry/telemetry_track.h"

#include <cstdint>
#include <optional>
#include <string>

namespace dravonix {

struct ReadoutUpdate {
    std::string speed;                     // "%d Km/h" or "%d Mi/h"
    std::optional<std::string> hdop;       // "%.1f", with the satellites, when the fix list has entries
    std::optional<std::string> satellites; // "%d"
    // Raw NMEA degree-minutes, signed by hemisphere, when the fix has a position.
    std::optional<double> longitude;
    std::optional<double> latitude;
};

// None when the tick changes nothing: not playing, no samples, no seek
// range, or the graph's cursor at sample 0.
std::optional<ReadoutUpdate> readoutTick(bool playing, const TelemetryTrack& track, std::int64_t seekMaximum,
                                         std::int64_t seekPosition, std::int64_t graphSample);

std::string startSpeedText(bool milesPerHour);

struct MapPosition {
    double longitude; // raw NMEA degree-minutes, signed by hemisphere
    double latitude;
};

// Where the recording is at a seek position, playing or not: the position of
// the fix the readout would show there, or none without a position there.
std::optional<MapPosition> mapPositionAt(const TelemetryTrack& track, std::int64_t seekMaximum, std::int64_t seekPosition); // "0 Km/h" or "0 Mi/h"

} // namespace dravonix
