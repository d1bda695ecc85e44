#pragma once
// The telemetry of one recording as CSV (every sample with its fix) or as a
// GPX 1.1 track (the samples that have a position). Numbers are written the
// same whatever the user's locale.

#include "telemetry/telemetry_track.h"

#include <ostream>
#include <string>
#include <string_view>

namespace dravonix {

void writeTelemetryCsv(const TelemetryTrack& track, std::ostream& out);
void writeTelemetryGpx(const TelemetryTrack& track, std::string_view trackName, std::ostream& out);

// "yyyy-MM-ddTHH:mm:ss.zzzZ", or empty while the time is all zero.
std::string formatUtc(const CalendarTime& utc);

} // namespace dravonix
