#pragma once
// Reading and writing "config.bin" and choosing where a save goes.

#include "config/device_config.h"
#include "toolkit/atomic_file.h"
#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

struct RemovableDrive;

// Reads up to 500 bytes over the record and returns the file's size. Nothing
// is verified: a card's own magic and checksum are kept. Only a regular file
// is read; on failure the record is untouched.
Expected<std::uint64_t, Error> readConfigFile(const std::filesystem::path& path, DeviceConfig& config);
// The same, for callers that only need to know whether it worked.
bool loadConfigFile(const std::filesystem::path& path, DeviceConfig& config);

// Computes the checksum, then replaces the file as a whole (see
// writeFileAtomically); a failed save leaves the card's old file.
WriteOutcome saveConfigFile(const std::filesystem::path& path, DeviceConfig& config);

// Where Save writes: the known configuration path; else the only removable
// drive; else the first drive labelled with the camera's label; else none,
// meaning the user is asked for a file. None too when the drive's
// "config.bin" is a link that leads off the card.
std::optional<std::filesystem::path> chooseConfigSaveTarget(const std::filesystem::path& configPath,
                                                            const std::vector<RemovableDrive>& drives);

} // namespace dravonix
