#include "toolkit/input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {
namespace {

Error systemError(const std::string& what, int error) { return Error{what + ": " + std::strerror(error), error}; }

// The words for a file of this type, or empty when it may be read.
std::string kindReason(mode_t mode, InputFile::Accept accept)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISBLK(mode))
        return accept == InputFile::Accept::RegularFileOrBlockDevice ? std::string() : "is a block device, not a file";
    if (S_ISDIR(mode))
        return "is a folder";
    if (S_ISCHR(mode))
        return "is a character device, not a file";
    if (S_ISFIFO(mode))
        return "is a FIFO, not a file";
    if (S_ISSOCK(mode))
        return "is a socket, not a file";
    return "is not a regular file";
}

FileIdentity identityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

} // namespace

// O_NONBLOCK: opening a FIFO with no writer would otherwise wait for one.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

Expected<InputFile, Error> InputFile::open(const std::filesystem::path& path, Accept accept)
{
    return fromOpened(::open(path.c_str(), kOpenFlags), accept);
}

Expected<InputFile, Error> InputFile::openIn(const OpenFolder& folder, const char* name, Accept accept)
{
    return fromOpened(::openat(folder.descriptor(), name, kOpenFlags), accept);
}

Expected<InputFile, Error> InputFile::fromOpened(int fd, Accept accept)
{
    if (fd < 0)
        return unexpected(systemError("cannot open", errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return unexpected(systemError("cannot read its size", error));
    }
    if (std::string reason = kindReason(info.st_mode, accept); !reason.empty()) {
        ::close(fd);
        return unexpected(Error{std::move(reason), 0});
    }
    // A regular file's reads ignore O_NONBLOCK, so it stays set until a read
    // says otherwise: two system calls saved per file on a card of thousands.
    std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    if (S_ISBLK(info.st_mode)) {
        const off_t end = ::lseek(fd, 0, SEEK_END);
        size = end > 0 ? static_cast<std::uint64_t>(end) : 0;
    }
    return InputFile(fd, size, identityOf(info));
}

Expected<OpenFolder, Error> OpenFolder::open(const std::filesystem::path& path)
{
#ifdef O_PATH
    const int fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    if (fd < 0)
        return unexpected(systemError("cannot open", errno));
    return OpenFolder(fd);
}

OpenFolder& OpenFolder::operator=(OpenFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

OpenFolder::~OpenFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

InputFile::InputFile(InputFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), identity_(other.identity_), blocking_(other.blocking_)
{
    other.fd_ = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        identity_ = other.identity_;
        blocking_ = other.blocking_;
        other.fd_ = -1;
    }
    return *this;
}

InputFile::~InputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Expected<std::size_t, Error> InputFile::readAt(std::uint64_t offset, std::span<std::byte> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && !blocking_) {
            makeBlocking();
            continue;
        }
        if (n < 0)
            return unexpected(systemError("cannot read at offset " + std::to_string(offset + done), errno));
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void InputFile::makeBlocking() const
{
    if (blocking_)
        return;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    blocking_ = true;
}

Expected<std::string, Error> InputFile::readAll(std::size_t limit) const
{
    if (size_ > limit)
        return unexpected(Error{"holds " + std::to_string(size_) + " bytes, more than the " + std::to_string(limit)
                                    + " expected",
                                0});
    std::string bytes(static_cast<std::size_t>(size_), '\0');
    auto got = readAt(0, std::as_writable_bytes(std::span(bytes.data(), bytes.size())));
    if (!got)
        return unexpected(got.error());
    bytes.resize(*got);
    return bytes;
}

std::string notAFileReason(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return kindReason(info.st_mode, InputFile::Accept::RegularFile);
}

Expected<FileIdentity, Error> fileIdentity(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return unexpected(systemError("cannot look at " + path.string(), errno));
    return identityOf(info);
}

} // namespace dravonix
