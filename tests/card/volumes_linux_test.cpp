// The Linux listing over a made-up system: mount table, sysfs and udev
// database written into a temporary folder.
#include "card/volumes_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

struct FakeSystem {
    // One per process: ctest runs the tests of this file side by side.
    fs::path root = fs::temp_directory_path() / ("dravonix-fake-system-" + std::to_string(::getpid()));
    std::ofstream mountInfo;

    FakeSystem()
    {
        fs::remove_all(root);
        for (const char* dir : {"sys/dev/block", "udev", "by-label", "mnt"})
            fs::create_directories(root / dir);
        mountInfo.open(root / "mountinfo");
        mountInfo << "22 1 0:21 / / rw - ext4 /dev/vda rw\n";
    }
    ~FakeSystem() { fs::remove_all(root); }

    // A partition of a disk whose sysfs path says which bus it hangs on.
    void disk(const std::string& majorMinor, const std::string& devicePath, const std::string& removable,
              const std::string& mountPoint, const std::string& escapedMountPoint, const std::string& fsType)
    {
        const fs::path partition = root / "sys/devices" / devicePath;
        fs::create_directories(partition);
        std::ofstream(partition / "partition") << "1\n";
        std::ofstream(partition.parent_path() / "removable") << removable << "\n";
        fs::create_directory_symlink(partition, root / "sys/dev/block" / majorMinor);
        fs::create_directories(root / "mnt" / mountPoint);
        mountInfo << "30 22 " << majorMinor << " / " << (root / "mnt").string() << "/" << escapedMountPoint
                  << " rw,nosuid - " << fsType << " /dev/" << fs::path(devicePath).filename().string() << " rw\n";
    }

    LinuxVolumes volumes()
    {
        mountInfo.flush();
        return LinuxVolumes({(root / "mountinfo").string(), (root / "sys/dev/block").string(), (root / "udev").string(),
                             (root / "by-label").string()});
    }
};

} // namespace

TEST(LinuxVolumes, ListsRemovableMediaByMountPointWithUdevLabels)
{
    FakeSystem sys;
    sys.disk("8:17", "pci0/usb1/1-1/host6/block/sdb/sdb1", "0", "zcard", "zcard", "vfat");   // USB reader
    sys.disk("179:1", "platform/mmc0/mmc0:0001/block/mmcblk0/mmcblk0p1", "0", "a card", "a\\040card", "vfat");
    sys.disk("8:1", "pci0/ata1/host0/block/sda/sda1", "0", "data", "data", "ext4");          // fixed disk
    sys.disk("8:33", "pci0/ata2/host1/block/sdc/sdc1", "1", "stick", "stick", "exfat");      // flagged removable
    sys.disk("7:1", "virtual/block/loop0/loop0p1", "0", "loop", "loop", "vfat");             // loop device
    std::ofstream(sys.root / "udev" / "b179:1") << "S:disk/by-label/MY\\x20CAR\nE:ID_FS_LABEL=MY_CAR\nE:ID_FS_LABEL_ENC=MY\\x20CAR\n";
    std::ofstream(sys.root / "udev" / "b8:33") << "E:ID_FS_LABEL=STICK\n";

    const auto drives = sys.volumes().removableDrives();
    const std::string mnt = (sys.root / "mnt").string();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0], (RemovableDrive{mnt + "/a card/", "MY CAR"}));
    EXPECT_EQ(drives[1], (RemovableDrive{mnt + "/stick/", "STICK"}));
    EXPECT_EQ(drives[2], (RemovableDrive{mnt + "/zcard/", ""}));
}

TEST(LinuxVolumes, UnmountedMediaAndOtherFileSystemsCannotBeRelabelled)
{
    FakeSystem sys;
    sys.disk("8:33", "pci0/usb2/block/sdc/sdc1", "1", "stick", "stick", "exfat");
    fs::remove_all(sys.root / "mnt" / "stick"); // the medium is gone: statvfs fails
    auto volumes = sys.volumes();
    EXPECT_TRUE(volumes.removableDrives().empty());
    std::string error;
    EXPECT_FALSE(volumes.setLabel({(sys.root / "mnt/stick/").string(), ""}, "DRAVONIX", error));
    EXPECT_NE(error.find("exfat"), std::string::npos);
    EXPECT_FALSE(volumes.setLabel({"/nowhere/", ""}, "DRAVONIX", error));
    EXPECT_NE(error.find("not mounted"), std::string::npos);
}

TEST(LinuxVolumes, Unescaping)
{
    EXPECT_EQ(unescapeMountField("/media/a\\040b\\011c"), "/media/a b\tc");
    EXPECT_EQ(unescapeMountField("/plain\\"), "/plain\\");
    EXPECT_EQ(unescapeUdevLabel("NO\\x20NAME"), "NO NAME");
    EXPECT_EQ(unescapeUdevLabel("odd\\x2"), "odd\\x2");
}

TEST(LinuxVolumes, TellTheDeviceSizeSectorsFileSystemAndWriteProtectionOfAVolume)
{
    FakeSystem sys;
    sys.disk("179:1", "platform/mmc0/mmc0:0001/block/mmcblk0/mmcblk0p1", "0", "card", "card", "vfat");
    sys.disk("8:33", "pci0/usb2/block/sdc/sdc1", "1", "stick", "stick", "exfat");
    const fs::path card = sys.root / "sys/devices/platform/mmc0/mmc0:0001/block/mmcblk0";
    std::ofstream(card / "mmcblk0p1" / "size") << "62333952\n"; // 512-byte units
    std::ofstream(card / "mmcblk0p1" / "ro") << "0\n";
    fs::create_directories(card / "queue");
    std::ofstream(card / "queue" / "logical_block_size") << "512\n";
    std::ofstream(sys.root / "udev" / "b179:1") << "E:ID_FS_TYPE=vfat\nE:ID_FS_VERSION=FAT32\n";
    const fs::path stick = sys.root / "sys/devices/pci0/usb2/block/sdc";
    std::ofstream(stick / "sdc1" / "size") << "1000\n";
    std::ofstream(stick / "ro") << "1\n"; // the write-protect switch is on
    fs::create_directories(stick / "queue");
    std::ofstream(stick / "queue" / "logical_block_size") << "4096\n";

    auto volumes = sys.volumes();
    const std::string mnt = (sys.root / "mnt").string();
    const auto first = volumes.deviceOf({mnt + "/card/", ""});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->path, "/dev/mmcblk0p1");
    EXPECT_EQ(first->totalBytes, 62333952ull * 512);
    EXPECT_EQ(first->bytesPerSector, 512u);
    EXPECT_EQ(first->fileSystem, "FAT32");
    EXPECT_FALSE(first->readOnly);
    EXPECT_EQ(first->mountPoint, mnt + "/card");

    const auto second = volumes.deviceOf({mnt + "/stick/", ""}); // no udev entry: the mount table's type
    ASSERT_TRUE(second);
    EXPECT_EQ(second->fileSystem, "exFAT");
    EXPECT_EQ(second->bytesPerSector, 4096u);
    EXPECT_TRUE(second->readOnly);
    EXPECT_FALSE(volumes.deviceOf({mnt + "/elsewhere/", ""}));

    EXPECT_EQ(fileSystemName("vfat", "FAT16", ""), "FAT16");
    EXPECT_EQ(fileSystemName("", "", "vfat"), "FAT");
    EXPECT_EQ(fileSystemName("", "", "ext4"), "ext4");
}
