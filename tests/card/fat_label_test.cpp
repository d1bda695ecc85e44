// Labels written into real FAT32 images made by mkfs.fat, read back by
// fatlabel and checked by fsck.fat.
#include "card/fat_label.h"

#include <gtest/gtest.h>

#include <cstdlib>
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
}

TEST(FatLabel, RewritesAllThreePlacesOfAFat32Volume)
{
    for (const std::string& options : {std::string("-n OLDNAME"), std::string()}) {
        const fs::path image = makeImage("dravonix-label.img", options);
        const int fd = ::open(image.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        std::string error;
        ASSERT_TRUE(writeFat32Label(*descriptorAccess(fd), "Dravonix", error)) << error;
        std::string label;
        ASSERT_TRUE(readFat32Label(*descriptorAccess(fd), label, error)) << error;
        EXPECT_EQ(label, "DRAVONIX");
        char boot[11];
        char backup[11];
        ASSERT_EQ(::pread(fd, boot, 11, 71), 11);
        ASSERT_EQ(::pread(fd, backup, 11, 6 * 512 + 71), 11);
        EXPECT_EQ(std::string(boot, 11), "DRAVONIX   ");
        EXPECT_EQ(std::string(backup, 11), "DRAVONIX   ");
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
