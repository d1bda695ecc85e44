#include "toolkit/utf8.h"

namespace dravonix {

std::size_t utf8SequenceLength(std::string_view s, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (at >= s.size())
        return 0;
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(at + i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return overlong || surrogate || value > 0x10FFFF ? 0 : length;
}

} // namespace dravonix
