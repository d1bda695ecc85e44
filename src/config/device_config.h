#pragma once
// The camera's "config.bin": exactly 500 little-endian bytes, kept as they are
// so that fields this program doesn't understand survive a round trip. Each
// field of the record has a named accessor at its offset.

#include "config/config_fields.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravonix {

inline constexpr std::size_t kConfigSize = 500;
inline constexpr std::uint16_t kConfigMagic = 0x5726;

class DeviceConfig {
public:
    DeviceConfig(); // all defaults, checksum computed, byte 403 zero

    // The defaults of every field; with keepCardFields the card shares, time
    // zone, summer time and voice language stay. Offsets 2 and 403 stay.
    void defaults(bool keepCardFields);

    // XOR of the low halves of the 124 words at offsets 4 to 496.
    std::uint16_t checksum() const;
    void updateChecksum() { setU16(2, checksum()); }
    std::uint16_t storedChecksum() const { return u16(2); }

#define DRAVONIX_DECLARE_U16(name, setter, offset, def, kept) \
    std::uint16_t name() const { return u16(offset); }        \
    void setter(std::uint16_t v) { setU16(offset, v); }
#define DRAVONIX_DECLARE_U32(name, setter, offset, def, kept) \
    std::uint32_t name() const { return u32(offset); }        \
    void setter(std::uint32_t v) { setU32(offset, v); }
#define DRAVONIX_DECLARE_U8(name, setter, offset, def, kept) \
    std::uint8_t name() const { return bytes_[offset]; }     \
    void setter(std::uint8_t v) { bytes_[offset] = v; }
#define DRAVONIX_DECLARE_TEXT(name, setter, offset, width, def)                                   \
    std::span<const std::uint8_t, width> name() const { return std::span(bytes_).subspan<offset, width>(); } \
    void setter(std::string_view latin1) { setText(offset, width, latin1); }
    DRAVONIX_CONFIG_U16_FIELDS(DRAVONIX_DECLARE_U16)
    DRAVONIX_CONFIG_U32_FIELDS(DRAVONIX_DECLARE_U32)
    DRAVONIX_CONFIG_U8_FIELDS(DRAVONIX_DECLARE_U8)
    DRAVONIX_CONFIG_TEXT_FIELDS(DRAVONIX_DECLARE_TEXT)
#undef DRAVONIX_DECLARE_U16
#undef DRAVONIX_DECLARE_U32
#undef DRAVONIX_DECLARE_U8
#undef DRAVONIX_DECLARE_TEXT

    std::uint8_t reserved403() const { return bytes_[403]; }

    // Raw access for load, save and the generic field table.
    std::uint16_t u16(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    void setU16(std::size_t offset, std::uint16_t v);
    void setU32(std::size_t offset, std::uint32_t v);
    // Zero-fills the field, then copies at most `width` bytes of text.
    void setText(std::size_t offset, std::size_t width, std::string_view latin1);
    // The field's text up to its first NUL.
    std::string text(std::size_t offset, std::size_t width) const;

    std::span<std::uint8_t, kConfigSize> bytes() { return bytes_; }
    std::span<const std::uint8_t, kConfigSize> bytes() const { return bytes_; }

    // Copies up to 500 bytes over the record; the rest keeps its value.
    void overwriteWith(std::span<const std::uint8_t> data);

    friend bool operator==(const DeviceConfig&, const DeviceConfig&) = default;

private:
    std::array<std::uint8_t, kConfigSize> bytes_{};
};

// The generic view of the table, for listing and setting fields by name.
enum class FieldKind { U16, U32, U8, Text };
struct FieldInfo {
    std::string_view name;
    std::size_t offset;
    FieldKind kind;
    std::size_t width; // bytes
    bool keptOnCard;
};
std::span<const FieldInfo> configFields(); // by offset
const FieldInfo* findConfigField(std::string_view name);

// A field's value as `config show` prints it: an integer in decimal, a text
// in double quotes with every byte outside printable ASCII (and '"', '\')
// as \xNN, "" for a text of zeros.
std::string configFieldText(const DeviceConfig& config, const FieldInfo& field);

} // namespace dravonix
