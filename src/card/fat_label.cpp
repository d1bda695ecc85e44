#include "card/fat_label.h"
#include "toolkit/text_format.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>
#include <cstdint>
#include <cstring>
#include <vector>

namespace dravonix {
namespace {

struct VolumeGeometry {
    std::uint32_t bytesPerSector = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::uint32_t reservedSectors = 0;
    std::uint32_t fatCount = 0;
    std::uint32_t fatSectors = 0;
    std::uint32_t rootCluster = 0;
    std::uint32_t backupBootSector = 0;
    std::uint32_t totalSectors = 0;

    std::uint64_t clusterOffset(std::uint32_t cluster) const
    {
        const std::uint64_t dataStart = std::uint64_t{reservedSectors} + std::uint64_t{fatCount} * fatSectors;
        return (dataStart + std::uint64_t{cluster - 2} * sectorsPerCluster) * bytesPerSector;
    }
    std::uint32_t clusterBytes() const { return bytesPerSector * sectorsPerCluster; }
    std::uint32_t clusterCount() const
    {
        const std::uint64_t data = totalSectors - (std::uint64_t{reservedSectors} + std::uint64_t{fatCount} * fatSectors);
        return static_cast<std::uint32_t>(data / sectorsPerCluster);
    }
};


bool readExact(RandomAccess& v, void* out, std::size_t size, std::uint64_t offset)
{
    return v.readAt(offset, std::span(static_cast<std::uint8_t*>(out), size)) == 0;
}

bool writeExact(RandomAccess& v, const void* data, std::size_t size, std::uint64_t offset)
{
    return v.writeAt(offset, std::span(static_cast<const std::uint8_t*>(data), size)) == 0;
}

bool readLayout(RandomAccess& fd, VolumeGeometry& layout, std::string& error)
{
    std::array<std::uint8_t, 512> boot{};
    if (!readExact(fd, boot.data(), boot.size(), 0)) {
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
    const bool sane = boot[510] == 0x55 && boot[511] == 0xAA && littleEndian(&boot[22], 2) == 0
                      && std::memcmp(&boot[82], "FAT32   ", 8) == 0
                      && (layout.bytesPerSector == 512 || layout.bytesPerSector == 1024
                          || layout.bytesPerSector == 2048 || layout.bytesPerSector == 4096)
                      && layout.sectorsPerCluster != 0 && layout.fatCount != 0 && layout.fatSectors != 0
                      && layout.rootCluster >= 2 && layout.totalSectors > layout.reservedSectors;
    if (!sane)
        error = "not a FAT32 volume";
    return sane;
}

std::uint32_t nextCluster(RandomAccess& fd, const VolumeGeometry& layout, std::uint32_t cluster)
{
    std::uint8_t entry[4]{};
    const std::uint64_t at = std::uint64_t{layout.reservedSectors} * layout.bytesPerSector + std::uint64_t{cluster} * 4;
    if (!readExact(fd, entry, 4, at))
        return 0x0FFFFFFF;
    return littleEndian(entry, 4) & 0x0FFFFFFF;
}

// Calls visit(offset, entry) for each 32-byte entry of the root folder until
// it returns true; true when one did.
template <typename Visit>
bool forEachRootEntry(RandomAccess& fd, const VolumeGeometry& layout, Visit&& visit)
{
    std::vector<std::uint8_t> cluster(layout.clusterBytes());
    std::uint32_t current = layout.rootCluster;
    for (std::uint32_t hops = 0; current >= 2 && current < 0x0FFFFFF8 && hops <= layout.clusterCount(); ++hops) {
        const std::uint64_t offset = layout.clusterOffset(current);
        if (!readExact(fd, cluster.data(), cluster.size(), offset))
            return false;
        for (std::size_t i = 0; i + 32 <= cluster.size(); i += 32)
            if (visit(offset + i, &cluster[i]))
                return true;
        current = nextCluster(fd, layout, current);
    }
    return false;
}

bool isLabelEntry(const std::uint8_t* e) { return e[0] != 0 && e[0] != 0xE5 && (e[11] & 0x3F) == 0x08; }

} // namespace

bool fatLabelBytes(const std::string& label, std::string& out11)
{
    if (label.size() > 11)
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

bool writeFat32Label(RandomAccess& fd, const std::string& label, std::string& error)
{
    std::string name;
    if (!fatLabelBytes(label, name)) {
        error = "\"" + label + "\" is not a valid FAT label";
        return false;
    }
    VolumeGeometry layout;
    if (!readLayout(fd, layout, error))
        return false;
    std::vector<std::uint64_t> bootSectors{0};
    if (layout.backupBootSector != 0)
        bootSectors.push_back(layout.backupBootSector);
    for (const std::uint64_t sector : bootSectors) {
        if (!writeExact(fd, name.data(), 11, sector * layout.bytesPerSector + 71)) {
            error = "cannot write the boot sector";
            return false;
        }
    }
    // Rewrite the root folder's label entry, or put one in its first free slot.
    std::uint64_t labelAt = 0;
    std::uint64_t freeAt = 0;
    forEachRootEntry(fd, layout, [&](std::uint64_t offset, const std::uint8_t* e) {
        if (isLabelEntry(e)) {
            labelAt = offset;
            return true;
        }
        if (freeAt == 0 && (e[0] == 0 || e[0] == 0xE5))
            freeAt = offset;
        return e[0] == 0; // nothing follows the end marker
    });
    const std::uint64_t target = labelAt != 0 ? labelAt : freeAt;
    if (target == 0) {
        error = "the root folder has no room for a label";
        return false;
    }
    std::array<std::uint8_t, 32> entry{};
    if (labelAt != 0 && !readExact(fd, entry.data(), entry.size(), target)) {
        error = "cannot read the root folder";
        return false;
    }
    std::memcpy(entry.data(), name.data(), 11);
    entry[11] = 0x08;
    if (!writeExact(fd, entry.data(), entry.size(), target) || fd.sync() != 0) {
        error = std::string("cannot write the label: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool readFat32Label(RandomAccess& fd, std::string& label, std::string& error)
{
    VolumeGeometry layout;
    if (!readLayout(fd, layout, error))
        return false;
    std::string found;
    const bool inRoot = forEachRootEntry(fd, layout, [&](std::uint64_t, const std::uint8_t* e) {
        if (e[0] == 0)
            return true;
        if (isLabelEntry(e))
            found.assign(reinterpret_cast<const char*>(e), 11);
        return isLabelEntry(e);
    });
    if (!inRoot || found.empty()) {
        std::array<char, 11> boot{};
        if (!readExact(fd, boot.data(), boot.size(), 71)) {
            error = "cannot read the boot sector";
            return false;
        }
        found.assign(boot.data(), boot.size());
    }
    while (!found.empty() && found.back() == ' ')
        found.pop_back();
    label = found;
    return true;
}

} // namespace dravonix
