#include "card/device_use_linux.h"

#include "card/linux_block.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dravonix {
namespace {

// The target and, for a whole disk, its partitions.
std::vector<fs::path> deviceAndPartitionFolders(const SysDevice& device)
{
    std::vector<fs::path> folders{device.folder};
    if (!device.isPartition) {
        std::error_code ec;
        for (fs::directory_iterator it(device.folder, ec), end; !ec && it != end; it.increment(ec))
            if (fs::exists(it->path() / "partition"))
                folders.push_back(it->path());
    }
    return folders;
}

// The process, other than ours, that has one of the devices open; empty when none has.
std::string processWithOpen(const std::vector<std::string>& ids, const fs::path& processes)
{
    const std::string self = std::to_string(::getpid());
    std::error_code ec;
    for (fs::directory_iterator proc(processes, ec), end; !ec && proc != end; proc.increment(ec)) {
        const std::string pid = proc->path().filename().string();
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])) || pid == self)
            continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(proc->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd; fd.increment(fdError)) {
            struct stat info {};
            if (::stat(fd->path().c_str(), &info) == 0 && S_ISBLK(info.st_mode)
                && std::find(ids.begin(), ids.end(), majorMinorOf(info.st_rdev)) != ids.end())
                return pid;
        }
    }
    return {};
}

// Who the loop device says its backing file is. The kernel knows the file
// itself; sysfs only the name it had when it was attached, so that is the
// fallback when the device node can't be opened.
bool loopBacksFile(const fs::path& sysFolder, const fs::path& node, std::uint64_t fileDevice, std::uint64_t fileInode)
{
    const int fd = ::open(node.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        loop_info64 info {};
        const bool known = ::ioctl(fd, LOOP_GET_STATUS64, &info) == 0;
        ::close(fd);
        if (known)
            return info.lo_device == fileDevice && info.lo_inode == fileInode;
    }
    struct stat named {};
    const std::string backing = firstLine(sysFolder / "loop" / "backing_file");
    return ::stat(backing.c_str(), &named) == 0 && static_cast<std::uint64_t>(named.st_dev) == fileDevice
           && static_cast<std::uint64_t>(named.st_ino) == fileInode;
}

} // namespace

std::string majorMinorOf(dev_t device) { return std::to_string(major(device)) + ":" + std::to_string(minor(device)); }

fs::path diskOfMajorMinor(const std::string& majorMinor, const DeviceUseSources& sources)
{
    std::error_code ec;
    const fs::path real = fs::canonical(sources.sysDevBlock / majorMinor, ec);
    if (ec)
        return {};
    return fs::exists(real / "partition") ? real.parent_path() : real;
}

std::string whyDeviceInUse(const SysDevice& device, const std::string& devicePath, const DeviceUseSources& sources,
                           const std::string& ownMountPoint)
{
    const std::vector<fs::path> folders = deviceAndPartitionFolders(device);
    std::vector<std::string> ids{device.majorMinor};
    for (std::size_t i = 1; i < folders.size(); ++i)
        ids.push_back(firstLine(folders[i] / "dev"));
    const auto ours = [&](const std::string& id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };

    for (const MountEntry& m : readMountTable(sources.mountInfo))
        if (ours(m.majorMinor) && (ownMountPoint.empty() || m.mountPoint != ownMountPoint))
            return devicePath + " is mounted at " + m.mountPoint + ": unmount it first";
    std::ifstream swaps(sources.swaps);
    for (std::string line; std::getline(swaps, line);) {
        const std::string swapDevice = line.substr(0, line.find_first_of(" \t"));
        struct stat info {};
        if (::stat(swapDevice.c_str(), &info) == 0 && S_ISBLK(info.st_mode) && ours(majorMinorOf(info.st_rdev)))
            return devicePath + " is in use as swap space";
    }
    for (const fs::path& folder : folders) {
        std::error_code ec;
        if (!fs::is_empty(folder / "holders", ec) && !ec)
            return devicePath + " is in use by another device (RAID, LVM or encryption)";
    }
    // Another process with the device open would see it change under it.
    if (const std::string pid = processWithOpen(ids, sources.processes); !pid.empty())
        return devicePath + " is open in process " + pid + ": close it first";
    return {};
}

std::vector<SysDevice> loopDevicesBackedBy(std::uint64_t fileDevice, std::uint64_t fileInode, const DeviceUseSources& sources)
{
    std::vector<SysDevice> loops;
    std::error_code ec;
    for (fs::directory_iterator it(sources.sysBlock, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with("loop") || !fs::exists(it->path() / "loop" / "backing_file"))
            continue; // not a loop device, or one with no file attached
        if (!loopBacksFile(it->path(), sources.devices / name, fileDevice, fileInode))
            continue;
        SysDevice loop;
        std::error_code real;
        loop.folder = fs::canonical(it->path(), real);
        if (real)
            loop.folder = it->path();
        loop.disk = loop.folder;
        loop.majorMinor = firstLine(loop.folder / "dev");
        loops.push_back(std::move(loop));
    }
    std::sort(loops.begin(), loops.end(), [](const SysDevice& a, const SysDevice& b) { return a.folder < b.folder; });
    return loops;
}

std::string whyImageInUse(std::uint64_t fileDevice, std::uint64_t fileInode, const std::string& imagePath,
                          const DeviceUseSources& sources)
{
    for (const SysDevice& loop : loopDevicesBackedBy(fileDevice, fileInode, sources)) {
        const fs::path node = sources.devices / loop.folder.filename();
        const std::string shown = imagePath + " (attached to " + node.string() + ")";
        if (std::string why = whyDeviceInUse(loop, shown, sources); !why.empty())
            return why;
        // The kernel refuses an exclusive open of a device that a mount or a
        // driver has claimed, even where no table shows it.
        const int fd = ::open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        else if (errno == EBUSY)
            return shown + " is in use by the system";
    }
    return {};
}

} // namespace dravonix
