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

std::optional<std::filesystem::path> findDeviceTimeFile(const std::vector<RemovableDrive>& drives)
{
    for (const RemovableDrive& drive : drives) {
        const std::filesystem::path candidate = drive.root + "timeset.cfg";
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec))
            return candidate;
    }
    return std::nullopt;
}

WriteOutcome writeDeviceTimeFile(const std::filesystem::path& path, const DeviceTime& time)
{
    const std::string text = formatDeviceTime(time);
    return writeFileAtomically(path, std::as_bytes(std::span(text.data(), text.size())));
}

} // namespace dravonix
