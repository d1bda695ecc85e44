#pragma once
// Random access to a recording's bytes. The track reader goes through this so
// that tests and fuzzers feed byte arrays while the program maps the file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace dravonix {

struct ReadRequest {
    std::uint64_t offset = 0;
    std::span<std::byte> out;
    std::size_t got = 0; // filled in: how many bytes were read
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The first read error met so far, as an errno value, or 0: a read that
    // came back short for this reason did not reach the end of the file.
    int readError() const { return readError_; }
    virtual std::uint64_t size() const = 0;
    // Copies up to out.size() bytes from `offset`; returns how many it copied.
    virtual std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const = 0;
    // Many reads at once; a platform may hand them to the system in one go.
    virtual void readMany(std::span<ReadRequest> requests) const
    {
        for (ReadRequest& r : requests)
            r.got = readAt(r.offset, r.out);
    }
    // The `length` bytes at `offset` where the source already holds them all
    // in memory, to be read in place until its next read; else empty.
    virtual std::span<const std::byte> bytesHeld(std::uint64_t /*offset*/, std::size_t /*length*/) const
    {
        return {};
    }

protected:
    void noteReadError(int error) const
    {
        if (readError_ == 0)
            readError_ = error;
    }

private:
    mutable int readError_ = 0;
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::byte> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override;

private:
    std::span<const std::byte> bytes_;
};

// Serves small reads from a window read ahead of them: walking a box tree
// then costs a system call per window instead of one per 8-byte header.
// Larger reads and batches go straight through, except where the window
// already holds what they ask for (all of a small file, say).
class ReadAheadByteSource final : public ByteSource {
public:
    explicit ReadAheadByteSource(const ByteSource& inner, std::size_t window = 64 * 1024);
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override;
    void readMany(std::span<ReadRequest> requests) const override;
    std::span<const std::byte> bytesHeld(std::uint64_t offset, std::size_t length) const override;

private:
    static constexpr std::size_t kMissed = static_cast<std::size_t>(-1);
    // The bytes copied from the window, or kMissed when it doesn't hold them.
    std::size_t fromWindow(std::uint64_t offset, std::span<std::byte> out) const;

    const ByteSource& inner_;
    std::uint64_t size_; // the inner source's, asked for at every read
    std::unique_ptr<std::byte[]> buffer_; // left uninitialised: only what was read is copied out
    std::size_t window_;
    mutable std::uint64_t start_ = 0;
    mutable std::size_t filled_ = 0;
};

class OpenFolder;

struct OpenError {
    std::string reason;
};

// Opens a file for reading, without blocking, once. Anything but a regular
// file (a folder, a FIFO, a device) and unreadable files give an error.
std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const std::filesystem::path& path);
// The same for a file of an open folder, by its name in it.
std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const OpenFolder& folder, const char* name);

} // namespace dravonix
