#pragma once
// The route handed to the map page. A recording may hold a day of fixes
// (86,400); the page draws the line as well from a few thousand, and every
// point sent is script text and page memory, once per recording.

#include <cstddef>
#include <utility>
#include <vector>

namespace dravonix {

inline constexpr std::size_t kMostRoutePoints = 2000;

// Evenly spaced points of `route`, the first and the last always among them,
// at most `most` of them (at least 2).
std::vector<std::pair<double, double>> thinnedRoute(const std::vector<std::pair<double, double>>& route,
                                                    std::size_t most = kMostRoutePoints);

} // namespace dravonix
