#pragma once
// Finds the camera's card: the first removable volume whose root holds a
// "config.bin" of exactly 500 bytes. The card is given the camera's label.

#include "card/volumes.h"
#include "config/device_config.h"

#include <filesystem>

namespace dravonix {

// Sets `configPath` to the card's "config.bin" when one is found and leaves it
// as it was otherwise, so an earlier find still counts. True when the path is
// known afterwards. With `readInto`, the found file is loaded into it.
bool findCard(Volumes& volumes, std::filesystem::path& configPath, DeviceConfig* readInto = nullptr);

bool isCameraConfigFile(const std::filesystem::path& path);

// The first drive whose root holds the camera's "config.bin", if any.
const RemovableDrive* findCameraDrive(const std::vector<RemovableDrive>& drives);

} // namespace dravonix
