#include "export/combined_video.h"
#include "export/export_folder.h"
#include "export/file_digest.h"

#include "toolkit/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

fs::path freshFolder(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / (std::string("dravonix-export-test-") + name + "-"
                                                         + std::to_string(::getpid()));
    fs::remove_all(folder);
    return folder;
}

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        ::pclose(pipe);
    }
    return out;
}

} // namespace

TEST(ExportFiles, Sha256AgreesWithSha256sum)
{
    const fs::path folder = freshFolder("digest");
    fs::create_directories(folder);
    const std::atomic<bool> cancel{false};
    for (const std::size_t size : {std::size_t{0}, std::size_t{3}, std::size_t{64}, std::size_t{(1 << 20) + 17}}) {
        const fs::path file = folder / ("f" + std::to_string(size));
        std::ofstream(file, std::ios::binary) << std::string(size, 'a') << std::flush;
        const auto digest = sha256OfFile(file.string(), cancel);
        ASSERT_TRUE(digest);
        EXPECT_EQ(*digest + "  " + file.string() + "\n", run("sha256sum '" + file.string() + "'")) << size;
    }
    EXPECT_EQ(sha256OfFile((folder / "absent").string(), cancel).error().systemError, ENOENT);
    const std::atomic<bool> cancelled{true};
    EXPECT_FALSE(sha256OfFile((folder / "f3").string(), cancelled));
    fs::remove_all(folder);
}

TEST(ExportFiles, SumsLinesOfOddNamesPassSha256sumCheck)
{
    const fs::path folder = freshFolder("sums");
    fs::create_directories(folder);
    const std::atomic<bool> cancel{false};
    std::string sums;
    for (const std::string name : {"plain.mp4", "with space.gpx", "back\\slash", "line\nbreak"}) {
        std::ofstream(folder / name, std::ios::binary) << name << std::flush;
        sums += sumsLine(*sha256OfFile((folder / name).string(), cancel), name);
    }
    std::ofstream(folder / "SHA256SUMS", std::ios::binary) << sums << std::flush;
    EXPECT_EQ(std::system(("cd '" + folder.string() + "' && sha256sum --quiet --strict -c SHA256SUMS").c_str()), 0);
    fs::remove_all(folder);
}

TEST(ExportFiles, AFolderNotKeptLeavesNothingBehind)
{
    const fs::path folder = freshFolder("folder");
    {
        auto made = ExportFolder::create(folder);
        ASSERT_TRUE(made) << made.error().message;
        auto temporary = made->temporaryFor("clip.mp4");
        ASSERT_TRUE(temporary);
        std::ofstream(*temporary) << "half";
        EXPECT_TRUE(fs::exists(*temporary));
        EXPECT_EQ(fs::path(*temporary).filename().string().rfind(".clip.mp4.", 0), 0u);
        // A scan or a write beside it takes only what nobody holds.
        EXPECT_EQ(removeStaleTemporaries(folder), 0);
        EXPECT_TRUE(fs::exists(*temporary));
    }
    EXPECT_FALSE(fs::exists(folder)); // made here, so removed again

    // An empty folder given is taken and left in place, empty.
    fs::create_directories(folder);
    {
        auto taken = ExportFolder::create(folder);
        ASSERT_TRUE(taken);
        ASSERT_TRUE(taken->temporaryFor("a"));
    }
    EXPECT_TRUE(fs::exists(folder));
    EXPECT_TRUE(fs::is_empty(folder));

    // What a killed export left (a temporary nobody holds) doesn't make the
    // folder taken; one a running export holds does.
    std::ofstream(folder / ".clip.mp4.Ab12Cd.dravonix-tmp") << "half";
    {
        auto taken = ExportFolder::create(folder);
        ASSERT_TRUE(taken) << taken.error().message;
        auto live = taken->temporaryFor("clip.mp4");
        ASSERT_TRUE(live);
        EXPECT_FALSE(ExportFolder::create(folder));
    }
    EXPECT_TRUE(fs::is_empty(folder));

    // Kept: the final names, readable by others.
    {
        auto taken = ExportFolder::create(folder);
        auto a = taken->temporaryFor("provisional");
        taken->rename(*a, "final.txt");
        std::ofstream(*a) << "whole";
        ASSERT_TRUE(taken->keep());
    }
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "final.txt");
    EXPECT_EQ(fs::status(folder / "final.txt").permissions() & fs::perms::others_read, fs::perms::others_read);

    // A folder with something in it, or a file, is refused.
    const auto refused = ExportFolder::create(folder);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("not empty"), std::string::npos);
    EXPECT_FALSE(ExportFolder::create(folder / "final.txt"));
    EXPECT_FALSE(ExportFolder::create(folder / "no" / "such" / "parent"));
    fs::remove_all(folder);
}

TEST(ExportFiles, OverlayTextCannotBreakOutOfItsOption)
{
    EXPECT_EQ(escapedFilterValue("23:59:59 it's [a],b;c=d\\"), "23\\:59\\:59 it\\'s \\[a\\]\\,b\\;c\\=d\\\\");
    const std::string side = combinedFilterGraph(CombinedLayout::SideBySide, false, "");
    EXPECT_NE(side.find("hstack"), std::string::npos);
    EXPECT_EQ(side.find("drawtext"), std::string::npos);
    const std::string inset = combinedFilterGraph(CombinedLayout::Inset, true, "/fonts/a.ttf");
    EXPECT_NE(inset.find("overlay="), std::string::npos);
    EXPECT_NE(inset.find("drawtext=fontfile=/fonts/a.ttf:expansion=none"), std::string::npos);
}
