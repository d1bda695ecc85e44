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

namespace dravonix {

struct ReadRequest {
    std::uint64_t offset = 0;
    std::span<std::byte> out;
    std::size_t got = 0; // filled in: how many bytes were read
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies up to out.size() bytes from `offset`; returns how many it copied.
    virtual std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const = 0;
    // Many reads at once; a platform may hand them to the system in one go.
    virtual void readMany(std::span<ReadRequest> requests) const
    {
        for (ReadRequest& r : requests)
            r.got = readAt(r.offset, r.out);
    }
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::byte> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override;

private:
    std::span<const std::byte> bytes_;
};

struct OpenError {
    std::string reason;
};

// Opens a file for reading. Folders and unreadable files give an error.
std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const std::filesystem::path& path);

} // namespace dravonix
