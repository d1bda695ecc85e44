#pragma once
// What formatting needs to know of a volume besides its root and its label:
// the device (or image file) that holds it, its size, its sector size, its
// present file system, whether the medium is write-protected and where it
// is mounted.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace dravonix {

struct VolumeDevice {
    std::string path; // block device or image file
    std::uint64_t totalBytes = 0;
    std::uint32_t bytesPerSector = 512;
    std::string fileSystem; // "FAT32", "FAT16", "exFAT", "NTFS", ...; empty when unknown
    bool readOnly = false;  // the medium or the file system holding the image refuses writes
    std::string mountPoint; // empty when not mounted

    friend bool operator==(const VolumeDevice&, const VolumeDevice&) = default;
};

// The file system a volume's first sector announces; empty when it names none.
std::string fileSystemOfBootSector(std::span<const std::uint8_t> sector);

// An image file standing in for a volume's device; none when it can't be read.
std::optional<VolumeDevice> imageVolumeDevice(const std::string& imagePath);
// A block device as the system describes it (one file per platform); none
// when it is not one the system knows.
std::optional<VolumeDevice> blockVolumeDevice(const std::string& devicePath);
// Either, by what the path names.
std::optional<VolumeDevice> volumeDeviceAt(const std::string& path);

// Sizes as a person reads them: "31.9 GB", with "." whatever the locale.
std::string readableSize(std::uint64_t bytes);

} // namespace dravonix
