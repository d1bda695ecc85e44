#pragma once
// The FAT32 layout the camera's formatter lays down: 32 reserved sectors, two
// FATs, the root folder in cluster 2, no boot code. Pure arithmetic and
// sector images, so every figure can be checked without a device.

#include "toolkit/expected.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

inline constexpr std::uint32_t kReservedSectors = 32;
inline constexpr std::uint32_t kFatCount = 2;
inline constexpr std::uint32_t kBackupBootSector = 6;
inline constexpr std::uint32_t kFsInfoSector = 1;
inline constexpr std::uint32_t kRootCluster = 2;
inline constexpr std::uint32_t kZeroBurstSectors = 128;

// How far a format has come: sectors written of the sectors it writes.
using FormatProgress = std::function<void(std::uint64_t written, std::uint64_t total)>;

struct FormatOptions {
    std::uint32_t sectorsPerCluster = 0; // 0: chosen from the volume size
    std::string label;                   // empty: "NO NAME"
    FormatProgress progress = {};        // called from the formatting thread
};

// What the device tells about itself.
struct DeviceFacts {
    std::uint32_t bytesPerSector = 512;
    std::uint32_t sectorsPerTrack = 0; // 0 where there is no geometry
    std::uint32_t heads = 0;
    std::uint64_t partitionBytes = 0;
    std::uint32_t hiddenSectors = 0; // the partition's first sector on its disk
};

struct Fat32Layout {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t clusterCount = 0;

    std::uint32_t systemAreaSectors() const { return kReservedSectors + kFatCount * fatSectors + sectorsPerCluster; }
    std::uint32_t secondFatSector() const { return kReservedSectors + fatSectors; }
    std::uint32_t rootClusterSector() const { return kReservedSectors + kFatCount * fatSectors; }
    std::uint32_t freeClusters() const { return clusterCount - 1; }
};

enum class LayoutError { TooFewSectors, TooManySectors, TooManyClusters, TooFewClusters, FatTooSmall };
std::string layoutErrorText(LayoutError error);

// Sectors per cluster from the partition size when the options leave it 0.
std::uint32_t defaultSectorsPerCluster(std::uint64_t partitionBytes, std::uint32_t bytesPerSector);

// Sectors per FAT and the clusters left beside two such FATs on a volume of
// `totalSectors`; the limits of FAT32 are not checked here.
struct FatSizing {
    std::uint64_t fatSectors = 0;
    std::uint64_t clusters = 0;
};
FatSizing fatSizing(std::uint64_t totalSectors, std::uint64_t sectorsPerCluster, std::uint64_t bytesPerSector);
inline constexpr std::uint64_t kMinFat32Clusters = 65536;
inline constexpr std::uint64_t kMaxFat32Clusters = 0x0FFFFFFF;
inline constexpr std::uint64_t kMaxFat32Sectors = 0xFFFFFFFEull;

// The FAT is sized to hold an entry for every cluster and the two reserved
// entries; the camera's own formula can come out one sector short.
Expected<Fat32Layout, LayoutError> planFat32(const DeviceFacts& facts, std::uint32_t sectorsPerCluster);

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};
std::uint32_t volumeIdFor(const LocalTime& time);

// "NO NAME" for an empty label; anything else blank-padded to 11 bytes.
std::string volumeLabelField(const std::string& label);

std::vector<std::uint8_t> bootSector(const Fat32Layout& layout, const DeviceFacts& facts, std::uint32_t volumeId,
                                     const std::string& labelField);
std::vector<std::uint8_t> fsInfoSector(const Fat32Layout& layout);
std::vector<std::uint8_t> firstFatSector(const Fat32Layout& layout);

// "-cN" as the formatter's option reader takes it: N must be a power of two
// from 1 to 128; anything else is ignored (0) with a note.
std::uint32_t parseClusterOption(const std::string& option, std::string* note = nullptr);

} // namespace dravonix
