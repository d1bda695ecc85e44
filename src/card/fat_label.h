#pragma once
// The label of a FAT32 volume lives in three places: the boot sector, its
// backup, and a volume-label entry in the root folder (the one that most
// tools read). These functions write all three on a block device or an
// image file.

#include "card/block_device.h"

#include <string>

namespace dravonix {

// 11 bytes, upper case, blank-padded; characters a FAT label can't hold, and
// a leading blank, are refused with false.
bool fatLabelBytes(const std::string& label, std::string& out11);

// Rewrites the label of the FAT32 volume; an empty label removes it. False
// with a reason when the volume is not FAT32 or a read or write fails.
bool writeFat32Label(RandomAccess& volume, const std::string& label, std::string& error);

// The label in the root folder's volume-label entry, else the boot sector's.
bool readFat32Label(RandomAccess& volume, std::string& label, std::string& error);

} // namespace dravonix
