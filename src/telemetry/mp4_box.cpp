#include "telemetry/mp4_box.h"

#include <stdexcept>

namespace dravonix::mp4 {

void putU8(Bytes& out, std::uint8_t v) { out.push_back(v); }

void putU16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void putU32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putU32Le(Bytes& out, std::uint32_t v)
{
    for (int shift = 0; shift <= 24; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

std::uint32_t readU32(const Bytes& in, std::size_t at)
{
    if (at + 4 > in.size())
        throw std::out_of_range("read past the end of an MP4 buffer");
    return (std::uint32_t{in[at]} << 24) | (std::uint32_t{in[at + 1]} << 16) | (std::uint32_t{in[at + 2]} << 8)
           | std::uint32_t{in[at + 3]};
}

void writeU32(Bytes& out, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

Bytes box(std::string_view type, const Bytes& payload)
{
    Bytes out;
    out.reserve(payload.size() + 8);
    putU32(out, static_cast<std::uint32_t>(payload.size() + 8));
    putText(out, type);
    append(out, payload);
    return out;
}

Bytes fullBox(std::string_view type, std::uint8_t version, std::uint32_t flags, const Bytes& payload)
{
    Bytes body;
    putU32(body, (std::uint32_t{version} << 24) | (flags & 0xffffffu));
    append(body, payload);
    return box(type, body);
}

Bytes container(std::string_view type, const std::vector<Bytes>& children)
{
    Bytes body;
    for (const Bytes& child : children)
        append(body, child);
    return box(type, body);
}

std::vector<BoxRef> childBoxes(const Bytes& file, std::size_t start, std::size_t end)
{
    std::vector<BoxRef> boxes;
    std::size_t at = start;
    while (at + 8 <= end) {
        const std::size_t size = readU32(file, at);
        if (size < 8 || at + size > end)
            break;
        boxes.push_back({at, size, std::string(reinterpret_cast<const char*>(&file[at + 4]), 4)});
        at += size;
    }
    return boxes;
}

Bytes slice(const Bytes& file, const BoxRef& box)
{
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(box.start),
                 file.begin() + static_cast<std::ptrdiff_t>(box.end()));
}

} // namespace dravonix::mp4
