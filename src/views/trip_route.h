#pragma once
// A trip's route for the map: the points the trip's merged telemetry gives,
// coloured by speed in bands the legend names, thinned into coloured runs
// the page draws, and the way back from a click to a moment of the trip.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

struct TripRoutePoint {
    double latitude = 0.0;  // decimal degrees, south negative
    double longitude = 0.0; // decimal degrees, west negative
    double speedKmh = 0.0;
    std::int64_t tripMs = 0; // the moment of the trip this point was at
};

// One colour of the legend: speeds from `from` up to (not including) `to`,
// in the unit shown; the last band has no upper end.
struct SpeedBand {
    double from = 0.0;
    std::optional<double> to;
    std::string colour; // "#rrggbb"
    std::string label;  // "30-60 km/h", "120+ km/h"
    std::string start;  // "30", "120+": under the band's colour in the legend
};

// The legend's bands, slowest first, in km/h or mph.
std::vector<SpeedBand> speedBands(bool milesPerHour);
// Which band a speed falls in; an unknown (NaN) or negative speed counts as standing still.
std::size_t speedBandOf(const std::vector<SpeedBand>& bands, double speedKmh, bool milesPerHour);

// A stretch of the route drawn in one colour; consecutive runs share their
// meeting point so the line has no breaks.
struct RouteRun {
    std::size_t band = 0;
    std::vector<std::pair<double, double>> latitudeLongitude;
};

// A point the map can draw: finite, on the globe, and not the 0,0 a receiver
// without a position reports.
bool drawableRoutePoint(const TripRoutePoint& point);

// The drawable points as coloured runs: at most `mostPoints` of them, evenly
// spaced with the first and the last among them, each sent once more where
// it ends one run and starts the next.
std::vector<RouteRun> routeRuns(const std::vector<TripRoutePoint>& points, const std::vector<SpeedBand>& bands,
                                bool milesPerHour, std::size_t mostPoints = 4000);

// The trip time of the drawable point nearest to a clicked place, when one
// lies within `toleranceMetres` of it.
std::optional<std::int64_t> nearestRouteTime(const std::vector<TripRoutePoint>& points, double latitude,
                                             double longitude, double toleranceMetres);

// What the page's setTripRoute takes: {"runs":[{"c":"#hex","p":[[lat,lng],...]}],
// "legend":[{"c":"#hex","t":"label","s":"start"}],"unit":"km/h","title":"Speed (km/h)"},
// numbers with "." whatever the locale.
std::string tripRouteArgument(const std::vector<TripRoutePoint>& points, bool milesPerHour);

} // namespace dravonix
