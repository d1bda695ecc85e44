// Labels written into real FAT32 images made by mkfs.fat, read back by
// fatlabel and checked by fsck.fat.
#include "card/fat_label.h"
#include "card/memory_volume.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    const int status = ::pclose(pipe);
    return status == 0 ? out : "failed: " + out;
}

fs::path makeImage(const std::string& name, const std::string& mkfsOptions)
{
    const fs::path image = fs::temp_directory_path() / name;
    fs::remove(image);
    const std::string result =
        run("truncate -s 64M " + image.string() + " && /usr/sbin/mkfs.fat -F 32 " + mkfsOptions + " " + image.string() + " >/dev/null 2>&1");
    EXPECT_EQ(result, "") << result;
    return image;
}

} // namespace

TEST(FatLabel, LabelBytes)
{
    std::string out;
    EXPECT_TRUE(fatLabelBytes("dravonix", out));
    EXPECT_EQ(out, "DRAVONIX   ");
    EXPECT_TRUE(fatLabelBytes("", out));
    EXPECT_EQ(out, std::string(11, ' '));
    EXPECT_FALSE(fatLabelBytes("TWELVE CHARS", out));
    EXPECT_FALSE(fatLabelBytes("A/B", out));
    // A name in a folder entry can't begin with a blank.
    EXPECT_FALSE(fatLabelBytes(" A", out));
    EXPECT_FALSE(fatLabelBytes("   ", out));
    EXPECT_TRUE(fatLabelBytes("A B", out));
}

namespace {

// Writes `label`, then reads `expected` back as the volume's label and finds
// it, padded to 11 characters, in the boot sector and in its backup.
void expectLabelWritten(int fd, const std::string& label, const std::string& expected)
{
    std::string error;
    ASSERT_TRUE(writeFat32Label(*descriptorAccess(fd), label, error)) << error;
    std::string read;
    ASSERT_TRUE(readFat32Label(*descriptorAccess(fd), read, error)) << error;
    EXPECT_EQ(read, expected);
    char boot[11];
    char backup[11];
    ASSERT_EQ(::pread(fd, boot, 11, 71), 11);
    ASSERT_EQ(::pread(fd, backup, 11, 6 * 512 + 71), 11);
    const std::string padded = expected + std::string(11 - expected.size(), ' ');
    EXPECT_EQ(std::string(boot, 11), padded);
    EXPECT_EQ(std::string(backup, 11), padded);
}

} // namespace

TEST(FatLabel, AnEmptyLabelLeavesTheVolumeWithoutOne)
{
    const fs::path image = makeImage("dravonix-no-label.img", "-n OLDNAME");
    const int fd = ::open(image.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    expectLabelWritten(fd, "", "NO NAME");
    ::close(fd);
    // A label entry of blanks is damage to fsck.fat.
    EXPECT_EQ(run("/usr/sbin/fsck.fat -n " + image.string() + " >/dev/null 2>&1"), "");
    fs::remove(image);
}

TEST(FatLabel, RewritesAllThreePlacesOfAFat32Volume)
{
    for (const std::string& options : {std::string("-n OLDNAME"), std::string()}) {
        const fs::path image = makeImage("dravonix-label.img", options);
        const int fd = ::open(image.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        expectLabelWritten(fd, "Dravonix", "DRAVONIX");
        ::close(fd);
        EXPECT_EQ(run("/usr/sbin/fatlabel " + image.string() + " 2>&1"), "DRAVONIX\n") << options;
        EXPECT_EQ(run("/usr/sbin/fsck.fat -n " + image.string() + " >/dev/null 2>&1"), "") << options;
        fs::remove(image);
    }
}

TEST(FatLabel, RefusesWhatIsNotFat32)
{
    const fs::path image = fs::temp_directory_path() / "dravonix-notfat.img";
    run("truncate -s 1M " + image.string());
    const int fd = ::open(image.c_str(), O_RDWR);
    std::string error;
    EXPECT_FALSE(writeFat32Label(*descriptorAccess(fd), "DRAVONIX", error));
    EXPECT_EQ(error, "not a FAT32 volume");
    ::close(fd);
    fs::remove(image);
}

// Small volumes written by hand in memory: 512-byte sectors, one sector per
// cluster, four reserved sectors with the backup boot sector in sector 2,
// one FAT sector, the root folder in cluster 2.
namespace {

struct TinyVolume {
    static constexpr std::uint32_t kFatSector = 4;
    static constexpr std::uint32_t kDataSector = 5;
    std::vector<std::uint8_t> bytes;

    explicit TinyVolume(std::uint32_t clusters = 16) : bytes((kDataSector + clusters) * 512, 0)
    {
        std::uint8_t* boot = bytes.data();
        put(11, 512, 2);
        boot[13] = 1;
        put(14, 4, 2);
        boot[16] = 1;
        put(32, kDataSector + clusters, 4);
        put(36, 1, 4);
        put(44, 2, 4);
        put(50, 2, 2);
        std::memcpy(boot + 71, "OLDLABEL   ", 11);
        std::memcpy(boot + 82, "FAT32   ", 8);
        boot[510] = 0x55;
        boot[511] = 0xAA;
        std::memcpy(bytes.data() + 2 * 512, boot, 512);
        setNext(0, 0x0FFFFFF8);
        setNext(1, 0x0FFFFFFF);
        setNext(2, 0x0FFFFFFF);
    }
    void put(std::size_t at, std::uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    void setNext(std::uint32_t cluster, std::uint32_t next) { put(kFatSector * 512 + cluster * 4, next, 4); }
    std::uint8_t* cluster(std::uint32_t n) { return bytes.data() + (kDataSector + n - 2) * 512; }
    // Sixteen ordinary files: no free slot and no label.
    void fillWithFiles(std::uint32_t n)
    {
        for (std::size_t i = 0; i < 512; i += 32) {
            std::memcpy(cluster(n) + i, "FILE    BIN", 11);
            cluster(n)[i + 11] = 0x20;
        }
    }
    std::string bootLabel(std::uint32_t sector = 0) const
    {
        return std::string(reinterpret_cast<const char*>(bytes.data() + sector * 512 + 71), 11);
    }
};

// Gives up after a budget of reads, or at one offset, as a failing card would.
class ScriptedVolume final : public RandomAccess {
public:
    explicit ScriptedVolume(std::vector<std::uint8_t>& bytes) : memory_(bytes) {}
    std::uint64_t failReadsAt = ~std::uint64_t{0};
    std::uint64_t readBudget = 10000;

    int readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (memory_.reads() >= readBudget || offset == failReadsAt)
            return EIO;
        return memory_.readAt(offset, out);
    }
    int writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override { return memory_.writeAt(offset, data); }
    int sync() override { return 0; }
    std::uint64_t sizeBytes() override { return memory_.sizeBytes(); }
    std::uint64_t reads() const { return memory_.reads(); }

private:
    MemoryVolume memory_;
};

} // namespace

TEST(FatLabelInMemory, WritesTheBootSectorItsBackupAndANewRootEntry)
{
    TinyVolume volume;
    MemoryVolume access(volume.bytes);
    std::string error;
    std::string label;
    ASSERT_TRUE(readFat32Label(access, label, error)) << error;
    EXPECT_EQ(label, "OLDLABEL");
    ASSERT_TRUE(writeFat32Label(access, "dravonix", error)) << error;
    EXPECT_EQ(volume.bootLabel(0), "DRAVONIX   ");
    EXPECT_EQ(volume.bootLabel(2), "DRAVONIX   ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(volume.cluster(2)), 11), "DRAVONIX   ");
    EXPECT_EQ(volume.cluster(2)[11], 0x08);
    ASSERT_TRUE(readFat32Label(access, label, error)) << error;
    EXPECT_EQ(label, "DRAVONIX");
}

TEST(FatLabelInMemory, ALoopingRootChainEndsAtTheFirstRepeatedCluster)
{
    // The boot sector claims four billion sectors; the root chain runs
    // 2 -> 3 -> 2 through folders without a free slot.
    TinyVolume volume;
    volume.put(32, 0xFFFFFFFF, 4);
    volume.fillWithFiles(2);
    volume.fillWithFiles(3);
    volume.setNext(2, 3);
    volume.setNext(3, 2);
    const std::vector<std::uint8_t> before = volume.bytes;
    ScriptedVolume access(volume.bytes);
    std::string error;
    EXPECT_FALSE(writeFat32Label(access, "DRAVONIX", error));
    EXPECT_EQ(error, "the root folder has no room for a label");
    EXPECT_LT(access.reads(), 20u) << "the walk went round the loop";
    EXPECT_EQ(volume.bytes, before);
    std::string label;
    ASSERT_TRUE(readFat32Label(access, label, error)) << error;
    EXPECT_EQ(label, "OLDLABEL");
    EXPECT_LT(access.reads(), 40u);
}

TEST(FatLabelInMemory, AChainPastTheFatOrTheDeviceEnds)
{
    for (const std::uint32_t next : {1000u, 0x0FFFFFF6u, 0x0FFFFFF7u, 0u}) {
        TinyVolume volume;
        volume.fillWithFiles(2);
        volume.setNext(2, next);
        ScriptedVolume access(volume.bytes);
        std::string error;
        EXPECT_FALSE(writeFat32Label(access, "DRAVONIX", error)) << next;
        EXPECT_EQ(error, "the root folder has no room for a label") << next;
        EXPECT_LT(access.reads(), 10u) << next;
    }
    TinyVolume outside;
    outside.put(44, 18, 4); // clusters 2 to 17 are all the volume has
    MemoryVolume access(outside.bytes);
    std::string error;
    EXPECT_FALSE(writeFat32Label(access, "DRAVONIX", error));
    EXPECT_EQ(error, "the root folder lies outside the volume");
}

TEST(FatLabelInMemory, ARefusalLeavesEveryLabelAsItWas)
{
    // No room in the root folder.
    {
        TinyVolume volume;
        volume.fillWithFiles(2);
        const std::vector<std::uint8_t> before = volume.bytes;
        MemoryVolume access(volume.bytes);
        std::string error;
        EXPECT_FALSE(writeFat32Label(access, "DRAVONIX", error));
        EXPECT_EQ(error, "the root folder has no room for a label");
        EXPECT_EQ(volume.bytes, before);
        EXPECT_EQ(access.writes(), 0u);
    }
    // The root folder's second cluster can't be read.
    {
        TinyVolume volume;
        volume.fillWithFiles(2);
        volume.setNext(2, 3);
        volume.setNext(3, 0x0FFFFFFF);
        const std::vector<std::uint8_t> before = volume.bytes;
        ScriptedVolume access(volume.bytes);
        access.failReadsAt = static_cast<std::uint64_t>(volume.cluster(3) - volume.bytes.data());
        std::string error;
        EXPECT_FALSE(writeFat32Label(access, "DRAVONIX", error));
        EXPECT_EQ(error, "cannot read the root folder");
        EXPECT_EQ(volume.bytes, before);
        std::string label;
        EXPECT_FALSE(readFat32Label(access, label, error));
    }
}

TEST(FatLabelInMemory, OnlyARealBackupBootSectorIsWritten)
{
    // Sector 1 is not a boot sector; 0xFFFF lies far outside the volume.
    for (const std::uint32_t backup : {1u, 0xFFFFu}) {
        TinyVolume volume;
        volume.put(50, backup, 2);
        const std::vector<std::uint8_t> sector1(volume.bytes.begin() + 512, volume.bytes.begin() + 1024);
        MemoryVolume access(volume.bytes);
        std::string error;
        ASSERT_TRUE(writeFat32Label(access, "DRAVONIX", error)) << backup << ": " << error;
        EXPECT_EQ(volume.bootLabel(0), "DRAVONIX   ");
        EXPECT_EQ(std::vector<std::uint8_t>(volume.bytes.begin() + 512, volume.bytes.begin() + 1024), sector1);
        EXPECT_EQ(volume.bytes.size(), (TinyVolume::kDataSector + 16) * 512);
    }
}
