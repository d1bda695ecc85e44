#pragma once
// Moments on the camera's own clock: milliseconds since 1970-01-01 00:00 of
// whatever zone the camera was set to. No zone or summer time is applied, so
// a drive over midnight or the year's end is just a longer count.

#include <cstdint>
#include <optional>
#include <string>

namespace dravonix {

using CameraMs = std::int64_t;

// None for an impossible date or time (month 13, 30 February, 24:00:00).
std::optional<CameraMs> cameraTime(int year, int month, int day, int hour, int minute, int second);

// "yyyy-MM-ddTHH:mm:ss", the milliseconds dropped (toward the past).
std::string formatCameraTime(CameraMs time);

} // namespace dravonix
