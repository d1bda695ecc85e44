#include "app/viewer/route_points.h"

#include <algorithm>

namespace dravonix {

std::vector<std::pair<double, double>> thinnedRoute(const std::vector<std::pair<double, double>>& route, std::size_t most)
{
    most = std::max<std::size_t>(most, 2);
    if (route.size() <= most)
        return route;
    std::vector<std::pair<double, double>> points;
    points.reserve(most);
    // Point i of `most` sits at i / (most - 1) of the way along the route.
    const std::size_t last = route.size() - 1;
    for (std::size_t i = 0; i < most; ++i)
        points.push_back(route[i * last / (most - 1)]);
    return points;
}

} // namespace dravonix
