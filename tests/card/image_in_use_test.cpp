// An image file that the system uses as a disk through a loop device must not
// be formatted behind its back, and two formats of one image must not run at
// once. The decisions are checked on a made-up sysfs, the whole path on a
// real loop device where root can have one.
#include "card/block_device.h"
#include "card/device_use_linux.h"
#include "loop_device.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

void writeText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
}

struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
};

FileId idOf(const fs::path& file)
{
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// A system with two loop devices: loop5 backs card.img, loop6 another file.
class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("dravonix-fake-sys-" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "dev");
        fs::create_directories(root / "proc");
        std::ofstream(image = root / "card.img") << "an image";
        std::ofstream(root / "other.img") << "another image";
        addLoop("loop5", "7:5", image.string());
        addLoop("loop6", "7:6", (root / "other.img").string());
        fs::create_directories(root / "sys/block/sda");
        writeText(root / "sys/block/sda/dev", "8:0");
        writeText(root / "swaps", "Filename\tType\tSize\tUsed\tPriority");
        mounts({});
        sources.mountInfo = (root / "mountinfo").string();
        sources.swaps = root / "swaps";
        sources.processes = root / "proc";
        sources.sysBlock = root / "sys/block";
        sources.sysDevBlock = root / "sys/dev/block";
        sources.devices = root / "dev"; // no nodes: the backing file's name decides
    }
    void TearDown() override { fs::remove_all(root); }

    void addLoop(const std::string& name, const std::string& majorMinor, const std::string& backing)
    {
        const fs::path folder = root / "sys/block" / name;
        writeText(folder / "dev", majorMinor);
        writeText(folder / "loop/backing_file", backing);
        fs::create_directories(folder / "holders");
    }
    void mounts(const std::vector<std::string>& majorMinors)
    {
        std::ofstream table(root / "mountinfo");
        table << "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n";
        for (const std::string& device : majorMinors)
            table << "40 22 " << device << " / /mnt/my\\040card rw - ext2 /dev/x rw\n";
    }
    std::string why() const
    {
        const FileId id = idOf(image);
        return whyImageInUse(id.device, id.inode, "card.img", sources);
    }

    fs::path root;
    fs::path image;
    DeviceUseSources sources;
};

} // namespace

TEST_F(FakeSystem, AnIdleLoopDeviceDoesNotStopTheFormat)
{
    const FileId id = idOf(image);
    const std::vector<SysDevice> loops = loopDevicesBackedBy(id.device, id.inode, sources);
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(loops.front().majorMinor, "7:5");
    EXPECT_EQ(why(), "");
}

TEST_F(FakeSystem, AMountedLoopDeviceOrPartitionStopsIt)
{
    mounts({"7:6"}); // the other image's device
    EXPECT_EQ(why(), "");
    mounts({"7:5"});
    EXPECT_EQ(why(), "card.img (attached to " + (root / "dev/loop5").string() + ") is mounted at /mnt/my card: unmount it first");
    writeText(root / "sys/block/loop5/loop5p1/partition", "1");
    writeText(root / "sys/block/loop5/loop5p1/dev", "259:3");
    mounts({"259:3"});
    EXPECT_NE(why().find("is mounted at /mnt/my card"), std::string::npos) << why();
}

TEST_F(FakeSystem, AHeldLoopDeviceOrPartitionStopsIt)
{
    writeText(root / "sys/block/loop5/holders/dm-0", "");
    EXPECT_EQ(why(), "card.img (attached to " + (root / "dev/loop5").string() + ") is in use by another device (RAID, LVM or encryption)");
    fs::remove_all(root / "sys/block/loop5/holders");
    fs::create_directories(root / "sys/block/loop5/holders");
    writeText(root / "sys/block/loop5/loop5p1/partition", "1");
    writeText(root / "sys/block/loop5/loop5p1/holders/dm-1", "");
    EXPECT_NE(why().find("in use by another device"), std::string::npos) << why();
}

TEST_F(FakeSystem, TheFileIsKnownByItsInodeNotItsName)
{
    // The loop device was attached through a link and a roundabout name.
    fs::create_directory_symlink(root, root / "link");
    writeText(root / "sys/block/loop5/loop/backing_file", (root / "./link/./card.img").string());
    mounts({"7:5"});
    EXPECT_NE(why(), "");
    // Names that lead to another file, or to none, are not ours.
    for (const std::string& other : {std::string("other.img"), std::string("card.img.old")}) {
        writeText(root / "sys/block/loop5/loop/backing_file", (root / other).string());
        EXPECT_EQ(why(), "") << other;
    }
}

TEST(ImageFileLock, ASecondWriterIsToldTheImageIsBusy)
{
    const fs::path image = fs::temp_directory_path() / ("dravonix-locked-" + std::to_string(::getpid()) + ".img");
    std::ofstream(image) << std::string(4096, '\0');
    {
        const OpenedDevice first = openImageFile(image.string());
        ASSERT_TRUE(first.device) << first.message;
        const OpenedDevice second = openImageFile(image.string());
        EXPECT_FALSE(second.device);
        EXPECT_EQ(second.error, kRefusedDevice);
        EXPECT_EQ(second.message, image.string() + " is locked by another process that is writing it: try again when it has finished");
    }
    EXPECT_TRUE(openImageFile(image.string()).device) << "the lock outlived the first writer";
    fs::remove(image);
}

namespace {

// A child process that opens the device exclusively, as a partitioner or a
// file system checker would, until it is killed.
pid_t holdExclusively(const std::string& device)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        const int fd = ::open(device.c_str(), O_RDONLY | O_EXCL);
        const char answer = fd >= 0 ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char answer = 'n';
    const bool held = child > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    if (!held && child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }
    return child;
}

} // namespace

TEST(ImageOnALoopDevice, RefusedWhileMountedOrHeldAllowedWhenIdle)
{
    const fs::path folder = fs::temp_directory_path() / ("dravonix-loop-" + std::to_string(::getpid()));
    fs::create_directories(folder / "mnt");
    const fs::path image = folder / "card.img";
    std::ofstream(image).close();
    fs::resize_file(image, 8 << 20);
    fs::create_symlink(image, folder / "same.img");
    {
        test::LoopDevice loop(image.string());
        if (loop.device().empty()) {
            fs::remove_all(folder);
            GTEST_SKIP() << loop.why();
        }
        if (const std::string why = loop.mountExt2((folder / "mnt").string()); why.empty()) {
            for (const fs::path& name : {image, folder / "same.img"}) {
                const OpenedDevice opened = openImageFile(name.string());
                EXPECT_FALSE(opened.device) << name;
                EXPECT_EQ(opened.message, name.string() + " (attached to " + loop.device() + ") is mounted at "
                                              + (folder / "mnt").string() + ": unmount it first");
            }
            loop.unmount();
        } else {
            std::printf("mounting ext2 on a loop device failed here (%s): checking a held device only\n", why.c_str());
        }
        EXPECT_TRUE(openImageFile(image.string()).device) << "an idle loop device";

        const pid_t holder = holdExclusively(loop.device());
        ASSERT_GT(holder, 0) << "could not hold " << loop.device();
        const OpenedDevice held = openImageFile(image.string());
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        EXPECT_FALSE(held.device);
        EXPECT_EQ(held.message, image.string() + " (attached to " + loop.device() + ") is open in process "
                                    + std::to_string(holder) + ": close it first");
        EXPECT_TRUE(openImageFile(image.string()).device) << "after the holder ended";
    }
    fs::remove_all(folder);
}
