#pragma once
// Fuzz input as a file: the loaders that take a path read it through
// /proc/self/fd, from a memory file that lives as long as the process.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace dravonix::fuzz {

class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("dravonix-fuzz", MFD_CLOEXEC))
    {
        if (fd_ < 0)
            std::abort(); // the target can't run as meant without one
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the contents; the path stays the same.
    std::filesystem::path holding(std::span<const std::uint8_t> bytes)
    {
        if (::ftruncate(fd_, 0) != 0)
            std::abort();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};

} // namespace dravonix::fuzz
