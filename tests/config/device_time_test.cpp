#include "config/device_time.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

TEST(DeviceTime, NineteenBytesWithoutLineEnd)
{
    EXPECT_EQ(formatDeviceTime({2025, 1, 5, 7, 8, 9}), "2025/01/05 07:08:09");
    EXPECT_EQ(formatDeviceTime({2024, 3, 7, 9, 5, 0}).size(), 19u);
    EXPECT_EQ(formatDeviceTime({10000, 12, 31, 23, 59, 59}), "10000/12/31 23:59:59");
}

TEST(DeviceTime, TheFirstCardHoldingTheFileIsWrittenInPlace)
{
    const fs::path root = fs::temp_directory_path() / "dravonix-timeset";
    fs::remove_all(root);
    for (const char* card : {"a", "b", "c"})
        fs::create_directories(root / card);
    std::ofstream(root / "b" / "timeset.cfg") << "old contents that are longer";
    std::ofstream(root / "c" / "timeset.cfg") << "x";
    const std::vector<RemovableDrive> drives{{(root / "a/").string(), ""}, {(root / "b/").string(), ""},
                                             {(root / "c/").string(), ""}};
    const auto target = findDeviceTimeFile(drives);
    ASSERT_TRUE(target);
    EXPECT_EQ(*target, root / "b" / "timeset.cfg");
    EXPECT_FALSE(findDeviceTimeFile({drives[0]})); // a card without the file is never chosen

    ASSERT_TRUE(writeDeviceTimeFile(*target, {2025, 1, 5, 7, 8, 9}).ok);
    std::ifstream in(*target, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, "2025/01/05 07:08:09");
    fs::remove_all(root);
}

TEST(DeviceTime, OnlyTimesOfNineteenBytesAreWritten)
{
    EXPECT_TRUE(isValidDeviceTime({1601, 1, 1, 0, 0, 0}));
    EXPECT_TRUE(isValidDeviceTime({9999, 12, 31, 23, 59, 59}));
    EXPECT_TRUE(isValidDeviceTime({2024, 2, 29, 12, 0, 0}));
    for (const DeviceTime& t : {DeviceTime{1600, 12, 31, 23, 59, 59}, DeviceTime{10000, 1, 1, 0, 0, 0},
                                DeviceTime{999, 1, 1, 0, 0, 0}, DeviceTime{-5, 1, 1, 0, 0, 0},
                                DeviceTime{2023, 2, 29, 0, 0, 0}, DeviceTime{2023, 4, 31, 0, 0, 0},
                                DeviceTime{2023, 1, 1, 24, 0, 0}, DeviceTime{2023, 1, 1, 0, 60, 0}})
        EXPECT_FALSE(isValidDeviceTime(t)) << formatDeviceTime(t);

    const auto file = std::filesystem::temp_directory_path() / ("timeset-" + std::to_string(::getpid()) + ".cfg");
    const WriteOutcome refused = writeDeviceTimeFile(file, {10000, 1, 1, 0, 0, 0});
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(DeviceTime, ALinkThatLeadsOffTheCardIsNotTheCardsClockFile)
{
    const fs::path root = fs::temp_directory_path() / ("dravonix-timeset-link-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "home");
    fs::create_directories(root / "a");
    fs::create_directories(root / "b");
    std::ofstream(root / "home" / "notes.txt") << "the user's own words";
    fs::create_symlink(root / "home" / "notes.txt", root / "a" / "timeset.cfg");
    fs::create_symlink("../home/later.txt", root / "b" / "timeset.cfg"); // dangling: Save would create it
    const std::vector<RemovableDrive> drives{{(root / "a/").string(), ""}, {(root / "b/").string(), ""}};
    EXPECT_EQ(findDeviceTimeFile(drives), std::nullopt);

    // One that stays on its card is still found.
    fs::create_directories(root / "b" / "old");
    std::ofstream(root / "b" / "old" / "timeset.cfg") << "x";
    fs::remove(root / "b" / "timeset.cfg");
    fs::create_symlink("old/timeset.cfg", root / "b" / "timeset.cfg");
    EXPECT_EQ(findDeviceTimeFile(drives), root / "b" / "timeset.cfg");
    fs::remove_all(root);
}
