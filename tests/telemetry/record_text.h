#pragma once
// A record's 128 GPS text bytes from a string, zero-padded as the camera writes them.
#include "telemetry/telemetry_track.h"

#include <algorithm>
#include <array>
#include <string>

inline std::array<char, dravonix::kNmeaTextSize> recordText(const std::string& s)
{
    std::array<char, dravonix::kNmeaTextSize> out{};
    std::copy_n(s.begin(), std::min(s.size(), out.size()), out.begin());
    return out;
}
