#pragma once
// "timeset.cfg": the camera sets its clock from this text when it starts.

#include "card/removable_drive.h"
#include "toolkit/atomic_file.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

struct DeviceTime {
    int year, month, day, hour, minute, second;
};

// "%d/%02d/%02d %02d:%02d:%02d": 19 ASCII bytes for a four-digit year, with
// no terminator and no line end.
std::string formatDeviceTime(const DeviceTime& time);

// A real date and time with a year from 1601 to 9999: the only times the
// file may hold, since the camera reads exactly 19 bytes.
bool isValidDeviceTime(const DeviceTime& time);

// The first drive, in drive order, that already holds "timeset.cfg".
std::optional<std::filesystem::path> findDeviceTimeFile(const std::vector<RemovableDrive>& drives);

// Refuses a time that is not valid (see isValidDeviceTime).
WriteOutcome writeDeviceTimeFile(const std::filesystem::path& path, const DeviceTime& time);

} // namespace dravonix
