#pragma once
// printf-style formatting into a std::string, for the camera's fixed text
// layouts ("%04d.%04d", "%+.2f", ...), always in the "C" locale: the user's
// locale must not turn "0.05" into "0,05" in a file, a page call or a check.

#include "toolkit/c_locale.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace dravonix {

template <typename... Values>
std::string formatText(const char* pattern, Values... values)
{
    const CLocaleScope cLocale;
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, values...);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern, values...);
    return out;
}

// Little-endian unsigned integer of `bytes` bytes.
inline std::uint32_t littleEndian(const std::uint8_t* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

} // namespace dravonix
