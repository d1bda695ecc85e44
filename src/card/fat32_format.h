#pragma once
// Lays a fresh FAT32 file system on a whole volume: zeros over the reserved
// sectors, both FATs and the root cluster, then the boot sector, FSInfo and
// their backups and the first sector of each FAT. The data area is not
// touched, so the time doesn't grow with the card beyond its FATs.

#include "card/block_device.h"
#include "card/fat32_layout.h"

#include <string>

namespace dravonix {

struct FormatResult {
    int code = 0;        // 0; errno of the step that failed; or one of ours below
    std::string message; // the failure's trace line

    bool ok() const { return code == 0; }
};

// Refusals of the size checks, which have no system error of their own.
inline constexpr int kFormatRefusedBase = 0x20000;

LocalTime localTimeNow();

// Formats `device`; success only after every write and the final flush.
FormatResult formatVolume(BlockDevice& device, const FormatOptions& options, const LocalTime& now);

} // namespace dravonix
