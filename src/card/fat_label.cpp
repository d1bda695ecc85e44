#include "card/fat_label.h"
#include "toolkit/text_format.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <unordered_set>
#include <vector>

namespace dravonix {
namespace {

// A folder holds at most 65,536 entries of 32 bytes; a longer root chain is
// damage, not a folder.
constexpr std::uint64_t kMaxFolderBytes = 65536 * 32;
constexpr std::uint32_t kLastClusterNumber = 0x0FFFFFF6;
constexpr std::size_t kLabelOffset = 71;
constexpr const char* kNoLabel = "NO NAME    ";

struct VolumeGeometry {
    std::array<std::uint8_t, 512> boot{};
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t rootCluster = 0;
    std::uint32_t backupBootSector = 0;
    std::uint32_t totalSectors = 0;
    std::uint32_t clusterCount = 0; // the clusters the FAT, the boot sector and the device all have

    std::uint64_t dataStartSector() const { return reservedSectors + std::uint64_t{fatCount} * fatSectors; }
    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        return (dataStartSector() + std::uint64_t{cluster - 2} * sectorsPerCluster) * bytesPerSector;
    }
    std::uint64_t fatEntryOffset(std::uint32_t cluster) const
    {
        return std::uint64_t{reservedSectors} * bytesPerSector + std::uint64_t{cluster} * 4;
    }
    std::uint32_t clusterBytes() const { return bytesPerSector * sectorsPerCluster; }
    bool holds(std::uint32_t cluster) const { return cluster >= 2 && cluster - 2 < clusterCount; }
};

int readExact(RandomAccess& v, void* out, std::size_t size, std::uint64_t offset)
{
    return v.readAt(offset, std::span(static_cast<std::uint8_t*>(out), size));
}

int writeExact(RandomAccess& v, const void* data, std::size_t size, std::uint64_t offset)
{
    return v.writeAt(offset, std::span(static_cast<const std::uint8_t*>(data), size));
}

bool isPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool looksLikeFat32Boot(const std::uint8_t* sector)
{
    return sector[510] == 0x55 && sector[511] == 0xAA && std::memcmp(&sector[82], "FAT32   ", 8) == 0;
}

bool readLayout(RandomAccess& volume, VolumeGeometry& layout, std::string& error)
{
    std::array<std::uint8_t, 512>& boot = layout.boot;
    if (readExact(volume, boot.data(), boot.size(), 0) != 0) {
        error = "cannot read the boot sector";
        return false;
    }
    layout.bytesPerSector = littleEndian(&boot[11], 2);
    layout.sectorsPerCluster = boot[13];
    layout.reservedSectors = littleEndian(&boot[14], 2);
    layout.fatCount = boot[16];
    layout.fatSectors = littleEndian(&boot[36], 4);
    layout.rootCluster = littleEndian(&boot[44], 4);
    layout.backupBootSector = littleEndian(&boot[50], 2);
    layout.totalSectors = littleEndian(&boot[32], 4);
    const bool sane = looksLikeFat32Boot(boot.data()) && littleEndian(&boot[22], 2) == 0
                      && (layout.bytesPerSector == 512 || layout.bytesPerSector == 1024
                          || layout.bytesPerSector == 2048 || layout.bytesPerSector == 4096)
                      && isPowerOfTwo(layout.sectorsPerCluster) && layout.reservedSectors != 0
                      && layout.fatCount != 0 && layout.fatSectors != 0;
    if (!sane) {
        error = "not a FAT32 volume";
        return false;
    }
    // Count only clusters that all three agree exist: the boot sector's size,
    // the device's size and the FAT's entries (less the two reserved ones).
    const std::uint64_t sectors =
        std::min<std::uint64_t>(layout.totalSectors, volume.sizeBytes() / layout.bytesPerSector);
    const std::uint64_t dataStart = layout.dataStartSector();
    const std::uint64_t fatEntries = std::uint64_t{layout.fatSectors} * layout.bytesPerSector / 4;
    const std::uint64_t clusters = std::min({sectors > dataStart ? (sectors - dataStart) / layout.sectorsPerCluster : 0,
                                             fatEntries - 2, std::uint64_t{kLastClusterNumber - 1}});
    layout.clusterCount = static_cast<std::uint32_t>(clusters);
    if (!layout.holds(layout.rootCluster)) {
        error = "the root folder lies outside the volume";
        return false;
    }
    return true;
}

enum class Walk { Stopped, Ended, ReadFailed };

// Calls visit(offset, entry) for each 32-byte entry of the root folder until
// it returns true. A chain that comes back to a cluster already read, or runs
// longer than a folder can be, ends there.
template <typename Visit>
Walk walkRootFolder(RandomAccess& volume, const VolumeGeometry& layout, Visit&& visit)
{
    const std::uint64_t maxClusters =
        std::min<std::uint64_t>(layout.clusterCount, std::max<std::uint64_t>(1, kMaxFolderBytes / layout.clusterBytes()));
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> cluster(layout.clusterBytes());
    std::uint32_t current = layout.rootCluster;
    while (layout.holds(current) && seen.size() < maxClusters && seen.insert(current).second) {
        const std::uint64_t offset = layout.clusterOffset(current);
        if (readExact(volume, cluster.data(), cluster.size(), offset) != 0)
            return Walk::ReadFailed;
        for (std::size_t i = 0; i + 32 <= cluster.size(); i += 32)
            if (visit(offset + i, &cluster[i]))
                return Walk::Stopped;
        std::uint8_t next[4]{};
        if (readExact(volume, next, sizeof next, layout.fatEntryOffset(current)) != 0)
            return Walk::ReadFailed;
        current = littleEndian(next, 4) & 0x0FFFFFFF;
    }
    return Walk::Ended;
}

bool isLabelEntry(const std::uint8_t* e) { return e[0] != 0 && e[0] != 0xE5 && (e[11] & 0x3F) == 0x08; }

std::string ioError(const char* what, int code) { return std::string(what) + ": " + std::strerror(code); }

} // namespace

bool fatLabelBytes(const std::string& label, std::string& out11)
{
    if (label.size() > 11 || label.starts_with(' '))
        return false;
    out11.assign(11, ' ');
    for (std::size_t i = 0; i < label.size(); ++i) {
        const auto c = static_cast<unsigned char>(label[i]);
        if (c < 0x20 || c >= 0x7F || std::strchr("\"*+,./:;<=>?[\\]|", c) != nullptr)
            return false;
        out11[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return true;
}

bool writeFat32Label(RandomAccess& volume, const std::string& label, std::string& error)
{
    std::string name;
    if (!fatLabelBytes(label, name)) {
        error = "\"" + label + "\" is not a valid FAT label";
        return false;
    }
    VolumeGeometry layout;
    if (!readLayout(volume, layout, error))
        return false;

    // Everything is read and checked before the first write, so a refusal
    // leaves the volume as it was.
    std::vector<std::uint64_t> bootSectors{0};
    if (layout.backupBootSector != 0 && layout.backupBootSector < layout.reservedSectors) {
        std::array<std::uint8_t, 512> backup{};
        const std::uint64_t at = std::uint64_t{layout.backupBootSector} * layout.bytesPerSector;
        if (const int code = readExact(volume, backup.data(), backup.size(), at)) {
            error = ioError("cannot read the backup boot sector", code);
            return false;
        }
        if (looksLikeFat32Boot(backup.data())) // anything else is not ours to write on
            bootSectors.push_back(layout.backupBootSector);
    }
    // The root folder's label entry, or its first free slot for a new one;
    // removing a label takes every label entry (a damaged folder may hold
    // several), or the next would be read as the label.
    const bool unlabelled = label.empty();
    std::vector<std::uint64_t> labelEntries;
    std::optional<std::uint64_t> freeAt;
    std::array<std::uint8_t, 32> entry{};
    const Walk walk = walkRootFolder(volume, layout, [&](std::uint64_t offset, const std::uint8_t* e) {
        if (isLabelEntry(e)) {
            if (labelEntries.empty())
                std::memcpy(entry.data(), e, entry.size());
            labelEntries.push_back(offset);
            return !unlabelled;
        }
        if (!freeAt && (e[0] == 0 || e[0] == 0xE5))
            freeAt = offset;
        return e[0] == 0; // nothing follows the end marker
    });
    if (walk == Walk::ReadFailed) {
        error = "cannot read the root folder";
        return false;
    }
    // No label: the boot sectors say so as a fresh format does, and the
    // label entries go (one of blanks is damage to every checker).
    std::vector<std::uint64_t> targets = labelEntries;
    if (unlabelled) {
        name = kNoLabel;
        entry[0] = 0xE5;
    } else {
        std::memcpy(entry.data(), name.data(), 11);
        entry[11] = 0x08;
        targets.resize(std::min<std::size_t>(targets.size(), 1));
        if (targets.empty() && freeAt)
            targets.push_back(*freeAt);
        if (targets.empty()) {
            error = "the root folder has no room for a label";
            return false;
        }
    }

    for (const std::uint64_t sector : bootSectors)
        if (const int code = writeExact(volume, name.data(), 11, sector * layout.bytesPerSector + kLabelOffset)) {
            error = ioError("cannot write the boot sector", code);
            return false;
        }
    for (const std::uint64_t at : targets) {
        // Removing marks each entry deleted and leaves the rest of it.
        const std::size_t length = unlabelled ? 1 : entry.size();
        if (const int code = writeExact(volume, entry.data(), length, at)) {
            error = ioError("cannot write the label", code);
            return false;
        }
    }
    if (const int code = volume.sync()) {
        error = ioError("cannot write the label", code);
        return false;
    }
    return true;
}

bool readFat32Label(RandomAccess& volume, std::string& label, std::string& error)
{
    VolumeGeometry layout;
    if (!readLayout(volume, layout, error))
        return false;
    std::string found;
    const Walk walk = walkRootFolder(volume, layout, [&](std::uint64_t, const std::uint8_t* e) {
        if (isLabelEntry(e))
            found.assign(reinterpret_cast<const char*>(e), 11);
        return e[0] == 0 || isLabelEntry(e);
    });
    if (walk == Walk::ReadFailed) {
        error = "cannot read the root folder";
        return false;
    }
    if (found.empty())
        found.assign(reinterpret_cast<const char*>(&layout.boot[kLabelOffset]), 11);
    while (!found.empty() && found.back() == ' ')
        found.pop_back();
    label = found;
    return true;
}

} // namespace dravonix
