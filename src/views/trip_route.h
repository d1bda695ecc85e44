#pragma once
// A trip's route as the map draws it: one point per placed fix, with the
// speed there and the moment of the trip it was taken at.

#include <cstdint>

namespace dravonix {

struct TripRoutePoint {
    double latitude = 0.0; // signed degrees
    double longitude = 0.0;
    double speedKmh = 0.0;
    std::int64_t tripMs = 0;
};

} // namespace dravonix
