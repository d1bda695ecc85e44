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

ReadAheadByteSource::ReadAheadByteSource(const ByteSource& inner, std::size_t window)
    : inner_(inner), size_(inner.size()), buffer_(std::make_unique_for_overwrite<std::byte[]>(window)), window_(window)
{
}

std::size_t ReadAheadByteSource::fromWindow(std::uint64_t offset, std::span<std::byte> out) const
{
    // What the window holds, or all of the file that is left when the
    // window runs to its end: the source below would give no more.
    const std::uint64_t windowEnd = start_ + filled_;
    if (filled_ == 0 || offset < start_ || offset > windowEnd
        || (offset + out.size() > windowEnd && windowEnd < size_))
        return kMissed;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), windowEnd - offset));
    std::memcpy(out.data(), buffer_.get() + (offset - start_), count);
    return count;
}

std::span<const std::byte> ReadAheadByteSource::bytesHeld(std::uint64_t offset, std::size_t length) const
{
    if (filled_ == 0 || offset < start_ || offset - start_ > filled_ || length > filled_ - (offset - start_))
        return {};
    return {buffer_.get() + (offset - start_), length};
}

std::size_t ReadAheadByteSource::readAt(std::uint64_t offset, std::span<std::byte> out) const
{
    if (out.empty() || offset >= size_)
        return 0;
    if (const std::size_t got = fromWindow(offset, out); got != kMissed)
        return got;
    if (out.size() > window_ / 4) {
        const std::size_t got = inner_.readAt(offset, out);
        if (inner_.readError() != 0)
            noteReadError(inner_.readError());
        return got;
    }
    start_ = offset;
    // No further than the file's size, so that a file smaller than the
    // window is read with one call, not a second one finding its end.
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(window_, size_ - offset));
    filled_ = inner_.readAt(offset, std::span(buffer_.get(), want));
    if (inner_.readError() != 0) {
        noteReadError(inner_.readError());
        filled_ = 0;
        return 0;
    }
    const std::size_t count = std::min(out.size(), filled_);
    std::memcpy(out.data(), buffer_.get(), count);
    return count;
}

void ReadAheadByteSource::readMany(std::span<ReadRequest> requests) const
{
    std::vector<ReadRequest> rest;
    std::vector<std::size_t> restIndex;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        ReadRequest& r = requests[i];
        r.got = r.out.empty() || r.offset >= size_ ? 0 : fromWindow(r.offset, r.out);
        if (r.got == kMissed) {
            rest.push_back({r.offset, r.out, 0});
            restIndex.push_back(i);
        }
    }
    if (rest.empty())
        return;
    inner_.readMany(rest);
    if (inner_.readError() != 0)
        noteReadError(inner_.readError());
    for (std::size_t k = 0; k < rest.size(); ++k)
        requests[restIndex[k]].got = rest[k].got;
}

} // namespace dravonix
