#pragma once
// Whether Linux is using a block device: mounted, swapped on, held by another
// device (RAID, LVM, encryption) or open in another process. The formatter
// asks before it writes to a device, and before it writes to an image file
// that backs a loop device. The folders are parameters so that tests can
// give a made-up system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dravonix {

struct DeviceUseSources {
    std::string mountInfo = "/proc/self/mountinfo";
    std::filesystem::path swaps = "/proc/swaps";
    std::filesystem::path processes = "/proc";
    std::filesystem::path sysBlock = "/sys/block";        // one folder per whole disk
    std::filesystem::path sysDevBlock = "/sys/dev/block"; // major:minor links
    std::filesystem::path devices = "/dev";
};

struct SysDevice {
    std::filesystem::path folder; // the device's folder in sysfs
    std::filesystem::path disk;   // its whole disk's folder
    bool isPartition = false;
    std::string majorMinor;
};

std::string majorMinorOf(dev_t device);

// The whole disk's sysfs folder of a device given as "major:minor".
std::filesystem::path diskOfMajorMinor(const std::string& majorMinor, const DeviceUseSources& sources = {});

// Why writing to the device (or, for a whole disk, any of its partitions)
// would change a volume under someone using it; empty when nobody is.
// `devicePath` names it in the message. A mount at `ownMountPoint` doesn't
// count: the caller is about to unmount it.
std::string whyDeviceInUse(const SysDevice& device, const std::string& devicePath,
                           const DeviceUseSources& sources = {}, const std::string& ownMountPoint = {});

// The attached loop devices whose backing file is the file with this device
// and inode number, whatever name it had or has now.
std::vector<SysDevice> loopDevicesBackedBy(std::uint64_t fileDevice, std::uint64_t fileInode,
                                           const DeviceUseSources& sources = {});

// Why the image file must not be formatted: a loop device it backs is
// mounted, held or open. Empty when none is.
std::string whyImageInUse(std::uint64_t fileDevice, std::uint64_t fileInode, const std::string& imagePath,
                          const DeviceUseSources& sources = {});

} // namespace dravonix
