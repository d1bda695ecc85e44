#include "views/true_time.h"

#include "catalogue/recording_name.h"
#include "toolkit/text_format.h"
#include "trips/trip_telemetry.h"

#include <cmath>
#include <cstdlib>

namespace dravonix {
namespace {

std::string spacedTime(CameraMs time)
{
    std::string text = formatCameraTime(time);
    if (const auto t = text.find('T'); t != std::string::npos)
        text[t] = ' ';
    return text;
}

} // namespace

std::optional<CameraMs> recordingStartFromName(std::string_view fileName)
{
    const QString name = QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
    const RecordingName parsed = parseRecordingName(name);
    if (parsed.kind == RecordingKind::Unknown)
        return std::nullopt;
    return cameraTime(parsed.year, parsed.month, parsed.day, parsed.hour, parsed.minute, parsed.second);
}

TrueTime trueTimeAt(CameraMs start, std::int64_t positionMs, const GpsFix* fix, int zoneMinutes)
{
    TrueTime time;
    time.camera = spacedTime(start + std::max<std::int64_t>(positionMs, 0));
    time.zone = zoneText(zoneMinutes);
    if (fix == nullptr || !fix->valid || fix->utc.year == 0)
        return time;
    const CalendarTime& utc = fix->utc;
    const std::optional<CameraMs> gps = cameraTime(utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second);
    if (!gps)
        return time; // a garbled date is no time
    time.gpsUtc = spacedTime(*gps);
    time.gpsZone = spacedTime(*gps + zoneMinutes * 60000LL);
    return time;
}

std::string trueTimeText(const TrueTime& time)
{
    std::string text = "Camera " + time.camera;
    if (time.gpsUtc && time.gpsZone)
        text += "\nGPS " + *time.gpsZone + " " + time.zone + " \xc2\xb7 " + time.gpsUtc->substr(11) + " UTC";
    return text;
}

std::string zoneText(int zoneMinutes)
{
    const int minutes = std::abs(zoneMinutes);
    return formatText("UTC%c%02d:%02d", zoneMinutes < 0 ? '-' : '+', minutes / 60, minutes % 60);
}

std::optional<ClockOffset> recordingClockOffset(const std::vector<GpsFix>& fixes, CameraMs start,
                                                std::int64_t durationMs, int zoneMinutes)
{
    if (fixes.empty())
        return std::nullopt;
    // Without a known length the camera's one record a second stands in for it.
    if (durationMs <= 0)
        durationMs = static_cast<std::int64_t>(fixes.size()) * 1000;
    std::vector<TripSample> samples(fixes.size());
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        samples[i].time = start + sampleOffsetMs(i, fixes.size(), durationMs);
        samples[i].fix = fixes[i];
    }
    return measureClockOffset(samples, zoneMinutes);
}

std::string durationText(double seconds)
{
    seconds = std::abs(seconds);
    if (!std::isfinite(seconds))
        return "?";
    if (seconds < 10.0) {
        const double tenths = std::round(seconds * 10.0) / 10.0;
        return tenths == std::floor(tenths) ? formatText("%.0f s", tenths) : formatText("%.1f s", tenths);
    }
    auto left = static_cast<long long>(std::min(std::round(seconds), 9.0e15));
    const long long days = left / 86400;
    left %= 86400;
    const long long parts[] = {days, left / 3600, left % 3600 / 60, left % 60};
    const char* units[] = {"d", "h", "min", "s"};
    std::string text;
    for (int i = 0; i < 4; ++i) {
        if (parts[i] == 0)
            continue;
        // Beyond a day, minutes and seconds are noise next to the days.
        if (days > 0 && i > 1)
            break;
        text += (text.empty() ? "" : " ") + formatText("%lld ", parts[i]) + units[i];
    }
    return text;
}

std::optional<std::string> clockNotice(double offsetSeconds)
{
    if (!(std::abs(offsetSeconds) > kClockNoticeSeconds)) // NaN included
        return std::nullopt;
    return "Camera clock " + durationText(offsetSeconds) + (offsetSeconds > 0 ? " ahead of" : " behind") + " GPS";
}

} // namespace dravonix
