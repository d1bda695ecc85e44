#include "views/trip_route.h"

#include "toolkit/text_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace dravonix {
namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kEarthRadiusMetres = 6371008.8;

// Slow to fast: blue through green and amber to red.
constexpr const char* kBandColours[] = {"#2b83ba", "#1a9e77", "#a6d96a", "#fdae61", "#d7191c"};

double inUnit(double speedKmh, bool milesPerHour)
{
    if (!(speedKmh > 0.0)) // NaN and negatives too
        return 0.0;
    return milesPerHour ? speedKmh / kKmPerMile : speedKmh;
}

// A flat approximation: clicks are a few pixels from the line, where the
// earth's curvature doesn't matter. Longitudes are compared across 180.
double metresBetween(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double radians = 3.14159265358979323846 / 180.0;
    double dLon = std::fmod(lon2 - lon1, 360.0);
    if (dLon > 180.0)
        dLon -= 360.0;
    else if (dLon < -180.0)
        dLon += 360.0;
    const double x = dLon * radians * std::cos((lat1 + lat2) / 2.0 * radians);
    const double y = (lat2 - lat1) * radians;
    return std::sqrt(x * x + y * y) * kEarthRadiusMetres;
}

std::string jsonText(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

} // namespace

std::vector<SpeedBand> speedBands(bool milesPerHour)
{
    const double step = milesPerHour ? 20.0 : 30.0;
    const char* unit = milesPerHour ? "mph" : "km/h";
    std::vector<SpeedBand> bands;
    for (int i = 0; i < 5; ++i) {
        SpeedBand band;
        band.from = step * i;
        band.colour = kBandColours[i];
        if (i < 4) {
            band.to = step * (i + 1);
            band.label = formatText("%.0f\xe2\x80\x93%.0f %s", band.from, *band.to, unit); // an en dash
            band.start = formatText("%.0f", band.from);
        } else {
            band.label = formatText("%.0f+ %s", band.from, unit);
            band.start = formatText("%.0f+", band.from);
        }
        bands.push_back(band);
    }
    return bands;
}

std::size_t speedBandOf(const std::vector<SpeedBand>& bands, double speedKmh, bool milesPerHour)
{
    const double speed = inUnit(speedKmh, milesPerHour);
    for (std::size_t i = 0; i < bands.size(); ++i)
        if (!bands[i].to || speed < *bands[i].to)
            return i;
    return bands.empty() ? 0 : bands.size() - 1;
}

bool drawableRoutePoint(const TripRoutePoint& p)
{
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::abs(p.latitude) <= 90.0
           && std::abs(p.longitude) <= 180.0 && !(p.latitude == 0.0 && p.longitude == 0.0);
}

std::vector<RouteRun> routeRuns(const std::vector<TripRoutePoint>& points, const std::vector<SpeedBand>& bands,
                                bool milesPerHour, std::size_t mostPoints)
{
    std::vector<const TripRoutePoint*> drawable;
    for (const TripRoutePoint& p : points)
        if (drawableRoutePoint(p))
            drawable.push_back(&p);
    // Evenly spaced points, the first and the last among them; a point is
    // sent at most twice (ending one run, starting the next).
    mostPoints = std::max<std::size_t>(mostPoints, 2);
    std::vector<const TripRoutePoint*> kept;
    if (drawable.size() <= mostPoints) {
        kept = drawable;
    } else {
        const std::size_t last = drawable.size() - 1;
        for (std::size_t i = 0; i < mostPoints; ++i)
            kept.push_back(drawable[i * last / (mostPoints - 1)]);
    }
    std::vector<RouteRun> runs;
    for (const TripRoutePoint* p : kept) {
        const std::size_t band = speedBandOf(bands, p->speedKmh, milesPerHour);
        const std::pair<double, double> at{p->latitude, p->longitude};
        if (!runs.empty() && runs.back().band == band) {
            runs.back().latitudeLongitude.push_back(at);
            continue;
        }
        if (!runs.empty()) // the line runs on to where the speed changed
            runs.back().latitudeLongitude.push_back(at);
        runs.push_back({band, {at}});
    }
    return runs;
}

std::optional<std::int64_t> nearestRouteTime(const std::vector<TripRoutePoint>& points, double latitude,
                                             double longitude, double toleranceMetres)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !(toleranceMetres >= 0.0))
        return std::nullopt;
    double best = std::numeric_limits<double>::infinity();
    std::optional<std::int64_t> found;
    for (const TripRoutePoint& p : points) {
        if (!drawableRoutePoint(p))
            continue;
        const double d = metresBetween(latitude, longitude, p.latitude, p.longitude);
        if (d < best) {
            best = d;
            found = p.tripMs;
        }
    }
    return best <= toleranceMetres ? found : std::nullopt;
}

std::string tripRouteArgument(const std::vector<TripRoutePoint>& points, bool milesPerHour)
{
    const std::vector<SpeedBand> bands = speedBands(milesPerHour);
    std::string out = "{\"runs\":[";
    bool firstRun = true;
    for (const RouteRun& run : routeRuns(points, bands, milesPerHour)) {
        out += firstRun ? "" : ",";
        firstRun = false;
        out += "{\"c\":" + jsonText(bands[run.band].colour) + ",\"p\":[";
        for (std::size_t i = 0; i < run.latitudeLongitude.size(); ++i)
            out += formatText(i == 0 ? "[%.6f,%.6f]" : ",[%.6f,%.6f]", run.latitudeLongitude[i].first,
                              run.latitudeLongitude[i].second);
        out += "]}";
    }
    out += "],\"legend\":[";
    for (std::size_t i = 0; i < bands.size(); ++i)
        out += (i == 0 ? "" : ",") + std::string("{\"c\":") + jsonText(bands[i].colour) + ",\"t\":" + jsonText(bands[i].label)
               + ",\"s\":" + jsonText(bands[i].start) + "}";
    const std::string unit = milesPerHour ? "mph" : "km/h";
    out += "],\"unit\":" + jsonText(unit) + ",\"title\":" + jsonText("Speed (" + unit + ")") + "}";
    return out;
}

} // namespace dravonix
