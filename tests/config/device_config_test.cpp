#include "config/config_file.h"
#include "card/removable_drive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <csignal>
#include <sys/resource.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

// The defaults written out from the camera's table by hand, independently of
// the field list in the code.
std::array<std::uint8_t, 500> expectedDefaults()
{
    std::array<std::uint8_t, 500> b{};
    const auto u32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 0x26;
    b[1] = 0x57;
    const std::pair<std::size_t, std::uint32_t> words[] = {
        {4, 1},     {8, 70},    {12, 10},   {16, 20},   {20, 12000}, {24, 0},     {28, 0},   {32, 3},   {36, 0},
        {40, 1},    {44, 1},    {48, 3},    {52, 2},    {56, 0},     {60, 2},     {64, 0},   {68, 2},   {72, 2},
        {76, 128},  {80, 2},    {84, 2},    {88, 50},   {92, 45},    {96, 45},    {100, 10}, {104, 8},  {108, 8},
        {112, 8},   {116, 3},   {120, 3},   {124, 0x60}, {128, 97},  {132, 3600}, {136, 92}, {140, 60}, {144, 0},
        {148, 0},   {152, 1},   {156, 0},   {160, 0},   {164, 0},    {168, 28},   {172, 0},  {176, 0},  {180, 1},
        {184, 1},   {188, 1},   {192, 0},   {196, 1},   {200, 1},    {204, 1},    {208, 1},  {212, 1},  {216, 60},
        {220, 20},  {224, 7},   {228, 176}, {232, 3000}, {236, 1},   {240, 0},    {244, 1},  {248, 0},  {252, 0},
        {264, 2},   {268, 2},   {272, 2},   {276, 2},   {280, 1},    {284, 0},    {288, 0},  {292, 1},  {296, 98},
        {300, 1},   {304, 0},   {308, 1},   {312, 0},   {316, 0},    {320, 0x60}, {324, 0},  {328, 1},  {332, 0},
        {336, 0},   {340, 1},   {344, 0},   {348, 0},   {352, 0},    {388, 4},    {392, 0},  {404, 1},  {408, 0},
        {412, 0},   {416, 0},   {496, 1},
    };
    for (const auto& [at, v] : words)
        u32(at, v);
    const std::uint8_t adas[] = {0, 30, 30, 1, 2, 2, 2};
    std::copy(std::begin(adas), std::end(adas), b.begin() + 396);
    std::copy_n("Dravonix", 8, b.begin() + 256);
    std::copy_n("Dravonix", 8, b.begin() + 356);
    std::copy_n("48213765", 8, b.begin() + 372);
    std::uint16_t sum = 0;
    for (std::size_t at = 4; at <= 496; at += 4)
        sum ^= static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
    b[2] = static_cast<std::uint8_t>(sum);
    b[3] = static_cast<std::uint8_t>(sum >> 8);
    return b;
}

fs::path freshFolder(const char* name)
{
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void writeBytes(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(DeviceConfig, DefaultsMatchTheCameraTableByteForByte)
{
    const DeviceConfig config;
    const auto expected = expectedDefaults();
    for (std::size_t i = 0; i < 500; ++i)
        EXPECT_EQ(config.bytes()[i], expected[i]) << "offset " << i;
    EXPECT_EQ(config.reserved403(), 0);
    EXPECT_EQ(config.checksum(), config.storedChecksum());
}

TEST(DeviceConfig, NamedAccessorsSitAtTheirOffsets)
{
    DeviceConfig config;
    config.setWifiChannel(0xA1B2C3D4);
    EXPECT_EQ(config.u32(416), 0xA1B2C3D4u);
    config.setFcwsSpeed(55);
    EXPECT_EQ(config.bytes()[398], 55);
    config.setPlateText("12345678");
    EXPECT_EQ(config.rearVideoQuality(), 2u); // an eight-character plate has no terminator and spills nothing
    EXPECT_EQ(config.text(256, 8), "12345678");
    EXPECT_EQ(findConfigField("rearMotionArea")->offset, 320u);
}

TEST(DeviceConfig, FieldTableCoversTheRecordWithoutGapsOrOverlaps)
{
    std::size_t next = 0;
    for (const FieldInfo& field : configFields()) {
        EXPECT_EQ(field.offset, next) << field.name;
        if (field.kind == FieldKind::U32) {
            EXPECT_EQ(field.offset % 4, 0u) << field.name;
        }
        next = field.offset + field.width;
    }
    EXPECT_EQ(next, kConfigSize);
}

TEST(DeviceConfig, DefaultsKeepCardFieldsOnlyWhenAsked)
{
    DeviceConfig config;
    for (std::size_t at : {8u, 12u, 16u, 168u, 172u, 244u, 60u})
        config.setU32(at, 33);
    config.bytes()[403] = 0x5A;
    config.setU16(2, 0xBEEF);
    config.defaults(true);
    EXPECT_EQ(config.shareAlways(), 33u);
    EXPECT_EQ(config.shareEvent(), 33u);
    EXPECT_EQ(config.shareParking(), 33u);
    EXPECT_EQ(config.timeZone(), 33u);
    EXPECT_EQ(config.summerTime(), 33u);
    EXPECT_EQ(config.voiceLanguage(), 33u);
    EXPECT_EQ(config.frontVideoQuality(), 2u);
    EXPECT_EQ(config.reserved403(), 0x5A);
    EXPECT_EQ(config.storedChecksum(), 0xBEEF);
    config.defaults(false);
    EXPECT_EQ(config.shareAlways(), 70u);
    EXPECT_EQ(config.timeZone(), 28u);
    EXPECT_EQ(config.voiceLanguage(), 1u);
}

TEST(DeviceConfig, ChecksumIgnoresMagicChecksumAndHighHalves)
{
    DeviceConfig config;
    const std::uint16_t before = config.checksum();
    config.setMagic(0x1234);
    config.setU16(2, 0x9999);
    config.bytes()[6] ^= 0xFF; // high half of the word at 4
    EXPECT_EQ(config.checksum(), before);
    config.bytes()[4] ^= 0x01;
    EXPECT_EQ(config.checksum(), before ^ 0x0001);
}

TEST(ConfigFile, RoundTripKeepsEveryByteButTheChecksum)
{
    const fs::path folder = freshFolder("dravonix-config-roundtrip");
    std::array<std::uint8_t, 500> card{};
    std::mt19937 rng(5);
    for (auto& b : card)
        b = static_cast<std::uint8_t>(rng());
    writeBytes(folder / "config.bin", card);

    DeviceConfig config;
    ASSERT_TRUE(loadConfigFile(folder / "config.bin", config));
    EXPECT_NE(config.checksum(), config.storedChecksum()); // loaded all the same
    ASSERT_TRUE(saveConfigFile(folder / "config.bin", config).ok);

    std::ifstream in(folder / "config.bin", std::ios::binary);
    std::vector<std::uint8_t> saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(saved.size(), 500u);
    for (std::size_t i = 4; i < 500; ++i)
        EXPECT_EQ(saved[i], card[i]) << i;
    EXPECT_EQ(saved[0], card[0]);
    EXPECT_EQ(saved[1], card[1]);
    EXPECT_EQ(saved[2] | (saved[3] << 8), config.checksum());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1); // no temporary left
}

TEST(ConfigFile, ShortFilesOverwriteOnlyWhatTheyHold)
{
    const fs::path folder = freshFolder("dravonix-config-short");
    const std::uint8_t head[] = {0x11, 0x22, 0x33};
    writeBytes(folder / "short.bin", head);
    DeviceConfig config;
    ASSERT_TRUE(loadConfigFile(folder / "short.bin", config));
    EXPECT_EQ(config.magic(), 0x2211);
    EXPECT_EQ(config.bytes()[2], 0x33);
    EXPECT_EQ(config.shareAlways(), 70u);

    const DeviceConfig untouched = config;
    EXPECT_FALSE(loadConfigFile(folder / "missing.bin", config));
    fs::create_directory(folder / "config.bin");
    EXPECT_FALSE(loadConfigFile(folder / "config.bin", config));
    EXPECT_EQ(config, untouched);
}

TEST(ConfigFile, FailedSavesLeaveTheCardAsItWas)
{
    const fs::path folder = freshFolder("dravonix-config-fail");
    fs::create_directory(folder / "config.bin");
    DeviceConfig config;
    const WriteOutcome intoFolder = saveConfigFile(folder / "config.bin", config);
    EXPECT_FALSE(intoFolder.ok);
    EXPECT_FALSE(intoFolder.writeProtected);
    EXPECT_TRUE(fs::is_directory(folder / "config.bin"));

    const WriteOutcome noFolder = saveConfigFile(folder / "gone" / "config.bin", config);
    EXPECT_FALSE(noFolder.ok);
    EXPECT_NE(noFolder.message.find("gone"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST(ConfigFile, SaveTargetFollowsPathThenDrives)
{
    const std::vector<RemovableDrive> one{{"/media/a/", "X"}};
    const std::vector<RemovableDrive> two{{"/media/a/", "dravonix"}, {"/media/b/", "DRAVONIX"}};
    const std::vector<RemovableDrive> twoOther{{"/media/a/", "A"}, {"/media/b/", "B"}};
    EXPECT_EQ(chooseConfigSaveTarget("/known/config.bin", two), fs::path("/known/config.bin"));
    EXPECT_EQ(chooseConfigSaveTarget({}, {}), std::nullopt);
    EXPECT_EQ(chooseConfigSaveTarget({}, one), fs::path("/media/a/config.bin"));
    EXPECT_EQ(chooseConfigSaveTarget({}, two), fs::path("/media/b/config.bin"));
    EXPECT_EQ(chooseConfigSaveTarget({}, twoOther), std::nullopt);
}

TEST(ConfigFile, AWriteThatFailsHalfwayKeepsTheOldFileWhole)
{
    const fs::path folder = freshFolder("dravonix-config-halfway");
    std::array<std::uint8_t, 500> card{};
    card.fill(0xAB);
    writeBytes(folder / "config.bin", card);

    // A file size limit makes the write stop part way, as a full card would.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    DeviceConfig config;
    const WriteOutcome outcome = saveConfigFile(folder / "config.bin", config);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.systemError, 0);
    std::ifstream in(folder / "config.bin", std::ios::binary);
    std::vector<std::uint8_t> kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, std::vector<std::uint8_t>(card.begin(), card.end()));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1); // no temporary left
}
