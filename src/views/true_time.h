#pragma once
// The moment shown, on the camera's clock and, where the fix has a date and
// time, on GPS time in UTC and in the card's zone; and how far the camera's
// clock is from GPS time, as the window says it.

#include "telemetry/gps_fix.h"
#include "trips/camera_time.h"
#include "trips/card_trips.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix {

// The start a recording's file name gives ("alwa_20230615_071500_F.mp4"),
// none when the name holds no possible date and time.
std::optional<CameraMs> recordingStartFromName(std::string_view fileName);

struct TrueTime {
    std::string camera;                 // "yyyy-MM-dd HH:mm:ss"
    std::optional<std::string> gpsUtc;  // the same layout, when the fix has a date
    std::optional<std::string> gpsZone; // GPS time in the card's zone
    std::string zone;                   // "UTC+09:00"
};

// The moment `positionMs` into a recording that started at `start`; `fix`
// is the fix at that moment (null without one); `zoneMinutes` east of UTC.
TrueTime trueTimeAt(CameraMs start, std::int64_t positionMs, const GpsFix* fix, int zoneMinutes);

// "Camera 2023-06-15 07:15:23" and, with GPS time, a second line
// "GPS 2023-06-15 07:15:21 UTC+09:00 · 22:15:21 UTC".
std::string trueTimeText(const TrueTime& time);

// "UTC+09:00", "UTC-04:30", "UTC+00:00".
std::string zoneText(int zoneMinutes);

// A whole recording's track against its start and length: the clock offset
// from the fixes with a date (see measureClockOffset).
std::optional<ClockOffset> recordingClockOffset(const std::vector<GpsFix>& fixes, CameraMs start,
                                                std::int64_t durationMs, int zoneMinutes);

// Offsets the camera's clock may have without a word: within two seconds
// the fix's own timing and the once-a-second records blur the difference.
inline constexpr double kClockNoticeSeconds = 2.0;

// "2 min 5 s", "1 h 30 s", "2.5 s", "3 d 4 h": the non-zero parts.
std::string durationText(double seconds);

// "Camera clock 2 min 5 s ahead of GPS" (or behind) when the offset (camera
// minus GPS) is more than kClockNoticeSeconds either way; none otherwise.
std::optional<std::string> clockNotice(double offsetSeconds);

} // namespace dravonix
