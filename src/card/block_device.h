#pragma once
// Sector access to a whole volume for the formatter and the label writer:
// a removable block device, or an image file (which makes every test
// possible without root).

#include "card/fat32_layout.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace dravonix {

// Byte-addressed access used by the FAT label code; 0 or an errno value.
class RandomAccess {
public:
    virtual ~RandomAccess() = default;
    virtual int readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    virtual int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
    virtual int sync() = 0;
    // How many bytes there are to read: nothing past it belongs to the volume.
    virtual std::uint64_t sizeBytes() = 0;
};

class BlockDevice : public RandomAccess {
public:
    virtual DeviceFacts facts() const = 0;
    std::uint64_t sizeBytes() override { return facts().partitionBytes; }
    // Marks the partition as FAT32 (LBA) in its disk's partition table; an
    // errno value when there is none to change.
    virtual int setPartitionType(std::uint8_t type) = 0;
    // Flushes everything and lets the system read the volume afresh.
    virtual int finish() = 0;
    virtual std::string name() const = 0;
};

struct OpenedDevice {
    std::unique_ptr<BlockDevice> device;
    int error = 0;       // errno, or kRefused for a refusal of ours
    std::string message; // why it can't be formatted
};
inline constexpr int kRefusedDevice = 0x10000;

// Asked for a descriptor open for reading and writing when the system won't
// let this user open the device: the platform's disk service, which may ask
// the user to authenticate. The descriptor must lead to the same device or
// file as the path, or it is refused.
using DescriptorSource = std::function<Expected<int, Error>(const std::string& path)>;

// An existing image file, with 512- or 4096-byte sectors and no geometry,
// locked against other writers for as long as it stays open. Refused when
// another process holds the lock, or when the system uses the file as a
// mounted or busy disk (a loop device).
OpenedDevice openImageFile(const std::string& path, std::uint32_t bytesPerSector = 512, std::uint32_t hiddenSectors = 0,
                           const DescriptorSource& whenDenied = {});

// A block device, opened exclusively. Refused before anything is written:
// a mounted volume, one another process holds, one that holds the running
// system, and one that is not removable.
OpenedDevice openRemovableBlockDevice(const std::string& path, const DescriptorSource& whenDenied = {});

// An image file or a block device, by what the path names. Without the
// permission to open it, `whenDenied` is asked; without that either, the
// result is EACCES (or EPERM) with a message that says so and names the path.
OpenedDevice openFormatTarget(const std::string& path, std::uint32_t imageSectorSize = 512,
                              const DescriptorSource& whenDenied = {});

// Why the device must not be formatted, found before anyone is asked to
// agree: it holds the running system, it isn't removable, another device or
// process uses it, or it is mounted anywhere but at `ownMountPoint` (which
// the format itself unmounts). Empty when nothing stands in the way.
std::string whyNotToFormat(const std::string& path, const std::string& ownMountPoint);

// Why the image file open as `fd` must not be written as a volume now; empty
// when nothing uses it. One implementation per platform.
std::string whyImageFileInUse(int fd, const std::string& path);

// A plain file descriptor as random access (the label writer on a mounted card).
std::unique_ptr<RandomAccess> descriptorAccess(int fd);

} // namespace dravonix
