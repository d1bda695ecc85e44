#include "card/volumes_linux.h"

#include "card/fat_label.h"
#include "card/linux_block.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace dravonix {
namespace {

std::string labelFromUdev(const std::string& folder, const std::string& majorMinor)
{
    std::ifstream in(folder + "/b" + majorMinor);
    std::string plain;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("E:ID_FS_LABEL_ENC="))
            return unescapeUdevLabel(line.substr(18));
        if (line.starts_with("E:ID_FS_LABEL="))
            plain = line.substr(14);
    }
    return plain;
}

std::string labelFromLinks(const std::string& folder, const std::string& source)
{
    std::error_code ec;
    const fs::path device = fs::canonical(source, ec);
    if (ec)
        return {};
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::canonical(it->path(), linkError) == device && !linkError)
            return unescapeUdevLabel(it->path().filename().string());
    }
    return {};
}

// One property of a device in the udev database ("E:KEY=value").
std::string udevProperty(const std::string& folder, const std::string& majorMinor, const std::string& key)
{
    std::ifstream in(folder + "/b" + majorMinor);
    const std::string prefix = "E:" + key + "=";
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(prefix))
            return line.substr(prefix.size());
    return {};
}

const MountEntry* findMount(const std::vector<MountEntry>& mounts, const std::string& root)
{
    for (const MountEntry& m : mounts)
        if (m.mountPoint + (m.mountPoint.ends_with('/') ? "" : "/") == root)
            return &m;
    return nullptr;
}

} // namespace

std::string unescapeMountField(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t k) { return k < field.size() && field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string unescapeUdevLabel(const std::string& encoded)
{
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x'
            && std::isxdigit(static_cast<unsigned char>(encoded[i + 2]))
            && std::isxdigit(static_cast<unsigned char>(encoded[i + 3]))) {
            out += static_cast<char>(std::stoi(encoded.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

std::vector<RemovableDrive> LinuxVolumes::removableDrives() const
{
    std::vector<RemovableDrive> drives;
    for (const MountEntry& m : readMountTable(sources_.mountInfo)) {
        if (!isRemovableDevice(fs::path(sources_.sysBlockDevices) / m.majorMinor))
            continue;
        struct statvfs info {};
        if (::statvfs(m.mountPoint.c_str(), &info) != 0) // no medium, or gone
            continue;
        std::string label = labelFromUdev(sources_.udevData, m.majorMinor);
        if (label.empty())
            label = labelFromLinks(sources_.labelLinks, m.source);
        const std::string root = m.mountPoint.ends_with('/') ? m.mountPoint : m.mountPoint + "/";
        if (std::none_of(drives.begin(), drives.end(), [&](const RemovableDrive& d) { return d.root == root; }))
            drives.push_back({root, label});
    }
    std::sort(drives.begin(), drives.end(), [](const RemovableDrive& a, const RemovableDrive& b) { return a.root < b.root; });
    return drives;
}

bool LinuxVolumes::setLabel(const RemovableDrive& drive, const std::string& label, std::string& error)
{
    const auto mounts = readMountTable(sources_.mountInfo);
    const MountEntry* mount = findMount(mounts, drive.root);
    if (mount == nullptr) {
        error = drive.root + " is not mounted";
        return false;
    }
    if (mount->fsType != "vfat") {
        error = "only FAT volumes can be relabelled (" + mount->fsType + ")";
        return false;
    }
    const int fd = ::open(mount->source.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = mount->source + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = writeFat32Label(*descriptorAccess(fd), label, error);
    ::close(fd); // closing a device opened for writing makes udev read the new label
    return ok;
}

std::string fileSystemName(const std::string& udevType, const std::string& udevVersion, const std::string& mountType)
{
    const std::string type = udevType.empty() ? mountType : udevType;
    if (type == "vfat" || type == "msdos")
        return udevVersion.starts_with("FAT") ? udevVersion : std::string("FAT");
    if (type == "exfat")
        return "exFAT";
    if (type == "ntfs" || type == "ntfs3" || type == "fuseblk")
        return type == "fuseblk" ? std::string() : std::string("NTFS");
    return type;
}

namespace {

std::optional<VolumeDevice> describeBlockDevice(const std::string& devicePath, const std::string& majorMinor,
                                                const std::string& sysBlockDevices, const std::string& udevData,
                                                const std::string& mountType)
{
    std::error_code ec;
    const fs::path folder = fs::canonical(fs::path(sysBlockDevices) / majorMinor, ec);
    if (ec)
        return std::nullopt;
    const bool partition = fs::exists(folder / "partition", ec);
    const fs::path disk = partition ? folder.parent_path() : folder;
    VolumeDevice device;
    device.path = devicePath;
    device.totalBytes = std::strtoull(firstLine(folder / "size").c_str(), nullptr, 10) * 512; // sysfs counts 512-byte units
    const unsigned long sector = std::strtoul(firstLine(disk / "queue" / "logical_block_size").c_str(), nullptr, 10);
    device.bytesPerSector = sector == 0 ? 512 : static_cast<std::uint32_t>(sector);
    device.readOnly = firstLine(folder / "ro") == "1" || firstLine(disk / "ro") == "1";
    device.fileSystem = fileSystemName(udevProperty(udevData, majorMinor, "ID_FS_TYPE"),
                                       udevProperty(udevData, majorMinor, "ID_FS_VERSION"), mountType);
    return device;
}

} // namespace

std::optional<VolumeDevice> LinuxVolumes::deviceOf(const RemovableDrive& drive) const
{
    const auto mounts = readMountTable(sources_.mountInfo);
    const MountEntry* mount = findMount(mounts, drive.root);
    if (mount == nullptr)
        return std::nullopt;
    auto device = describeBlockDevice(mount->source, mount->majorMinor, sources_.sysBlockDevices, sources_.udevData, mount->fsType);
    if (device)
        device->mountPoint = mount->mountPoint;
    return device;
}

std::optional<VolumeDevice> blockVolumeDevice(const std::string& devicePath)
{
    struct stat info {};
    if (::stat(devicePath.c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return std::nullopt;
    const LinuxVolumeSources sources;
    return describeBlockDevice(devicePath, std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev)),
                               sources.sysBlockDevices, sources.udevData, {});
}

std::unique_ptr<Volumes> systemVolumes() { return std::make_unique<LinuxVolumes>(); }

} // namespace dravonix
