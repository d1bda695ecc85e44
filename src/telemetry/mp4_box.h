#pragma once
// Just enough ISO base media writing and walking to lay out recordings the
// way the camera does: boxes built in memory, children listed by position.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix::mp4 {

using Bytes = std::vector<std::uint8_t>;

void putU8(Bytes& out, std::uint8_t v);
void putU16(Bytes& out, std::uint16_t v);
void putU32(Bytes& out, std::uint32_t v);
void putU32Le(Bytes& out, std::uint32_t v);
void putText(Bytes& out, std::string_view text); // without a terminator
void append(Bytes& out, const Bytes& more);

std::uint32_t readU32(const Bytes& in, std::size_t at);
void writeU32(Bytes& out, std::size_t at, std::uint32_t v);

// A box of `type` around `payload`.
Bytes box(std::string_view type, const Bytes& payload);
// A full box: version and flags, then the payload.
Bytes fullBox(std::string_view type, std::uint8_t version, std::uint32_t flags, const Bytes& payload);
// A container of already built children.
Bytes container(std::string_view type, const std::vector<Bytes>& children);

struct BoxRef {
    std::size_t start = 0;
    std::size_t size = 0;
    std::string type;

    std::size_t end() const { return start + size; }
    std::size_t payload() const { return start + 8; }
};

// The boxes between `start` and `end`; stops at the first malformed one.
std::vector<BoxRef> childBoxes(const Bytes& file, std::size_t start, std::size_t end);
Bytes slice(const Bytes& file, const BoxRef& box);

} // namespace dravonix::mp4
