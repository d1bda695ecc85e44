#include "trips/camera_time.h"

#include <chrono>
#include <cstdio>

namespace dravonix {

std::optional<CameraMs> cameraTime(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0
        || second > 59)
        return std::nullopt;
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok())
        return std::nullopt;
    const auto dayCount = sys_days(date).time_since_epoch().count();
    return ((static_cast<CameraMs>(dayCount) * 24 + hour) * 60 + minute) * 60000LL + second * 1000LL;
}

std::string formatCameraTime(CameraMs time)
{
    using namespace std::chrono;
    const sys_time<milliseconds> at{milliseconds(time)};
    const auto dayStart = floor<days>(at);
    const year_month_day date(dayStart);
    const hh_mm_ss clock(floor<seconds>(at - dayStart));
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", int(date.year()), unsigned(date.month()),
                  unsigned(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
    return text;
}

} // namespace dravonix
