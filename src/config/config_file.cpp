#include "config/config_file.h"

#include "card/removable_drive.h"

#include <fstream>

namespace dravonix {

bool loadConfigFile(const std::filesystem::path& path, DeviceConfig& config)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::array<std::uint8_t, kConfigSize> buffer{};
    in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    config.overwriteWith(std::span(buffer.data(), static_cast<std::size_t>(in.gcount())));
    return true;
}

WriteOutcome saveConfigFile(const std::filesystem::path& path, DeviceConfig& config)
{
    config.updateChecksum();
    return writeFileAtomically(path, std::as_bytes(std::span(config.bytes())));
}

std::optional<std::filesystem::path> chooseConfigSaveTarget(const std::filesystem::path& configPath,
                                                            const std::vector<RemovableDrive>& drives)
{
    if (!configPath.empty())
        return configPath;
    if (drives.size() == 1)
        return std::filesystem::path(drives.front().root + "config.bin");
    for (const RemovableDrive& drive : drives)
        if (drive.label == kCameraLabel)
            return std::filesystem::path(drive.root + "config.bin");
    return std::nullopt;
}

} // namespace dravonix
