#include "card/volume_device.h"

#include "toolkit/input_file.h"
#include "toolkit/text_format.h"

#include <array>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace dravonix {
namespace {

bool textAt(std::span<const std::uint8_t> sector, std::size_t at, const char* text)
{
    const std::size_t n = std::strlen(text);
    return at + n <= sector.size() && std::memcmp(sector.data() + at, text, n) == 0;
}

} // namespace

std::string fileSystemOfBootSector(std::span<const std::uint8_t> sector)
{
    if (textAt(sector, 3, "EXFAT   "))
        return "exFAT";
    if (textAt(sector, 3, "NTFS    "))
        return "NTFS";
    if (sector.size() < 512 || sector[510] != 0x55 || sector[511] != 0xAA)
        return {};
    if (textAt(sector, 82, "FAT32   "))
        return "FAT32";
    if (textAt(sector, 54, "FAT16   "))
        return "FAT16";
    if (textAt(sector, 54, "FAT12   "))
        return "FAT12";
    return {};
}

std::optional<VolumeDevice> imageVolumeDevice(const std::string& imagePath)
{
    const auto in = InputFile::open(imagePath);
    if (!in)
        return std::nullopt;
    VolumeDevice device;
    device.path = imagePath;
    device.totalBytes = in->size();
    std::array<std::byte, 512> first{};
    if (const auto got = in->readAt(0, first); got && *got == first.size())
        device.fileSystem = fileSystemOfBootSector(std::span(reinterpret_cast<const std::uint8_t*>(first.data()), first.size()));
    struct statvfs info {};
    device.readOnly = ::statvfs(imagePath.c_str(), &info) == 0 && (info.f_flag & ST_RDONLY) != 0;
    return device;
}

std::optional<VolumeDevice> volumeDeviceAt(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode))
        return blockVolumeDevice(path);
    return imageVolumeDevice(path);
}

std::string readableSize(std::uint64_t bytes)
{
    constexpr std::array<const char*, 5> units{"bytes", "KB", "MB", "GB", "TB"};
    if (bytes < 1000)
        return formatText("%llu bytes", static_cast<unsigned long long>(bytes));
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < units.size()) {
        value /= 1000.0;
        ++unit;
    }
    return formatText("%.1f %s", value, units[unit]);
}

} // namespace dravonix
