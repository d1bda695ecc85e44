#include "card/card_discovery.h"
#include "card/volumes_from_environment.h"
#include "config/config_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include <QByteArray>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

struct Cards {
    // One folder per process: ctest runs these tests side by side.
    fs::path root = fs::temp_directory_path() / ("dravonix-cards-" + std::to_string(::getpid()));
    FolderVolumes volumes;

    Cards()
    {
        fs::remove_all(root);
        fs::create_directories(root);
    }
    ~Cards() { fs::remove_all(root); }

    fs::path add(const std::string& name, const std::string& label, std::size_t configSize)
    {
        fs::create_directories(root / name);
        if (configSize > 0) {
            DeviceConfig config;
            config.setShareAlways(static_cast<std::uint32_t>(name.size()));
            std::ofstream(root / name / "config.bin", std::ios::binary)
                .write(reinterpret_cast<const char*>(config.bytes().data()), static_cast<std::streamsize>(configSize));
        }
        volumes.add((root / name).string(), label);
        return root / name / "config.bin";
    }
};

} // namespace

TEST(CardDiscovery, TheFirstCardWithA500ByteConfigWinsAndIsRelabelled)
{
    Cards cards;
    cards.add("a", "OTHER", 0);
    cards.add("b", "SHORT", 499);
    const fs::path first = cards.add("cc", "dravonix", 500);
    cards.add("ddd", "DRAVONIX", 500);

    fs::path configPath;
    DeviceConfig config;
    ASSERT_TRUE(findCard(cards.volumes, configPath, &config));
    EXPECT_EQ(configPath, first);
    EXPECT_EQ(config.shareAlways(), 2u); // read from the card in "cc"
    EXPECT_EQ(cards.volumes.removableDrives()[2].label, "DRAVONIX");
    EXPECT_EQ(cards.volumes.removableDrives()[0].label, "OTHER");
}

TEST(CardDiscovery, NothingFoundKeepsAnEarlierPath)
{
    Cards cards;
    cards.add("a", "A", 0);
    fs::path configPath;
    EXPECT_FALSE(findCard(cards.volumes, configPath));
    EXPECT_TRUE(configPath.empty());
    configPath = "/earlier/config.bin";
    EXPECT_TRUE(findCard(cards.volumes, configPath));
    EXPECT_EQ(configPath, "/earlier/config.bin");

    FolderVolumes none;
    fs::path empty;
    EXPECT_FALSE(findCard(none, empty));
}

TEST(CardDiscovery, AFailedRelabelStillFindsTheCard)
{
    Cards cards;
    const fs::path config = cards.add("a", "NO NAME", 500);
    cards.volumes.failRelabel(true);
    fs::path configPath;
    EXPECT_TRUE(findCard(cards.volumes, configPath));
    EXPECT_EQ(configPath, config);
    EXPECT_EQ(cards.volumes.removableDrives()[0].label, "NO NAME");
    EXPECT_EQ(removableRoots(cards.volumes).front(), (cards.root / "a/").string());
}

TEST(CardDiscovery, AFolderNamedConfigBinIsNoCard)
{
    Cards cards;
    fs::create_directories(cards.root / "a" / "config.bin");
    cards.volumes.add((cards.root / "a").string(), "");
    EXPECT_FALSE(isCameraConfigFile(cards.root / "a" / "config.bin"));
    fs::path configPath;
    EXPECT_FALSE(findCard(cards.volumes, configPath));
}

TEST(CardDiscovery, TestVolumesTakeAnImageAsTheirDevice)
{
    const fs::path root = fs::temp_directory_path() / "dravonix-test-devices";
    fs::remove_all(root);
    fs::create_directories(root / "card=odd");
    fs::create_directories(root / "other");
    std::ofstream(root / "card.img").close();
    fs::resize_file(root / "card.img", 1 << 20);
    qputenv("DRAVONIX_TEST_VOLUMES", (root.string() + "/card=odd=DRAVONIX;" + root.string() + "/other=").c_str());
    qputenv("DRAVONIX_TEST_DEVICES", (root.string() + "/card=odd/=" + root.string() + "/card.img").c_str());
    const auto volumes = volumesFromEnvironment();
    const auto drives = volumes->removableDrives();
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0], (RemovableDrive{root.string() + "/card=odd/", "DRAVONIX"}));
    const auto device = volumes->deviceOf(drives[0]);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->path, root.string() + "/card.img");
    EXPECT_EQ(device->totalBytes, 1u << 20);
    EXPECT_FALSE(volumes->deviceOf(drives[1]));
    EXPECT_EQ(volumeWithRoot(*volumes, root.string() + "/other")->root, root.string() + "/other/");
    EXPECT_FALSE(volumeWithRoot(*volumes, root.string()));
    qunsetenv("DRAVONIX_TEST_VOLUMES");
    qunsetenv("DRAVONIX_TEST_DEVICES");
    fs::remove_all(root);
}

TEST(CardDiscovery, ALinkThatLeadsOffTheCardIsNeitherReadNorReplaced)
{
    Cards cards;
    // A file of the user's, outside every card, of the camera file's size.
    const fs::path home = cards.root / "home";
    fs::create_directories(home);
    std::ofstream(home / "notes.bin", std::ios::binary) << std::string(kConfigSize, 'u');
    const fs::path card = cards.root / "a";
    fs::create_directories(card);
    cards.volumes.add(card.string(), kCameraLabel);
    const fs::path config = card / "config.bin";

    // Absolute, relative and dangling: Save asks for a file rather than write through the link.
    for (const fs::path& link : {home / "notes.bin", fs::path("../home/notes.bin"), fs::path("../home/new.bin")}) {
        fs::remove(config);
        fs::create_symlink(link, config);
        EXPECT_EQ(findCameraDrive(cards.volumes.removableDrives()), nullptr) << link;
        fs::path configPath;
        EXPECT_FALSE(findCard(cards.volumes, configPath)) << link;
        EXPECT_EQ(chooseConfigSaveTarget({}, cards.volumes.removableDrives()), std::nullopt) << link;
    }

    // A link from one file of the card to another is the card's own business.
    fs::create_directories(card / "backup");
    fs::copy_file(home / "notes.bin", card / "backup" / "config.bin");
    fs::remove(config);
    fs::create_symlink("backup/config.bin", config);
    EXPECT_NE(findCameraDrive(cards.volumes.removableDrives()), nullptr);
    EXPECT_EQ(chooseConfigSaveTarget({}, cards.volumes.removableDrives()), config);
}
