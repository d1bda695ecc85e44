#include "card/block_device.h"
#include "card/descriptor_open.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {

int preadAll(int fd, std::uint64_t offset, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO; // past the end
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int pwriteAll(int fd, std::uint64_t offset, std::span<const std::uint8_t> data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

namespace {

class DescriptorAccess : public RandomAccess {
public:
    explicit DescriptorAccess(int fd) : fd_(fd) {}
    int readAt(std::uint64_t offset, std::span<std::uint8_t> out) override { return preadAll(fd_, offset, out); }
    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override { return pwriteAll(fd_, offset, data); }
    int sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }
    std::uint64_t sizeBytes() override
    {
        struct stat info {};
        if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode))
            return static_cast<std::uint64_t>(info.st_size);
        const off_t end = ::lseek(fd_, 0, SEEK_END); // a device: only pread and pwrite use the offset
        return end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }

private:
    int fd_;
};

class ImageFile final : public BlockDevice {
public:
    ImageFile(int fd, std::string path, DeviceFacts facts) : fd_(fd), path_(std::move(path)), facts_(facts) {}
    ~ImageFile() override { ::close(fd_); }
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    int readAt(std::uint64_t offset, std::span<std::uint8_t> out) override { return preadAll(fd_, offset, out); }
    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        if (offset + data.size() > facts_.partitionBytes)
            return ENOSPC; // an image never grows past the size it was given
        return pwriteAll(fd_, offset, data);
    }
    int sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }
    DeviceFacts facts() const override { return facts_; }
    int setPartitionType(std::uint8_t) override { return ENOTTY; } // an image has no partition table
    int finish() override { return sync(); }
    std::string name() const override { return path_; }

private:
    int fd_;
    std::string path_;
    DeviceFacts facts_;
};

} // namespace

std::unique_ptr<RandomAccess> descriptorAccess(int fd) { return std::make_unique<DescriptorAccess>(fd); }

OpenedDescriptor openForFormat(const std::string& path, int flags, const DescriptorSource& whenDenied)
{
    const int fd = ::open(path.c_str(), flags);
    if (fd >= 0)
        return {fd, {}};
    const int error = errno;
    if (error != EACCES && error != EPERM)
        return {-1, {nullptr, error, path + ": " + std::strerror(error)}};
    const std::string needs = "Formatting needs write permission to " + path + ", which this user does not have";
    if (!whenDenied)
        return {-1, {nullptr, error, needs + "."}};
    const auto handed = whenDenied(path);
    if (!handed)
        return {-1, {nullptr, error, needs + ", and asking the disk service for it failed: " + handed.error().message}};
    // The service must have opened what we asked for, and nothing else.
    struct stat wanted {};
    struct stat got {};
    const bool same = ::stat(path.c_str(), &wanted) == 0 && ::fstat(*handed, &got) == 0
                      && (S_ISBLK(wanted.st_mode) ? S_ISBLK(got.st_mode) && got.st_rdev == wanted.st_rdev
                                                  : S_ISREG(got.st_mode) && got.st_dev == wanted.st_dev && got.st_ino == wanted.st_ino);
    if (!same) {
        ::close(*handed);
        return {-1, {nullptr, kRefusedDevice, "the disk service handed over something other than " + path}};
    }
    return {*handed, {}};
}

OpenedDevice openImageFile(const std::string& path, std::uint32_t bytesPerSector, std::uint32_t hiddenSectors,
                           const DescriptorSource& whenDenied)
{
    if (bytesPerSector != 512 && bytesPerSector != 4096)
        return {nullptr, kRefusedDevice, "sectors of " + std::to_string(bytesPerSector) + " bytes are not supported"};
    // Told before opening: an open wakes a FIFO's reader, and some devices
    // act on it (a watchdog starts counting down).
    if (struct stat named {}; ::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode))
        return {nullptr, kRefusedDevice, path + " is neither a block device nor an image file"};
    OpenedDescriptor opened = openForFormat(path, O_RDWR | O_CLOEXEC, whenDenied);
    if (opened.fd < 0)
        return std::move(opened.failure);
    const int fd = opened.fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {nullptr, kRefusedDevice, path + " is not an image file"};
    }
    // Two formats of one image would interleave their writes. A file system
    // without locks gets no lock rather than no format.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return {nullptr, kRefusedDevice,
                path + " is locked by another process that is writing it: try again when it has finished"};
    }
    if (const std::string why = whyImageFileInUse(fd, path); !why.empty()) {
        ::close(fd);
        return {nullptr, kRefusedDevice, why};
    }
    DeviceFacts facts;
    facts.bytesPerSector = bytesPerSector;
    facts.partitionBytes = static_cast<std::uint64_t>(info.st_size);
    facts.hiddenSectors = hiddenSectors;
    return {std::make_unique<ImageFile>(fd, path, facts), 0, {}};
}

OpenedDevice openFormatTarget(const std::string& path, std::uint32_t imageSectorSize, const DescriptorSource& whenDenied)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {nullptr, errno, path + ": " + std::strerror(errno)};
    if (S_ISBLK(info.st_mode))
        return openRemovableBlockDevice(path, whenDenied);
    return openImageFile(path, imageSectorSize, 0, whenDenied);
}

} // namespace dravonix
