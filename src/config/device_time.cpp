#include "config/device_time.h"

#include <cstdio>

namespace dravonix {

std::string formatDeviceTime(const DeviceTime& t)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                                t.minute, t.second);
    return std::string(buffer, static_cast<std::size_t>(n < 0 ? 0 : n));
}

bool isValidDeviceTime(const DeviceTime& t)
{
    if (t.year < 1601 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 || t.hour < 0 || t.hour > 23
        || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59)
        return false;
    constexpr int kDays[12]{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    return t.day <= days;
}

std::optional<std::filesystem::path> findDeviceTimeFile(const std::vector<RemovableDrive>& drives)
{
    for (const RemovableDrive& drive : drives) {
        const std::filesystem::path candidate = drive.root + "timeset.cfg";
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec) && !leadsOutside(drive.root, candidate))
            return candidate;
    }
    return std::nullopt;
}

WriteOutcome writeDeviceTimeFile(const std::filesystem::path& path, const DeviceTime& time)
{
    if (!isValidDeviceTime(time)) {
        WriteOutcome refused;
        refused.message = "the camera's clock takes a date from 1601-01-01 to 9999-12-31: " + formatDeviceTime(time);
        return refused;
    }
    const std::string text = formatDeviceTime(time);
    return writeFileAtomically(path, std::as_bytes(std::span(text.data(), text.size())));
}

} // namespace dravonix
