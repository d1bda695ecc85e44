#include "telemetry/byte_source.h"

#include <algorithm>
#include <cstring>

namespace dravonix {

std::size_t MemoryByteSource::readAt(std::uint64_t offset, std::span<std::byte> out) const
{
    if (out.empty() || offset >= bytes_.size())
        return 0;
    const std::size_t count = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, count);
    return count;
}

std::size_t ReadAheadByteSource::readAt(std::uint64_t offset, std::span<std::byte> out) const
{
    if (out.empty() || offset >= inner_.size())
        return 0;
    if (out.size() > buffer_.size() / 4) {
        const std::size_t got = inner_.readAt(offset, out);
        if (inner_.readError() != 0)
            noteReadError(inner_.readError());
        return got;
    }
    if (offset < start_ || offset + out.size() > start_ + filled_) {
        start_ = offset;
        filled_ = inner_.readAt(offset, buffer_);
        if (inner_.readError() != 0) {
            noteReadError(inner_.readError());
            filled_ = 0;
            return 0;
        }
    }
    const std::size_t within = static_cast<std::size_t>(offset - start_);
    const std::size_t count = std::min(out.size(), filled_ - std::min(within, filled_));
    std::memcpy(out.data(), buffer_.data() + within, count);
    return count;
}

void ReadAheadByteSource::readMany(std::span<ReadRequest> requests) const
{
    inner_.readMany(requests);
    if (inner_.readError() != 0)
        noteReadError(inner_.readError());
}

} // namespace dravonix
