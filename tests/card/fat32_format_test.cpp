// Formats sparse image files of many sizes and checks each with the real
// tools: fsck.fat, mtools and fatlabel.
#include "card/fat_label.h"
#include "card/format_flow.h"
#include "card/volume_device.h"
#include "loop_device.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

struct CommandResult {
    int status;
    std::string output;
};

CommandResult run(const std::string& command)
{
    CommandResult result{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        result.output += buffer;
    result.status = ::pclose(pipe);
    return result;
}

const LocalTime kWhen{2015, 3, 14, 9, 26, 53, 589};

struct Image {
    fs::path path;
    Image(const std::string& name, std::uint64_t bytes)
        : path(fs::temp_directory_path() / name)
    {
        fs::remove(path);
        std::ofstream(path, std::ios::binary).close();
        fs::resize_file(path, bytes);
    }
    ~Image() { fs::remove(path); }

    std::vector<std::uint8_t> read(std::uint64_t offset, std::size_t size) const
    {
        std::vector<std::uint8_t> out(size);
        std::ifstream in(path, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size));
        return out;
    }
    void write(std::uint64_t offset, const std::vector<std::uint8_t>& data) const
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(offset));
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
};

std::uint32_t le32(const std::vector<std::uint8_t>& s, std::size_t at)
{
    return s[at] | (s[at + 1] << 8) | (s[at + 2] << 16) | (std::uint32_t{s[at + 3]} << 24);
}

// Formats the image as the flow does and checks it with the real tools.
void formatAndCheck(const Image& image, std::uint32_t bytesPerSector, const std::string& unit)
{
    SCOPED_TRACE(image.path.string() + " " + unit);
    OpenedDevice opened = openImageFile(image.path.string(), bytesPerSector);
    ASSERT_TRUE(opened.device) << opened.message;
    const std::vector<std::uint8_t> marker(bytesPerSector, 0xC5);
    const std::uint64_t size = opened.device->facts().partitionBytes;
    const std::uint64_t dataProbe = size / 2 / bytesPerSector * bytesPerSector;
    image.write(dataProbe, marker);

    const FormatFlowResult result = runFormatFlow(*opened.device, std::nullopt, fs::temp_directory_path(), unit, "DRAVONIX", kWhen);
    ASSERT_TRUE(result.format.ok()) << result.format.message;
    ASSERT_TRUE(result.labelled) << result.labelError;
    opened.device.reset();

    const CommandResult fsck = run("/usr/sbin/fsck.fat -n " + image.path.string());
    EXPECT_EQ(fsck.status, 0) << fsck.output;
    // fsck names the program, then one summary line; anything more is a complaint.
    EXPECT_EQ(std::count(fsck.output.begin(), fsck.output.end(), '\n'), 2) << fsck.output;

    const auto boot = image.read(0, bytesPerSector);
    EXPECT_EQ(boot, image.read(6ull * bytesPerSector, bytesPerSector));
    const auto info = image.read(bytesPerSector, bytesPerSector);
    EXPECT_EQ(info, image.read(7ull * bytesPerSector, bytesPerSector));
    EXPECT_EQ(le32(info, 0), 0x41615252u);
    EXPECT_EQ(le32(info, 484), 0x61417272u);
    EXPECT_EQ(le32(info, 508), 0xAA550000u);
    const auto layout = planFat32(DeviceFacts{bytesPerSector, 0, 0, size, 0}, sectorsPerClusterFor(unit, bytesPerSector));
    ASSERT_TRUE(layout);
    EXPECT_EQ(le32(info, 488), layout->clusterCount - 1);
    EXPECT_EQ(le32(info, 492), 3u);
    EXPECT_EQ(image.read(dataProbe, bytesPerSector), marker) << "the data area was written";

    const std::string mtools = "MTOOLS_SKIP_CHECK=1 ";
    const fs::path note = fs::temp_directory_path() / "dravonix-note.txt";
    std::ofstream(note) << "written by the test\n";
    EXPECT_EQ(run(mtools + "mcopy -i " + image.path.string() + " " + note.string() + " ::/NOTE.TXT").status, 0);
    EXPECT_EQ(run(mtools + "mtype -i " + image.path.string() + " ::/NOTE.TXT").output, "written by the test\n");
    const CommandResult dir = run(mtools + "mdir -i " + image.path.string() + " ::");
    EXPECT_NE(dir.output.find("Volume in drive : is DRAVONIX"), std::string::npos) << dir.output;
    EXPECT_EQ(run("/usr/sbin/fatlabel " + image.path.string()).output, "DRAVONIX\n");
    EXPECT_EQ(run("/usr/sbin/fsck.fat -n " + image.path.string()).status, 0);
}

} // namespace

TEST(VolumeFormat, WorkedSizesPassFsckAndMtools)
{
    formatAndCheck(Image("dravonix-8389666.img", 8389666ull * 512), 512, "64K");
    formatAndCheck(Image("dravonix-7744512.img", 7744512ull * 512), 512, "16K");
    formatAndCheck(Image("dravonix-15523840.img", 15523840ull * 512), 512, "64K");
    formatAndCheck(Image("dravonix-4k.img", 4096ull * 2000000), 4096, "16K");
}

TEST(VolumeFormat, LargeCards)
{
    formatAndCheck(Image("dravonix-64g.img", 64ull << 30), 512, "64K");
    formatAndCheck(Image("dravonix-2t.img", 0xFFFFFFFEull * 512), 512, "64K");
}

TEST(VolumeFormat, TheFiguresOfTheWorkedCardLandWhereExpected)
{
    const Image image("dravonix-layout.img", 15523840ull * 512);
    OpenedDevice opened = openImageFile(image.path.string());
    ASSERT_TRUE(opened.device);
    ASSERT_TRUE(formatVolume(*opened.device, {128, ""}, kWhen).ok());
    const auto boot = image.read(0, 512);
    EXPECT_EQ(le32(boot, 67), 0x10F93848u);
    EXPECT_EQ(std::string(boot.begin() + 71, boot.begin() + 82), "NO NAME    ");
    EXPECT_EQ(le32(image.read(32 * 512, 512), 0), 0x0FFFFFF8u);
    EXPECT_EQ(le32(image.read(980 * 512, 512), 8), 0x0FFFFFFFu);
    EXPECT_EQ(le32(image.read(980 * 512 + 512, 512), 0), 0u);
}

TEST(VolumeFormat, TooSmallAndTooLargeAreRefusedBeforeAnyWrite)
{
    for (const std::uint64_t count : {65535ull, 0xFFFFFFFFull, 7744512ull}) {
        const Image image("dravonix-refused.img", count * 512);
        const std::vector<std::uint8_t> marker(512, 0x5A);
        image.write(0, marker);
        OpenedDevice opened = openImageFile(image.path.string());
        ASSERT_TRUE(opened.device);
        const FormatResult result = formatVolume(*opened.device, {128, ""}, kWhen);
        EXPECT_FALSE(result.ok());
        EXPECT_GE(result.code, kFormatRefusedBase);
        EXPECT_EQ(image.read(0, 512), marker) << count;
    }
}

TEST(VolumeFormat, AFailedWriteIsAFailure)
{
    // An image that refuses to grow: the format of a device smaller than its
    // facts claim must fail, not report success.
    class ShortDevice final : public BlockDevice {
    public:
        int readAt(std::uint64_t, std::span<std::uint8_t>) override { return EIO; }
        int writeAt(std::uint64_t offset, std::span<const std::uint8_t>) override { return offset >= 4096 ? ENOSPC : 0; }
        int sync() override { return 0; }
        DeviceFacts facts() const override { return {512, 0, 0, 15523840ull * 512, 0}; }
        int setPartitionType(std::uint8_t) override { return ENOTTY; }
        int finish() override { return 0; }
        std::string name() const override { return "short"; }
    } device;
    const FormatResult result = formatVolume(device, {128, ""}, kWhen);
    EXPECT_EQ(result.code, ENOSPC);
    EXPECT_EQ(result.message, "Failed to write");

    class FailingFlush final : public BlockDevice {
    public:
        int readAt(std::uint64_t, std::span<std::uint8_t>) override { return EIO; }
        int writeAt(std::uint64_t, std::span<const std::uint8_t>) override { return 0; }
        int sync() override { return EIO; }
        DeviceFacts facts() const override { return {512, 0, 0, 15523840ull * 512, 2048}; }
        int setPartitionType(std::uint8_t) override { return 0; }
        int finish() override { return EIO; }
        std::string name() const override { return "flaky"; }
    } flaky;
    EXPECT_EQ(formatVolume(flaky, {128, ""}, kWhen).code, EIO);
}

TEST(VolumeFormat, PartitionTypeFailureMattersOnlyWithHiddenSectors)
{
    class NoTable final : public BlockDevice {
    public:
        explicit NoTable(std::uint32_t hidden) : hidden_(hidden) {}
        int readAt(std::uint64_t, std::span<std::uint8_t>) override { return EIO; }
        int writeAt(std::uint64_t, std::span<const std::uint8_t>) override { return 0; }
        int sync() override { return 0; }
        DeviceFacts facts() const override { return {512, 0, 0, 15523840ull * 512, hidden_}; }
        int setPartitionType(std::uint8_t) override { return EPERM; }
        int finish() override { return 0; }
        std::string name() const override { return "no table"; }

    private:
        std::uint32_t hidden_;
    };
    NoTable whole(0);
    EXPECT_TRUE(formatVolume(whole, {128, ""}, kWhen).ok());
    NoTable partition(8192);
    const FormatResult result = formatVolume(partition, {128, ""}, kWhen);
    EXPECT_EQ(result.code, EPERM);
    EXPECT_EQ(result.message, "Failed to set parition info");
}

TEST(FormatFlow, AllocationUnitCopyAndOutcome)
{
    EXPECT_EQ(allocationUnitText(7516192768ull), "64K");
    EXPECT_EQ(allocationUnitText(7516192767ull), "16K");
    EXPECT_EQ(sectorsPerClusterFor("16K", 512), 32u);
    EXPECT_EQ(sectorsPerClusterFor("64K", 512), 128u);
    EXPECT_EQ(sectorsPerClusterFor("64K", 4096), 16u);
    EXPECT_EQ(formatOutcomeText(0), "Format complete.");
    EXPECT_EQ(formatOutcomeText(5),
              "Cannot format this drive. (5)\r\n\r\nQuit any disk utilities or other programs that are using this "
              "device,\r\n\r\nand make sure that no windows is displaying the contents of the drive.\r\n\r\nThen try "
              "formatting again.");

    const fs::path card = fs::temp_directory_path() / "dravonix-flow-card";
    const fs::path temp = fs::temp_directory_path() / "dravonix-flow-temp";
    fs::remove_all(card);
    fs::remove_all(temp);
    fs::create_directories(card);
    fs::create_directories(temp);
    std::ofstream(card / "config.bin") << "the card's settings";
    std::ofstream(temp / "config.bin") << "an older copy";
    EXPECT_TRUE(keepSafetyCopy(card / "config.bin", temp));
    std::ifstream copy(temp / "config.bin");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>()), "the card's settings");
    EXPECT_FALSE(keepSafetyCopy(card / "missing.bin", temp));
    EXPECT_FALSE(keepSafetyCopy(card, temp));
    fs::remove_all(card);
    fs::remove_all(temp);
}

TEST(FormatFlow, TheSafetyCopyIsTheUsersAloneAndGoesNowhereElse)
{
    const fs::path card = fs::temp_directory_path() / ("dravonix-safety-card-" + std::to_string(::getpid()));
    const fs::path temp = fs::temp_directory_path() / ("dravonix-safety-temp-" + std::to_string(::getpid()));
    fs::remove_all(card);
    fs::remove_all(temp);
    fs::create_directories(card);
    fs::create_directories(temp);
    const auto contents = [](const fs::path& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::ofstream(card / "config.bin") << "password=secret";

    // A link planted where the copy goes is replaced; what it leads to is untouched.
    std::ofstream(card / "victim") << "someone's own file";
    fs::create_symlink(card / "victim", temp / "config.bin");
    EXPECT_TRUE(keepSafetyCopy(card / "config.bin", temp));
    EXPECT_EQ(contents(card / "victim"), "someone's own file");
    EXPECT_FALSE(fs::is_symlink(temp / "config.bin"));
    EXPECT_EQ(contents(temp / "config.bin"), "password=secret");
    EXPECT_EQ(fs::status(temp / "config.bin").permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);

    // Nothing to read (a FIFO is not waited on): the last copy stays.
    ASSERT_EQ(::mkfifo((card / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(keepSafetyCopy(card / "fifo", temp));
    EXPECT_EQ(contents(temp / "config.bin"), "password=secret");

    // A copy another user holds is theirs: not replaced, not written into.
    if (::geteuid() == 0 && ::chown((temp / "config.bin").c_str(), 65534, 65534) == 0) {
        std::ofstream(card / "config.bin") << "password=changed";
        EXPECT_FALSE(keepSafetyCopy(card / "config.bin", temp));
        EXPECT_EQ(contents(temp / "config.bin"), "password=secret");
    }
    fs::remove_all(card);
    fs::remove_all(temp);
}

TEST(FormatFlow, SizeRefusalsSayWhatIsWrongAndWhichClusterFits)
{
    const auto facts = [](std::uint64_t bytes, std::uint32_t bytesPerSector) {
        DeviceFacts f;
        f.bytesPerSector = bytesPerSector;
        f.partitionBytes = bytes;
        return f;
    };
    EXPECT_EQ(formatSizeProblem("card", facts(8ull << 30, 512), "64K"), "");
    EXPECT_EQ(formatSizeProblem("card", facts(2ull << 30, 512), "16K"), "");
    EXPECT_EQ(formatSizeProblem("card.img", facts(2ull << 30, 512), "64K"),
              "card.img (2147483648 bytes, 4194304 sectors of 512 bytes) is too small for FAT32 with 64K clusters: "
              "that makes 32763 clusters, and FAT32 needs at least 65536. Use --cluster 16K (131007 clusters).");
    EXPECT_EQ(formatSizeProblem("small.img", facts(100ull << 20, 512), "16K"),
              "small.img (104857600 bytes, 204800 sectors of 512 bytes) is too small for FAT32 with 16K clusters: "
              "that makes 6395 clusters, and FAT32 needs at least 65536. --cluster 64K does not fit either, so this "
              "volume can't be formatted FAT32 here.");
    const std::string tiny = formatSizeProblem("tiny.img", facts(1ull << 20, 512), "16K");
    EXPECT_TRUE(tiny.starts_with("tiny.img (1048576 bytes, 2048 sectors of 512 bytes) is too small for FAT32 with 16K"))
        << tiny;
    EXPECT_TRUE(tiny.ends_with("--cluster 64K does not fit either, so this volume can't be formatted FAT32 here.")) << tiny;
    EXPECT_EQ(formatSizeProblem("/dev/sdz", facts(8ull << 40, 4096), "16K"),
              "/dev/sdz (8796093022208 bytes, 2147483648 sectors of 4096 bytes) is too large for FAT32 with 16K "
              "clusters: that makes 536608887 clusters, and FAT32 allows at most 268435455. Use --cluster 64K "
              "(134201343 clusters).");
    EXPECT_EQ(formatSizeProblem("/dev/sdz", facts(3ull << 40, 512), "64K"),
              "/dev/sdz (3298534883328 bytes, 6442450944 sectors of 512 bytes) is too large for FAT32, which counts "
              "at most 4294967294 sectors: no cluster size can change that.");
}

TEST(FormatFlow, DevicesThatMustNotBeFormatted)
{
    EXPECT_EQ(openFormatTarget("/dev/null").error, kRefusedDevice);
    EXPECT_NE(openFormatTarget("/nonexistent/card").error, 0);
    const OpenedDevice folder = openImageFile(fs::temp_directory_path().string());
    EXPECT_FALSE(folder.device);
    EXPECT_NE(folder.error, 0);
    EXPECT_EQ(openImageFile("/tmp/x.img", 1024).error, kRefusedDevice);
    // The disk the system runs from, when its device node is visible here.
    for (const char* system : {"/dev/vda", "/dev/sda", "/dev/nvme0n1"}) {
        if (!fs::exists(system))
            continue;
        const OpenedDevice opened = openFormatTarget(system);
        EXPECT_FALSE(opened.device) << system;
        EXPECT_EQ(opened.error, kRefusedDevice) << system << ": " << opened.message;
    }
}

TEST(FormatFlow, WhatIsNeitherImageNorBlockDeviceIsRefusedUnopened)
{
    // Opening is not harmless: a FIFO's reader wakes up, and some devices
    // act on an open (a watchdog starts its countdown).
    const fs::path fifo = fs::temp_directory_path() / ("dravonix-format-fifo-" + std::to_string(::getpid()));
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& target : {fifo, fs::path("/dev/null")}) {
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, target.c_str(), IN_OPEN), 0) << target;
        const OpenedDevice opened = openFormatTarget(target.string());
        EXPECT_FALSE(opened.device) << target;
        EXPECT_EQ(opened.error, kRefusedDevice) << target;
        EXPECT_EQ(opened.message, target.string() + " is neither a block device nor an image file");
        alignas(inotify_event) char events[4096];
        EXPECT_LT(::read(watch, events, sizeof events), 0) << target << " was opened";
        ::close(watch);
    }
    fs::remove(fifo);
}

TEST(VolumeFormat, ALoopDeviceWhereOneCanBeHad)
{
    const Image image("dravonix-loop.img", 1200ull << 20);
    test::LoopDevice attached(image.path.string());
    if (attached.device().empty())
        GTEST_SKIP() << attached.why();
    const std::string& loop = attached.device();
    OpenedDevice opened = openFormatTarget(loop);
    ASSERT_TRUE(opened.device) << opened.message;
    const FormatFlowResult result = runFormatFlow(*opened.device, std::nullopt, fs::temp_directory_path(), "16K", "DRAVONIX", kWhen);
    EXPECT_TRUE(result.format.ok()) << result.format.message;
    EXPECT_TRUE(result.labelled) << result.labelError;
    opened.device.reset();
    EXPECT_EQ(run("/usr/sbin/fsck.fat -n " + loop).status, 0);
    EXPECT_EQ(run("/usr/sbin/fatlabel " + loop).output, "DRAVONIX\n");
}

TEST(VolumeFormat, ProgressCountsUpToEverySectorWritten)
{
    const Image image("dravonix-progress.img", 2ull << 30);
    OpenedDevice opened = openImageFile(image.path.string());
    ASSERT_TRUE(opened.device);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> seen;
    const FormatFlowResult result = runFormatFlow(*opened.device, std::nullopt, fs::temp_directory_path(), "16K", "DRAVONIX",
                                                  kWhen, [&](std::uint64_t done, std::uint64_t total) { seen.emplace_back(done, total); });
    ASSERT_TRUE(result.format.ok());
    ASSERT_GT(seen.size(), 2u);
    const auto layout = planFat32(opened.device->facts(), 32);
    ASSERT_TRUE(layout);
    EXPECT_EQ(seen.front().first, 0u);
    EXPECT_EQ(seen.back().first, seen.back().second);
    EXPECT_EQ(seen.back().second, layout->systemAreaSectors() + 6u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(VolumeDevice, AnImageTellsItsSizeAndFileSystem)
{
    const Image image("dravonix-device.img", 2ull << 30);
    auto device = volumeDeviceAt(image.path.string());
    ASSERT_TRUE(device);
    EXPECT_EQ(device->totalBytes, 2ull << 30);
    EXPECT_EQ(device->fileSystem, "");
    EXPECT_FALSE(device->readOnly);
    EXPECT_TRUE(device->mountPoint.empty());
    {
        OpenedDevice opened = openImageFile(image.path.string());
        ASSERT_TRUE(runFormatFlow(*opened.device, std::nullopt, fs::temp_directory_path(), "16K", "DRAVONIX", kWhen).format.ok());
    }
    EXPECT_EQ(volumeDeviceAt(image.path.string())->fileSystem, "FAT32");
    EXPECT_FALSE(volumeDeviceAt("/nonexistent/card.img"));
    EXPECT_FALSE(volumeDeviceAt("/dev/null"));

    std::vector<std::uint8_t> sector(512, 0);
    std::memcpy(&sector[3], "EXFAT   ", 8);
    EXPECT_EQ(fileSystemOfBootSector(sector), "exFAT");
    std::fill(sector.begin(), sector.end(), 0);
    std::memcpy(&sector[54], "FAT16   ", 8);
    EXPECT_EQ(fileSystemOfBootSector(sector), ""); // no 55 AA: no boot sector
    sector[510] = 0x55;
    sector[511] = 0xAA;
    EXPECT_EQ(fileSystemOfBootSector(sector), "FAT16");

    EXPECT_EQ(readableSize(999), "999 bytes");
    EXPECT_EQ(readableSize(31914983424ull), "31.9 GB");
    EXPECT_EQ(readableSize(4294967296ull), "4.3 GB");
    EXPECT_EQ(readableSize(999950000ull), "1.0 GB");
}
