#include "card/fat32_layout.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

DeviceFacts sectors(std::uint64_t count, std::uint32_t bytesPerSector = 512)
{
    DeviceFacts facts;
    facts.bytesPerSector = bytesPerSector;
    facts.partitionBytes = count * bytesPerSector;
    return facts;
}

std::uint32_t le32(const std::vector<std::uint8_t>& s, std::size_t at)
{
    return s[at] | (s[at + 1] << 8) | (s[at + 2] << 16) | (std::uint32_t{s[at + 3]} << 24);
}

} // namespace

TEST(Fat32Layout, WorkedExamplesKeepTheirFigures)
{
    const auto smallest = planFat32(sectors(8389666), 128);
    ASSERT_TRUE(smallest);
    EXPECT_EQ(smallest->fatSectors, 513u);
    EXPECT_EQ(smallest->clusterCount, 65536u);

    const auto card = planFat32(sectors(15523840), 128);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->fatSectors, 948u);
    EXPECT_EQ(card->clusterCount, 121264u);
    EXPECT_EQ(card->freeClusters(), 121263u);
    EXPECT_EQ(card->systemAreaSectors(), 2056u);
    EXPECT_EQ(card->secondFatSector(), 980u);
    EXPECT_EQ(card->rootClusterSector(), 1928u);

    EXPECT_EQ(planFat32(sectors(7744512), 128).error(), LayoutError::TooFewClusters);
    const auto fourGig = planFat32(sectors(7744512), 32);
    ASSERT_TRUE(fourGig);
    EXPECT_GE(fourGig->clusterCount, 65536u);
}

TEST(Fat32Layout, SizeLimits)
{
    EXPECT_EQ(planFat32(sectors(65535), 0).error(), LayoutError::TooFewSectors);
    EXPECT_EQ(planFat32(sectors(0xFFFFFFFFull), 128).error(), LayoutError::TooManySectors);
    const auto largest = planFat32(sectors(0xFFFFFFFEull), 128);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->totalSectors, 0xFFFFFFFEu);
    EXPECT_EQ(planFat32(sectors(0xFFFFFFFEull), 1).error(), LayoutError::TooManyClusters);
}

TEST(Fat32Layout, TheFatHoldsEveryClusterAndTheTwoReservedEntries)
{
    // 64 GiB with 64 KiB clusters: the camera's sizing leaves the FAT one
    // entry short, which fsck.fat rejects.
    const auto big = planFat32(sectors(64ull * 1024 * 1024 * 1024 / 512), 128);
    ASSERT_TRUE(big);
    EXPECT_GE(std::uint64_t{big->fatSectors} * 512 / 4, std::uint64_t{big->clusterCount} + 2);
    EXPECT_EQ(big->fatSectors, 8192u);
    EXPECT_EQ(big->clusterCount, 1048447u);
    for (std::uint64_t total : {70000ull, 1000000ull, 8389666ull, 33554432ull, 123456789ull, 4000000000ull})
        for (std::uint32_t spc : {8u, 32u, 128u}) {
            const auto layout = planFat32(sectors(total), spc);
            if (!layout)
                continue;
            EXPECT_GE(std::uint64_t{layout->fatSectors} * 128, std::uint64_t{layout->clusterCount} + 2) << total << "/" << spc;
            EXPECT_LE(32 + 2 * std::uint64_t{layout->fatSectors} + std::uint64_t{layout->clusterCount} * spc, total);
        }
}

TEST(Fat32Layout, DefaultClusterSizesAndTheClusterOption)
{
    const std::uint64_t mib = 1024 * 1024;
    EXPECT_EQ(defaultSectorsPerCluster(512 * mib, 512), 1u);
    EXPECT_EQ(defaultSectorsPerCluster(513 * mib, 512), 8u);
    EXPECT_EQ(defaultSectorsPerCluster(8193 * mib, 512), 16u);
    EXPECT_EQ(defaultSectorsPerCluster(16385 * mib, 512), 32u);
    EXPECT_EQ(defaultSectorsPerCluster(32769 * mib, 512), 64u);
    EXPECT_EQ(defaultSectorsPerCluster(32769 * mib, 4096), 8u);
    std::string note;
    EXPECT_EQ(parseClusterOption("-c128"), 128u);
    EXPECT_EQ(parseClusterOption("-c3", &note), 0u);
    EXPECT_EQ(note, "Ignoring bad cluster size 3\n");
    EXPECT_EQ(parseClusterOption("-c256"), 0u);
}

TEST(Fat32Layout, VolumeIdAndLabel)
{
    EXPECT_EQ(volumeIdFor({2015, 3, 14, 9, 26, 53, 589}), 0x10F93848u);
    EXPECT_EQ(volumeLabelField(""), "NO NAME    ");
    EXPECT_EQ(volumeLabelField("DRAVONIX"), "DRAVONIX   ");
    EXPECT_EQ(volumeLabelField("ABCDEFGHIJKLM"), "ABCDEFGHIJK");
}

TEST(Fat32Layout, SectorImages)
{
    const DeviceFacts facts{512, 63, 255, 15523840ull * 512, 8192};
    const auto layout = planFat32(facts, 128);
    ASSERT_TRUE(layout);
    const auto boot = bootSector(*layout, facts, 0x10F93848, volumeLabelField(""));
    ASSERT_EQ(boot.size(), 512u);
    EXPECT_EQ((std::vector<std::uint8_t>(boot.begin(), boot.begin() + 3)), (std::vector<std::uint8_t>{0xEB, 0x5A, 0x90}));
    EXPECT_EQ(std::string(boot.begin() + 3, boot.begin() + 11), "MSWIN4.1");
    EXPECT_EQ(boot[13], 128);
    EXPECT_EQ(boot[14], 32);
    EXPECT_EQ(boot[16], 2);
    EXPECT_EQ(boot[21], 0xF8);
    EXPECT_EQ(boot[24], 63);
    EXPECT_EQ(boot[26], 255);
    EXPECT_EQ(le32(boot, 28), 8192u);
    EXPECT_EQ(le32(boot, 32), 15523840u);
    EXPECT_EQ(le32(boot, 36), 948u);
    EXPECT_EQ(le32(boot, 44), 2u);
    EXPECT_EQ(boot[48], 1);
    EXPECT_EQ(boot[50], 6);
    EXPECT_EQ(boot[64], 0x80);
    EXPECT_EQ(boot[66], 0x29);
    EXPECT_EQ(le32(boot, 67), 0x10F93848u);
    EXPECT_EQ(std::string(boot.begin() + 71, boot.begin() + 82), "NO NAME    ");
    EXPECT_EQ(std::string(boot.begin() + 82, boot.begin() + 90), "FAT32   ");
    EXPECT_EQ(boot[510], 0x55);
    EXPECT_EQ(boot[511], 0xAA);
    EXPECT_EQ(std::count(boot.begin() + 90, boot.begin() + 510, 0), 420); // no boot code

    const auto info = fsInfoSector(*layout);
    EXPECT_EQ(le32(info, 0), 0x41615252u);
    EXPECT_EQ(le32(info, 484), 0x61417272u);
    EXPECT_EQ(le32(info, 488), 121263u);
    EXPECT_EQ(le32(info, 492), 3u);
    EXPECT_EQ(le32(info, 508), 0xAA550000u);
    const auto fat = firstFatSector(*layout);
    EXPECT_EQ(le32(fat, 0), 0x0FFFFFF8u);
    EXPECT_EQ(le32(fat, 4), 0x0FFFFFFFu);
    EXPECT_EQ(le32(fat, 8), 0x0FFFFFFFu);
    EXPECT_EQ(le32(fat, 12), 0u);

    const DeviceFacts big{4096, 0, 0, 4096ull * 2000000, 0};
    const auto layout4k = planFat32(big, 4);
    ASSERT_TRUE(layout4k);
    const auto boot4k = bootSector(*layout4k, big, 1, volumeLabelField(""));
    ASSERT_EQ(boot4k.size(), 4096u);
    EXPECT_EQ(boot4k[510], 0x55);
    EXPECT_EQ(boot4k[511], 0xAA);
    EXPECT_EQ(boot4k[4094], 0x55);
    EXPECT_EQ(boot4k[4095], 0xAA);
}
