#pragma once
// Recordings and tracks made in memory for the trip tests.

#include "drive.h"
#include "nmea_text.h"
#include "telemetry/telemetry_track.h"
#include "trips/trip_recordings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace dravonix::test {

inline CameraMs at(int y, int mo, int d, int h, int mi, int s) { return *cameraTime(y, mo, d, h, mi, s); }

inline TripRecording recording(RecordingKind kind, CameraMs start, std::int64_t durationMs, std::string path = {})
{
    if (path.empty())
        path = "card/" + std::to_string(start) + "_" + std::to_string(static_cast<int>(kind)) + "_F.mp4";
    return TripRecording{kind, start, durationMs, path, {}};
}

// One second of a drive: acceleration in g and, unless lost, a fix.
struct Second {
    double ax = 0.0, ay = 0.0, az = 1.0;
    double kmh = 0.0;
    double lat = 37.5, lon = 127.0;
    bool fixLost = false;
};

// A track of records one second apart whose GPS time starts at `utcStart`
// (seconds since 1970).
inline TelemetryTrack track(const std::vector<Second>& seconds, long long utcStart = 1700000000)
{
    TelemetryTrack out;
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        const Second& s = seconds[i];
        demo::DriveSecond drive;
        drive.latitude = s.lat;
        drive.longitude = s.lon;
        drive.speedMps = s.kmh / 3.6;
        drive.fixLost = s.fixLost;
        drive.gpsSatellites = 8;
        drive.hdop = 0.9;
        const std::chrono::sys_seconds utc{std::chrono::seconds(utcStart + static_cast<long long>(i))};
        const std::string text = demo::recordText(drive, utc, 0); // RMC and GGA, never the GSA-only second
        std::array<char, kNmeaTextSize> bytes{};
        std::copy_n(text.begin(), std::min(text.size(), bytes.size()), bytes.begin());
        out.appendSample(static_cast<std::int32_t>(std::lround(s.ax * 256)), static_cast<std::int32_t>(std::lround(s.ay * 256)),
                         static_cast<std::int32_t>(std::lround(s.az * 256)), '0', bytes);
    }
    return out;
}

} // namespace dravonix::test
