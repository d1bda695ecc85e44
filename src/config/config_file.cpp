#include "config/config_file.h"

#include "card/removable_drive.h"
#include "toolkit/input_file.h"

namespace dravonix {

Expected<std::uint64_t, Error> readConfigFile(const std::filesystem::path& path, DeviceConfig& config)
{
    auto file = InputFile::open(path);
    if (!file)
        return unexpected(file.error());
    std::array<std::uint8_t, kConfigSize> buffer{};
    const auto got = file->readAt(0, std::as_writable_bytes(std::span(buffer)));
    if (!got)
        return unexpected(got.error());
    config.overwriteWith(std::span(buffer.data(), *got));
    return file->size();
}

bool loadConfigFile(const std::filesystem::path& path, DeviceConfig& config)
{
    return readConfigFile(path, config).hasValue();
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
    // Never through a link that leads off the card: the user is asked instead.
    const auto onCard = [](const RemovableDrive& drive) -> std::optional<std::filesystem::path> {
        std::filesystem::path target = drive.root + "config.bin";
        if (leadsOutside(drive.root, target))
            return std::nullopt;
        return target;
    };
    if (drives.size() == 1)
        return onCard(drives.front());
    for (const RemovableDrive& drive : drives)
        if (drive.label == kCameraLabel)
            return onCard(drive);
    return std::nullopt;
}

} // namespace dravonix
