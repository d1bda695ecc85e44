#include "telemetry/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {
namespace {

// Positioned reads rather than a mapping: a card pulled while a mapped file
// is read would kill the program with SIGBUS, a failed read only ends early.
class DescriptorSource final : public ByteSource {
public:
    DescriptorSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~DescriptorSource() override { ::close(fd_); }
    DescriptorSource(const DescriptorSource&) = delete;
    DescriptorSource& operator=(const DescriptorSource&) = delete;

    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override
    {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done,
                                      static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

private:
    int fd_;
    std::uint64_t size_;
};

OpenError errnoError(const char* what)
{
    return OpenError{std::string(what) + ": " + std::strerror(errno)};
}

} // namespace

std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errnoError("cannot open");
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const OpenError error = errnoError("cannot read its size");
        ::close(fd);
        return error;
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return OpenError{"is a folder"};
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    return std::make_unique<DescriptorSource>(fd, size);
}

} // namespace dravonix
