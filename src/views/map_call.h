#pragma once
// What the map page is told, as text: the position arguments of setLatLag
// (degrees with six decimals, whatever the user's locale) and the script
// that calls a page function with string arguments.

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace dravonix {

// Longitude and latitude texts for raw signed NMEA degree-minutes, or none
// when either is 0.0 (no position).
std::optional<std::pair<QString, QString>> positionArguments(double rawLongitude, double rawLatitude);

// name('a','b',...) with each argument as a quoted script string.
QString pageCallScript(const QString& name, const QStringList& arguments);

// The recording's route for setTrack: "lat,lng;lat,lng;..." in degrees,
// consecutive repeats left out.
QString trackArgument(const std::vector<std::pair<double, double>>& latitudeLongitude);

// True when the map pages should speak Korean.
bool koreanInterface();

} // namespace dravonix
