#include "config/device_config.h"

#include <algorithm>
#include <cstring>

namespace dravonix {

DeviceConfig::DeviceConfig()
{
    defaults(false);
    updateChecksum();
}

void DeviceConfig::defaults(bool keepCardFields)
{
#define DRAVONIX_DEFAULT_U16(name, setter, offset, def, kept) \
    if (!(keepCardFields && (kept)))                           \
        setter(def);
#define DRAVONIX_DEFAULT_U32(name, setter, offset, def, kept) \
    if (!(keepCardFields && (kept)))                           \
        setter(def);
#define DRAVONIX_DEFAULT_U8(name, setter, offset, def, kept) \
    if (!(keepCardFields && (kept)))                          \
        setter(def);
#define DRAVONIX_DEFAULT_TEXT(name, setter, offset, width, def) setter(def);
    DRAVONIX_CONFIG_U16_FIELDS(DRAVONIX_DEFAULT_U16)
    DRAVONIX_CONFIG_U32_FIELDS(DRAVONIX_DEFAULT_U32)
    DRAVONIX_CONFIG_U8_FIELDS(DRAVONIX_DEFAULT_U8)
    DRAVONIX_CONFIG_TEXT_FIELDS(DRAVONIX_DEFAULT_TEXT)
#undef DRAVONIX_DEFAULT_U16
#undef DRAVONIX_DEFAULT_U32
#undef DRAVONIX_DEFAULT_U8
#undef DRAVONIX_DEFAULT_TEXT
}

std::uint16_t DeviceConfig::checksum() const
{
    std::uint16_t sum = 0;
    for (std::size_t offset = 4; offset <= 496; offset += 4)
        sum ^= static_cast<std::uint16_t>(u32(offset) & 0xffffu);
    return sum;
}

std::uint16_t DeviceConfig::u16(std::size_t offset) const
{
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::uint32_t DeviceConfig::u32(std::size_t offset) const
{
    return std::uint32_t{bytes_[offset]} | (std::uint32_t{bytes_[offset + 1]} << 8)
           | (std::uint32_t{bytes_[offset + 2]} << 16) | (std::uint32_t{bytes_[offset + 3]} << 24);
}

void DeviceConfig::setU16(std::size_t offset, std::uint16_t v)
{
    bytes_[offset] = static_cast<std::uint8_t>(v);
    bytes_[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

void DeviceConfig::setU32(std::size_t offset, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes_[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void DeviceConfig::setText(std::size_t offset, std::size_t width, std::string_view latin1)
{
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), width, std::uint8_t{0});
    std::copy_n(latin1.begin(), std::min(width, latin1.size()), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string DeviceConfig::text(std::size_t offset, std::size_t width) const
{
    const auto* start = reinterpret_cast<const char*>(bytes_.data() + offset);
    return std::string(start, strnlen(start, width));
}

void DeviceConfig::overwriteWith(std::span<const std::uint8_t> data)
{
    // copy_n, not memcpy: an empty span may have no data pointer at all.
    std::copy_n(data.begin(), std::min(data.size(), bytes_.size()), bytes_.begin());
}

std::span<const FieldInfo> configFields()
{
    static const std::vector<FieldInfo> fields = [] {
        std::vector<FieldInfo> out;
#define DRAVONIX_INFO_U16(name, setter, offset, def, kept) out.push_back({#name, offset, FieldKind::U16, 2, kept});
#define DRAVONIX_INFO_U32(name, setter, offset, def, kept) out.push_back({#name, offset, FieldKind::U32, 4, kept});
#define DRAVONIX_INFO_U8(name, setter, offset, def, kept) out.push_back({#name, offset, FieldKind::U8, 1, kept});
#define DRAVONIX_INFO_TEXT(name, setter, offset, width, def) \
    out.push_back({#name, offset, FieldKind::Text, width, false});
        DRAVONIX_CONFIG_U16_FIELDS(DRAVONIX_INFO_U16)
        out.push_back({"checksum", 2, FieldKind::U16, 2, false});
        DRAVONIX_CONFIG_U32_FIELDS(DRAVONIX_INFO_U32)
        DRAVONIX_CONFIG_U8_FIELDS(DRAVONIX_INFO_U8)
        out.push_back({"reserved403", 403, FieldKind::U8, 1, false});
        DRAVONIX_CONFIG_TEXT_FIELDS(DRAVONIX_INFO_TEXT)
#undef DRAVONIX_INFO_U16
#undef DRAVONIX_INFO_U32
#undef DRAVONIX_INFO_U8
#undef DRAVONIX_INFO_TEXT
        std::sort(out.begin(), out.end(), [](const FieldInfo& a, const FieldInfo& b) { return a.offset < b.offset; });
        return out;
    }();
    return fields;
}

std::string configFieldText(const DeviceConfig& config, const FieldInfo& field)
{
    const auto bytes = config.bytes();
    switch (field.kind) {
    case FieldKind::U16: return std::to_string(config.u16(field.offset));
    case FieldKind::U32: return std::to_string(config.u32(field.offset));
    case FieldKind::U8: return std::to_string(bytes[field.offset]);
    case FieldKind::Text: break;
    }
    const auto text = bytes.subspan(field.offset, field.width);
    std::string out = "\"";
    if (std::all_of(text.begin(), text.end(), [](std::uint8_t b) { return b == 0; }))
        return out + "\"";
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const std::uint8_t b : text) {
        if (b >= 0x20 && b < 0x7f && b != '"' && b != '\\')
            out += static_cast<char>(b);
        else
            out += std::string{'\\', 'x', kHex[b >> 4], kHex[b & 0xF]};
    }
    return out + "\"";
}

const FieldInfo* findConfigField(std::string_view name)
{
    for (const FieldInfo& field : configFields())
        if (field.name == name)
            return &field;
    return nullptr;
}

} // namespace dravonix
