#pragma once
// A plausible drive through a grid of streets, second by second: where the
// car is, how fast it goes, what the G-sensor feels and what the GPS says.
// Deterministic for a seed, so a demo card is the same on every machine.

#include <cstdint>
#include <vector>

namespace dravonix::demo {

struct DriveSecond {
    double latitude = 0.0;  // degrees, north positive
    double longitude = 0.0; // degrees, east positive
    double speedMps = 0.0;
    double headingDeg = 0.0; // 0 north, clockwise
    double accelForwardG = 0.0;
    double accelLeftG = 0.0;
    double accelUpG = 1.0;
    bool fixLost = false;
    int gpsSatellites = 0;
    int glonassSatellites = 0;
    double hdop = 0.0;
};

struct DrivePlan {
    std::uint32_t seed = 1;
    int seconds = 120;
    double startLatitude = 37.374054;
    double startLongitude = 126.642653;
};

std::vector<DriveSecond> simulateDrive(const DrivePlan& plan);

// The car standing still at a place (parking mode), engine off.
std::vector<DriveSecond> parkedAt(const DriveSecond& where, int seconds, std::uint32_t seed);

// A collision felt at second `at` and a few after it.
void addImpact(std::vector<DriveSecond>& drive, int at);

} // namespace dravonix::demo
