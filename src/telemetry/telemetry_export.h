#pragma once
// Telemetry as CSV (every sample with its fix), as a GPX 1.1 track or as a KML
// line coloured by speed (the samples that have a position; one segment per
// recording). Numbers are written the same whatever the user's locale.

#include "telemetry/telemetry_track.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix {

void writeTelemetryCsv(const TelemetryTrack& track, std::ostream& out);

struct RouteOptions {
    // Samples whose fix is not valid are left out; otherwise GPX marks them
    // <fix>none</fix> and KML shows them as separate grey points, off the line.
    bool validOnly = false;
};

// One segment per track, in the order given.
void writeRouteGpx(const std::vector<const TelemetryTrack*>& segments, std::string_view trackName,
                   const RouteOptions& options, std::ostream& out);
void writeRouteKml(const std::vector<const TelemetryTrack*>& segments, std::string_view name,
                   const RouteOptions& options, std::ostream& out);
inline void writeTelemetryGpx(const TelemetryTrack& track, std::string_view trackName, std::ostream& out)
{
    writeRouteGpx({&track}, trackName, {}, out);
}

// The time of a sample's own RMC sentence (its last one), whatever the width
// of its seconds; none when its record carries no time. A fix carried over
// from an earlier record keeps that record's time, which is not this one's.
std::optional<CalendarTime> sampleUtc(const TelemetrySample& sample);

// The KML line's speed bands: band i holds [20 i, 20 (i + 1)) km/h.
inline constexpr int kSpeedBandKmh = 20;
inline constexpr int kSpeedBands = 7; // the last one open: 120 km/h and above
int speedBand(double kmh);

// "yyyy-MM-ddTHH:mm:ss.zzzZ", or empty while the time is all zero.
std::string formatUtc(const CalendarTime& utc);

} // namespace dravonix
