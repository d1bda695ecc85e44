#pragma once
// What Linux tells about block devices and mounts, shared by the volume
// listing and the formatter's device checks.

#include <filesystem>
#include <string>
#include <vector>

namespace dravonix {

struct MountEntry {
    std::string majorMinor;
    std::string mountPoint;
    std::string fsType;
    std::string source;
};

std::vector<MountEntry> readMountTable(const std::string& path = "/proc/self/mountinfo");

// USB readers and SD slots often say removable=0; their bus tells the truth.
// `sysDevice` is the device's folder (or link) in sysfs.
bool isRemovableDevice(const std::filesystem::path& sysDevice);

std::string firstLine(const std::filesystem::path& file);

} // namespace dravonix
