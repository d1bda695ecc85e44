#include "card/block_device.h"
#include "card/descriptor_open.h"
#include "card/format_job.h"
#include "card/device_use_linux.h"
#include "card/linux_block.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dravonix {

int preadAll(int fd, std::uint64_t offset, std::span<std::uint8_t> out);
int pwriteAll(int fd, std::uint64_t offset, std::span<const std::uint8_t> data);

namespace {

// Refusals that go beyond use: the system's own disk, and fixed disks.
std::string whyNotFormattable(const SysDevice& dev, const std::string& devicePath, const std::string& ownMountPoint = {})
{
    for (const MountEntry& m : readMountTable()) {
        if ((m.mountPoint == "/" || m.mountPoint == "/usr" || m.mountPoint == "/boot") && diskOfMajorMinor(m.majorMinor) == dev.disk)
            return devicePath + " is on the disk that holds the running system";
    }
    std::ifstream swaps("/proc/swaps");
    for (std::string line; std::getline(swaps, line);) {
        const std::string swapDevice = line.substr(0, line.find_first_of(" \t"));
        struct stat info {};
        if (::stat(swapDevice.c_str(), &info) == 0 && S_ISBLK(info.st_mode)
            && diskOfMajorMinor(majorMinorOf(info.st_rdev)) == dev.disk)
            return devicePath + " is on the disk that holds the system's swap";
    }
    // A loop device is an image file in disguise, so it may be formatted too.
    const bool imageBacked = !firstLine(dev.disk / "loop" / "backing_file").empty();
    if (!isRemovableDevice(dev.folder) && !imageBacked)
        return devicePath + " is not a removable device";
    return whyDeviceInUse(dev, devicePath, {}, ownMountPoint);
}

// The device's sysfs folders; false when the system doesn't know it.
bool describe(const struct stat& info, SysDevice& dev)
{
    dev.majorMinor = majorMinorOf(info.st_rdev);
    std::error_code ec;
    dev.folder = fs::canonical("/sys/dev/block/" + dev.majorMinor, ec);
    if (ec)
        return false;
    dev.isPartition = fs::exists(dev.folder / "partition");
    dev.disk = dev.isPartition ? dev.folder.parent_path() : dev.folder;
    return true;
}

class LinuxBlockDevice final : public BlockDevice {
public:
    LinuxBlockDevice(int fd, std::string path, SysDevice dev, DeviceFacts facts)
        : fd_(fd), path_(std::move(path)), dev_(std::move(dev)), facts_(facts)
    {
    }
    ~LinuxBlockDevice() override { ::close(fd_); } // closing makes udev read the volume again
    LinuxBlockDevice(const LinuxBlockDevice&) = delete;
    LinuxBlockDevice& operator=(const LinuxBlockDevice&) = delete;

    int readAt(std::uint64_t offset, std::span<std::uint8_t> out) override { return preadAll(fd_, offset, out); }
    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override { return pwriteAll(fd_, offset, data); }
    int sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }
    DeviceFacts facts() const override { return facts_; }
    std::string name() const override { return path_; }

    int setPartitionType(std::uint8_t type) override
    {
        if (!dev_.isPartition)
            return ENOTTY; // a whole disk has no table entry of its own
        const int number = std::atoi(firstLine(dev_.folder / "partition").c_str());
        if (number < 1 || number > 4)
            return ENOTSUP; // only primary MBR entries carry a type byte here
        const std::string diskPath = "/dev/" + dev_.disk.filename().string();
        const int disk = ::open(diskPath.c_str(), O_RDWR | O_CLOEXEC);
        if (disk < 0)
            return errno;
        std::uint8_t mbr[512];
        int error = preadAll(disk, 0, mbr);
        if (error == 0 && (mbr[510] != 0x55 || mbr[511] != 0xAA || mbr[446 + 4] == 0xEE))
            error = ENOTSUP; // no MBR, or a GPT disk
        if (error == 0) {
            mbr[446 + 16 * (number - 1) + 4] = type;
            error = pwriteAll(disk, 0, mbr);
        }
        if (error == 0 && ::fsync(disk) != 0)
            error = errno;
        ::close(disk);
        return error;
    }

    int finish() override
    {
        if (::fsync(fd_) != 0)
            return errno;
        ::ioctl(fd_, BLKFLSBUF, 0);
        if (dev_.isPartition) { // ask the disk to read its table again; busy is fine, udev follows the close
            const std::string diskPath = "/dev/" + dev_.disk.filename().string();
            const int disk = ::open(diskPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (disk >= 0) {
                ::ioctl(disk, BLKRRPART, 0);
                ::close(disk);
            }
        }
        return 0;
    }

private:
    int fd_;
    std::string path_;
    SysDevice dev_;
    DeviceFacts facts_;
};

} // namespace

OpenedDevice openRemovableBlockDevice(const std::string& path, const DescriptorSource& whenDenied)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {nullptr, errno, path + ": " + std::strerror(errno)};
    if (!S_ISBLK(info.st_mode))
        return {nullptr, kRefusedDevice, path + " is not a block device"};
    SysDevice dev;
    if (!describe(info, dev))
        return {nullptr, kRefusedDevice, path + " is unknown to the system"};
    if (const std::string why = whyNotFormattable(dev, path); !why.empty())
        return {nullptr, kRefusedDevice, why};

    OpenedDescriptor opened = openForFormat(path, O_RDWR | O_EXCL | O_CLOEXEC, whenDenied);
    if (opened.fd < 0) {
        if (opened.failure.error != EACCES && opened.failure.error != EPERM && opened.failure.error != kRefusedDevice)
            opened.failure.message = "Failed to open device: " + opened.failure.message;
        return std::move(opened.failure);
    }
    const int fd = opened.fd;
    DeviceFacts facts;
    int sectorSize = 0;
    std::uint64_t bytes = 0;
    if (::ioctl(fd, BLKSSZGET, &sectorSize) != 0 || ::ioctl(fd, BLKGETSIZE64, &bytes) != 0) {
        const int error = errno;
        ::close(fd);
        return {nullptr, error, "Failed to get device geometry"};
    }
    facts.bytesPerSector = static_cast<std::uint32_t>(sectorSize);
    facts.partitionBytes = bytes;
    struct hd_geometry geometry {};
    if (::ioctl(fd, HDIO_GETGEO, &geometry) == 0) {
        facts.heads = geometry.heads;
        facts.sectorsPerTrack = geometry.sectors;
    }
    if (dev.isPartition) // sysfs counts the start in 512-byte units
        facts.hiddenSectors = static_cast<std::uint32_t>(std::stoull("0" + firstLine(dev.folder / "start")) * 512 / facts.bytesPerSector);
    return {std::make_unique<LinuxBlockDevice>(fd, path, dev, facts), 0, {}};
}

std::optional<Error> unmountDirectly(const std::string& mountPoint)
{
    if (::umount2(mountPoint.c_str(), 0) == 0)
        return std::nullopt;
    const int error = errno;
    return Error{std::strerror(error), error};
}

std::string whyNotToFormat(const std::string& path, const std::string& ownMountPoint)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return path + ": " + std::strerror(errno);
    if (S_ISREG(info.st_mode))
        return {}; // an image file: its lock and its loop devices are checked when it is opened
    if (!S_ISBLK(info.st_mode))
        return path + " is neither a block device nor an image file";
    SysDevice dev;
    if (!describe(info, dev))
        return path + " is unknown to the system";
    return whyNotFormattable(dev, path, ownMountPoint);
}

std::string whyImageFileInUse(int fd, const std::string& path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return path + ": " + std::strerror(errno);
    return whyImageInUse(static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), path);
}

} // namespace dravonix
