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

} // namespace dravonix
