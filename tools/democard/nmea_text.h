#pragma once
// The GPS text of one telemetry record as the camera writes it: an RMC and a
// GGA sentence or, every tenth second, the two GNGSA sentences, each ended by
// CR LF, all within the record's 128 bytes.

#include "drive.h"

#include <chrono>
#include <string>
#include <string_view>

namespace dravonix::demo {

// "*hh" over the characters between "$" and "*".
std::string withChecksum(std::string_view body);

std::string recordText(const DriveSecond& at, std::chrono::sys_seconds utc, int secondIndex);

} // namespace dravonix::demo
