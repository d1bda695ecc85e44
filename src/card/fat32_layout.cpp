#include "card/fat32_layout.h"

#include <cstdlib>
#include <cstring>

namespace dravonix {
namespace {

void put(std::vector<std::uint8_t>& s, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

std::string layoutErrorText(LayoutError error)
{
    switch (error) {
    case LayoutError::TooFewSectors: return "This drive is too small for FAT32 - there must be at least 64K clusters\n";
    case LayoutError::TooManySectors: return "This drive is too big for FAT32 - max 2TB supported\n";
    case LayoutError::TooManyClusters:
        return "This drive has more than 2^28 clusters, try to specify a larger cluster size or use the default "
               "(i.e. don't use -cXX)\n";
    case LayoutError::TooFewClusters:
        return "FAT32 must have at least 65536 clusters, try to specify a smaller cluster size or use the default "
               "(i.e. don't use -cXX)\n";
    case LayoutError::FatTooSmall: return "This drive is too big for this version of the formatter, check for an upgrade\n";
    }
    return {};
}

std::uint32_t defaultSectorsPerCluster(std::uint64_t partitionBytes, std::uint32_t bytesPerSector)
{
    const std::uint64_t mib = partitionBytes / (1024 * 1024);
    std::uint32_t clusterBytes = 0;
    if (mib > 32768)
        clusterBytes = 32 * 1024;
    else if (mib > 16384)
        clusterBytes = 16 * 1024;
    else if (mib > 8192)
        clusterBytes = 8 * 1024;
    else if (mib > 512)
        clusterBytes = 4 * 1024;
    else
        return 1;
    return static_cast<std::uint8_t>(clusterBytes / bytesPerSector);
}

FatSizing fatSizing(std::uint64_t totalSectors, std::uint64_t sectorsPerCluster, std::uint64_t bytesPerSector)
{
    const std::uint64_t total = totalSectors;
    const std::uint64_t spc = sectorsPerCluster;
    const std::uint64_t bps = bytesPerSector;
    std::uint64_t fat = total > kReservedSectors ? 4 * (total - kReservedSectors) / (spc * bps + 4 * kFatCount) + 1 : 1;
    std::uint64_t clusters = 0;
    // Grow the FAT until it has an entry for every cluster it leaves room for,
    // plus the two reserved entries; each sector added can only lower the count.
    for (;;) {
        const std::uint64_t used = kReservedSectors + kFatCount * fat;
        clusters = used < total ? (total - used) / spc : 0;
        if (((clusters + 2) * 4 + bps - 1) / bps <= fat)
            break;
        ++fat;
    }
    return {fat, clusters};
}

Expected<Fat32Layout, LayoutError> planFat32(const DeviceFacts& facts, std::uint32_t sectorsPerCluster)
{
    const std::uint64_t total = facts.partitionBytes / facts.bytesPerSector;
    if (total < 65536)
        return unexpected(LayoutError::TooFewSectors);
    if (total > kMaxFat32Sectors)
        return unexpected(LayoutError::TooManySectors);

    Fat32Layout layout;
    layout.bytesPerSector = facts.bytesPerSector;
    layout.totalSectors = static_cast<std::uint32_t>(total);
    layout.sectorsPerCluster =
        sectorsPerCluster != 0 ? sectorsPerCluster : defaultSectorsPerCluster(facts.partitionBytes, facts.bytesPerSector);
    const std::uint64_t spc = layout.sectorsPerCluster;
    const std::uint64_t bps = layout.bytesPerSector;
    if (spc == 0)
        return unexpected(LayoutError::TooFewClusters);

    const auto [fat, clusters] = fatSizing(total, spc, bps);
    if (clusters > kMaxFat32Clusters)
        return unexpected(LayoutError::TooManyClusters);
    if (clusters < kMinFat32Clusters)
        return unexpected(LayoutError::TooFewClusters);
    if ((clusters * 4 + bps - 1) / bps > fat)
        return unexpected(LayoutError::FatTooSmall);
    layout.fatSectors = static_cast<std::uint32_t>(fat);
    layout.clusterCount = static_cast<std::uint32_t>(clusters);
    return layout;
}

std::uint32_t volumeIdFor(const LocalTime& t)
{
    const auto low = static_cast<std::uint16_t>((t.day + t.month * 256) + (t.millisecond / 10 + t.second * 256));
    const auto high = static_cast<std::uint16_t>((t.minute + t.hour * 256) + t.year);
    return (std::uint32_t{high} << 16) | low;
}

std::string volumeLabelField(const std::string& label)
{
    std::string field = label.empty() ? std::string("NO NAME") : label.substr(0, 11);
    field.resize(11, ' ');
    return field;
}

std::vector<std::uint8_t> bootSector(const Fat32Layout& layout, const DeviceFacts& facts, std::uint32_t volumeId,
                                     const std::string& labelField)
{
    std::vector<std::uint8_t> s(layout.bytesPerSector, 0);
    s[0] = 0xEB;
    s[1] = 0x5A;
    s[2] = 0x90;
    std::memcpy(&s[3], "MSWIN4.1", 8);
    put(s, 11, layout.bytesPerSector, 2);
    s[13] = static_cast<std::uint8_t>(layout.sectorsPerCluster);
    put(s, 14, kReservedSectors, 2);
    s[16] = kFatCount;
    s[21] = 0xF8;
    put(s, 24, facts.sectorsPerTrack, 2);
    put(s, 26, facts.heads, 2);
    put(s, 28, facts.hiddenSectors, 4);
    put(s, 32, layout.totalSectors, 4);
    put(s, 36, layout.fatSectors, 4);
    put(s, 44, kRootCluster, 4);
    put(s, 48, kFsInfoSector, 2);
    put(s, 50, kBackupBootSector, 2);
    s[64] = 0x80;
    s[66] = 0x29;
    put(s, 67, volumeId, 4);
    std::memcpy(&s[71], labelField.data(), 11);
    std::memcpy(&s[82], "FAT32   ", 8);
    s[510] = 0x55;
    s[511] = 0xAA;
    if (layout.bytesPerSector > 512) {
        s[layout.bytesPerSector - 2] = 0x55;
        s[layout.bytesPerSector - 1] = 0xAA;
    }
    return s;
}

std::vector<std::uint8_t> fsInfoSector(const Fat32Layout& layout)
{
    std::vector<std::uint8_t> s(layout.bytesPerSector, 0);
    put(s, 0, 0x41615252, 4);
    put(s, 484, 0x61417272, 4);
    put(s, 488, layout.freeClusters(), 4);
    put(s, 492, 3, 4);
    put(s, 508, 0xAA550000, 4);
    return s;
}

std::vector<std::uint8_t> firstFatSector(const Fat32Layout& layout)
{
    std::vector<std::uint8_t> s(layout.bytesPerSector, 0);
    put(s, 0, 0x0FFFFFF8, 4);
    put(s, 4, 0x0FFFFFFF, 4);
    put(s, 8, 0x0FFFFFFF, 4);
    return s;
}

std::uint32_t parseClusterOption(const std::string& option, std::string* note)
{
    if (!option.starts_with("-c"))
        return 0;
    const int n = std::atoi(option.c_str() + 2);
    for (const int allowed : {1, 2, 4, 8, 16, 32, 64, 128})
        if (n == allowed)
            return static_cast<std::uint32_t>(n);
    if (note != nullptr)
        *note = "Ignoring bad cluster size " + std::to_string(n) + "\n";
    return 0;
}

} // namespace dravonix
