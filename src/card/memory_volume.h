#pragma once
// A volume held in memory: the label code's tests and fuzzer run it over
// hand-made images without touching a file.

#include "card/block_device.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace dravonix {

class MemoryVolume final : public RandomAccess {
public:
    explicit MemoryVolume(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    int readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        ++reads_;
        if (!fits(offset, out.size()))
            return EIO;
        if (!out.empty())
            std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return 0;
    }
    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        ++writes_;
        if (!fits(offset, data.size()))
            return ENOSPC; // like a card, it never grows
        if (!data.empty())
            std::memcpy(bytes_.data() + offset, data.data(), data.size());
        return 0;
    }
    int sync() override { return 0; }
    std::uint64_t sizeBytes() override { return bytes_.size(); }

    std::uint64_t reads() const { return reads_; }
    std::uint64_t writes() const { return writes_; }

private:
    bool fits(std::uint64_t offset, std::size_t size) const
    {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }

    std::vector<std::uint8_t>& bytes_;
    std::uint64_t reads_ = 0;
    std::uint64_t writes_ = 0;
};

} // namespace dravonix
