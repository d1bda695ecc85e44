#pragma once
// The format the dialog runs once the user has agreed, away from the user
// interface thread: the safety copy of the card's settings, the volume
// unmounted, the device opened (through the disk service when this user may
// not open it), the format with its progress, and the camera's label.

#include "card/block_device.h"
#include "card/fat32_format.h"
#include "card/removable_drive.h"
#include "card/volume_device.h"

#include <filesystem>
#include <optional>
#include <string>

namespace dravonix {

// The system's disk service (UDisks2 on Linux): what a user without the
// rights to the device may ask it for, each possibly after authenticating.
class DiskService {
public:
    virtual ~DiskService() = default;
    // A descriptor open for reading and writing, exclusively.
    virtual Expected<int, Error> openForWriting(const std::string& devicePath) = 0;
    // Unmounts the file system on the device.
    virtual std::optional<Error> unmount(const std::string& devicePath) = 0;
};

struct FormatRequest {
    VolumeDevice device;
    std::optional<std::filesystem::path> cardConfig; // copied to tempFolder first, when it is a file
    std::filesystem::path tempFolder;
    std::string allocationUnit = "64K";
    std::string label = kCameraLabel;
};

struct FormatJobResult {
    int code = 0;       // 0, an errno value, or a refusal of ours (kRefusedDevice, kFormatRefusedBase + n)
    std::string detail; // what failed, in words
    bool needsPermission = false; // the device couldn't be opened for want of the right to
    bool writeProtected = false;
    bool safetyCopied = false;
    bool labelled = false;

    bool ok() const { return code == 0; }
};

FormatJobResult runFormatJob(const FormatRequest& request, DiskService* service, const FormatProgress& progress = {});

// Unmounts the file system at `mountPoint` without help (needs the right to).
std::optional<Error> unmountDirectly(const std::string& mountPoint);

} // namespace dravonix
