#pragma once
// Mounted removable volumes on Linux, read from the mount table, sysfs and
// the udev database (no privileges needed). The folders are parameters so
// that tests can give a made-up system.

#include "card/volumes.h"

#include <string>

namespace dravonix {

struct LinuxVolumeSources {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string sysBlockDevices = "/sys/dev/block"; // major:minor links into sysfs
    std::string udevData = "/run/udev/data";
    std::string labelLinks = "/dev/disk/by-label";
};

class LinuxVolumes final : public Volumes {
public:
    explicit LinuxVolumes(LinuxVolumeSources sources = {}) : sources_(std::move(sources)) {}
    std::vector<RemovableDrive> removableDrives() const override;
    bool setLabel(const RemovableDrive& drive, const std::string& label, std::string& error) override;
    std::optional<VolumeDevice> deviceOf(const RemovableDrive& drive) const override;

private:
    LinuxVolumeSources sources_;
};

// "\040" and the like in mount table fields.
std::string unescapeMountField(const std::string& field);
// The file system name udev gives (ID_FS_TYPE, ID_FS_VERSION) or, without
// udev, the mount table's type, as a person knows it ("FAT32", "exFAT").
std::string fileSystemName(const std::string& udevType, const std::string& udevVersion, const std::string& mountType);
// "\x20" and the like in udev's encoded labels.
std::string unescapeUdevLabel(const std::string& encoded);

} // namespace dravonix
