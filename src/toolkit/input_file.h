#pragma once
// Opening a file that a card or a user names, for reading. The path is opened
// once and without blocking, so a FIFO or a stalled device cannot hang the
// caller, and only a regular file (or, when asked for, a block device) is
// accepted: its size at opening then bounds everything read from it.

#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>

namespace dravonix {

// Device and inode: tells whether two names lead to the same file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A folder held open, so that the files in it are opened by their names
// alone: the path up to the folder is not looked up again for each of them.
class OpenFolder {
public:
    static Expected<OpenFolder, Error> open(const std::filesystem::path& path);

    OpenFolder(OpenFolder&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    OpenFolder& operator=(OpenFolder&& other) noexcept;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    int descriptor() const { return fd_; }

private:
    explicit OpenFolder(int fd) : fd_(fd) {}
    int fd_ = -1;
};

class InputFile {
public:
    enum class Accept { RegularFile, RegularFileOrBlockDevice };

    static Expected<InputFile, Error> open(const std::filesystem::path& path, Accept accept = Accept::RegularFile);
    // The same for a file of an open folder, by its name in it.
    static Expected<InputFile, Error> openIn(const OpenFolder& folder, const char* name,
                                             Accept accept = Accept::RegularFile);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    int descriptor() const { return fd_; }
    // Clears O_NONBLOCK (kept from opening while reads ignore it), for
    // readers that would otherwise be told EAGAIN, such as an io_uring.
    void makeBlocking() const;
    std::uint64_t size() const { return size_; }
    FileIdentity identity() const { return identity_; }

    // Up to out.size() bytes from `offset`: fewer only at the end of the file;
    // a read error is an error, never a short read.
    Expected<std::size_t, Error> readAt(std::uint64_t offset, std::span<std::byte> out) const;
    // The whole file when it holds at most `limit` bytes.
    Expected<std::string, Error> readAll(std::size_t limit) const;

private:
    InputFile(int fd, std::uint64_t size, FileIdentity identity) : fd_(fd), size_(size), identity_(identity) {}
    static Expected<InputFile, Error> fromOpened(int fd, Accept accept);

    int fd_ = -1;
    std::uint64_t size_ = 0;
    FileIdentity identity_;
    mutable bool blocking_ = false;
};

// What kind of thing a path names, for messages ("is a FIFO, not a file").
// Empty for a regular file or a path that does not exist.
std::string notAFileReason(const std::filesystem::path& path);

// The identity of the file a path leads to (links followed), if it exists.
Expected<FileIdentity, Error> fileIdentity(const std::filesystem::path& path);

} // namespace dravonix
