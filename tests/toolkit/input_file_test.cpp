#include "toolkit/input_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

TEST(InputFile, OnlyRegularFilesOpenAndNothingWaitsForAWriter)
{
    const fs::path folder = fs::temp_directory_path() / ("dravonix-input-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path fifo = folder / "route.drv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/urandom", folder / "random.drv");

    struct Case {
        fs::path path;
        const char* reason;
    };
    for (const Case& c : {Case{fifo, "is a FIFO, not a file"}, Case{"/dev/zero", "is a character device, not a file"},
                          Case{folder / "random.drv", "is a character device, not a file"},
                          Case{folder, "is a folder"}}) {
        const auto opened = InputFile::open(c.path);
        ASSERT_FALSE(opened) << c.path;
        EXPECT_EQ(opened.error().message, c.reason);
    }
    const auto missing = InputFile::open(folder / "missing");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "cannot open: No such file or directory");

    // The same by name in a folder held open, links followed as by path.
    fs::create_directory(folder / "inner");
    std::ofstream(folder / "inner" / "recording.mp4") << "footage";
    fs::create_symlink("inner/recording.mp4", folder / "link.mp4");
    const auto open = OpenFolder::open(folder);
    ASSERT_TRUE(open);
    for (const Case& c : {Case{"route.drv", "is a FIFO, not a file"}, Case{"random.drv", "is a character device, not a file"},
                          Case{"inner", "is a folder"}, Case{"missing", "cannot open: No such file or directory"}}) {
        const auto opened = InputFile::openIn(*open, c.path.c_str());
        ASSERT_FALSE(opened) << c.path;
        EXPECT_EQ(opened.error().message, c.reason);
    }
    const auto linked = InputFile::openIn(*open, "link.mp4");
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->size(), 7u);
    EXPECT_EQ(linked->identity(), InputFile::open(folder / "inner" / "recording.mp4")->identity());
    EXPECT_FALSE(OpenFolder::open(folder / "link.mp4")); // a file is no folder
    EXPECT_FALSE(OpenFolder::open(folder / "missing"));
    fs::remove_all(folder);
}

TEST(InputFile, ReadsAreBoundedByTheSizeAtOpening)
{
    const fs::path file = fs::temp_directory_path() / ("dravonix-input-" + std::to_string(::getpid()) + ".bin");
    std::ofstream(file, std::ios::binary) << "0123456789";
    auto opened = InputFile::open(file);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->size(), 10u);
    EXPECT_EQ(*opened->readAll(10), "0123456789");
    EXPECT_FALSE(opened->readAll(9));
    std::byte tail[8]{};
    EXPECT_EQ(*opened->readAt(6, tail), 4u);
    EXPECT_EQ(*opened->readAt(20, tail), 0u);

    const auto again = InputFile::open(file);
    EXPECT_EQ(again->identity(), opened->identity());
    EXPECT_EQ(*fileIdentity(file), opened->identity());
    fs::remove(file);
}
