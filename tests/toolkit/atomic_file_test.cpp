#include "toolkit/atomic_file.h"
#include "toolkit/atomic_file_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("dravonix-atomic-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override
    {
        detail::restoreReplaceSteps();
        fs::remove_all(folder_);
    }

    static WriteOutcome write(const fs::path& target, std::string_view text)
    {
        return writeFileAtomically(target, std::as_bytes(std::span(text.data(), text.size())));
    }
    static std::string contents(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Everything in the folder but the named files: temporaries left behind.
    std::vector<std::string> leftovers(std::initializer_list<std::string> expected) const
    {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(folder_))
            if (std::find(expected.begin(), expected.end(), entry.path().filename().string()) == expected.end())
                out.push_back(entry.path().filename().string());
        return out;
    }

    fs::path folder_;
};

} // namespace

TEST_F(AtomicFile, RefusesDevicesFifosAndSocketsAndLeavesThemAsTheyAre)
{
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path socketPath = folder_ / "socket";
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const fs::path linkToNull = folder_ / "null-link";
    fs::create_symlink("/dev/null", linkToNull);
    const fs::path linkToLink = folder_ / "link-link";
    fs::create_symlink(linkToNull, linkToLink);

    for (const fs::path& target : {fs::path("/dev/null"), fifo, socketPath, linkToNull, linkToLink}) {
        const WriteOutcome outcome = write(target, "x");
        EXPECT_FALSE(outcome.ok) << target;
        EXPECT_NE(outcome.message.find("only a regular file is replaced"), std::string::npos) << outcome.message;
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_socket(socketPath));
    EXPECT_TRUE(fs::is_symlink(linkToNull));
    EXPECT_NE(write(folder_, "x").message.find("is a folder"), std::string::npos);
    ::close(sock);
}

TEST_F(AtomicFile, ALinkLeadsToTheFileThatIsReplacedAndStaysALink)
{
    fs::create_directories(folder_ / "real");
    const fs::path real = folder_ / "real" / "config.bin";
    std::ofstream(real) << "old";
    fs::create_symlink("real/config.bin", folder_ / "config.bin");
    ASSERT_TRUE(write(folder_ / "config.bin", "new").ok);
    EXPECT_TRUE(fs::is_symlink(folder_ / "config.bin"));
    EXPECT_EQ(contents(real), "new");

    // A dangling link: the file is made where it points.
    fs::create_symlink("real/fresh.csv", folder_ / "fresh.csv");
    ASSERT_TRUE(write(folder_ / "fresh.csv", "rows").ok);
    EXPECT_TRUE(fs::is_symlink(folder_ / "fresh.csv"));
    EXPECT_EQ(contents(folder_ / "real" / "fresh.csv"), "rows");
    EXPECT_TRUE(leftovers({"config.bin", "fresh.csv", "real"}).empty());
}

TEST_F(AtomicFile, KeepsTheModeAndOwnerOfTheFileItReplaces)
{
    const fs::path target = folder_ / "timeset.cfg";
    std::ofstream(target) << "old";
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(write(target, "new").ok);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
}

TEST_F(AtomicFile, EveryFailedStepIsReportedAndLeavesTheOldFileWhole)
{
    const fs::path target = folder_ / "config.bin";
    struct Fault {
        const char* step;
        void (*inject)();
        const char* messagePart;
        const char* contentsAfter;
    };
    const Fault faults[] = {
        {"file flush", [] { detail::replaceSteps().fsyncFile = [](int) { errno = EIO; return -1; }; },
         "cannot flush", "old"},
        {"mode", [] { detail::replaceSteps().fchmod = [](int, mode_t) { errno = EPERM; return -1; }; },
         "cannot keep the permissions", "old"},
        {"rename", [] { detail::replaceSteps().rename = [](const char*, const char*) { errno = EXDEV; return -1; }; },
         "cannot replace", "old"},
        // After the rename the new bytes are in place, but not known to be on the card.
        {"folder flush", [] { detail::replaceSteps().fsyncFolder = [](int) { errno = EIO; return -1; }; },
         "its folder could not be flushed", "new"},
    };
    const mode_t oldMask = ::umask(022);
    for (const Fault& fault : faults) {
        std::ofstream(target, std::ios::trunc) << "old";
        ASSERT_EQ(::chmod(target.c_str(), 0666), 0); // the umask makes the temporary differ, so the mode is set
        fault.inject();
        const WriteOutcome outcome = write(target, "new");
        detail::restoreReplaceSteps();
        EXPECT_FALSE(outcome.ok) << fault.step;
        EXPECT_NE(outcome.systemError, 0) << fault.step;
        EXPECT_NE(outcome.message.find(fault.messagePart), std::string::npos) << outcome.message;
        EXPECT_EQ(contents(target), fault.contentsAfter) << fault.step;
        EXPECT_TRUE(leftovers({"config.bin"}).empty()) << fault.step;
    }
    ::umask(oldMask);
}

TEST_F(AtomicFile, TemporariesOfAKilledWriterAreRemovedByTheNextWrite)
{
    EXPECT_TRUE(isReplacementTemporary(".config.bin.a1B2c3.dravonix-tmp"));
    EXPECT_FALSE(isReplacementTemporary("config.bin.a1B2c3.dravonix-tmp"));
    EXPECT_FALSE(isReplacementTemporary(".config.bin.dravonix-tmp"));
    EXPECT_FALSE(isReplacementTemporary(".config.bin.XXXXXX"));

    const fs::path stale = folder_ / ".config.bin.k9Zq2w.dravonix-tmp";
    std::ofstream(stale) << "half";
    // A live writer's temporary is locked and must survive.
    const fs::path live = folder_ / ".config.bin.Live01.dravonix-tmp";
    std::ofstream(live) << "writing";
    const int held = ::open(live.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    // Something that only looks similar is not ours.
    std::ofstream(folder_ / ".config.bin.swp") << "editor";

    ASSERT_TRUE(write(folder_ / "config.bin", "new").ok);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(folder_ / ".config.bin.swp"));
    ::close(held);
    EXPECT_EQ(removeStaleTemporaries(folder_), 1);
    EXPECT_FALSE(fs::exists(live));
}

TEST_F(AtomicFile, ANewFileGetsTheUsualPermissions)
{
    const mode_t old = ::umask(022);
    ASSERT_TRUE(write(folder_ / "new.csv", "a,b\n").ok);
    ::umask(old);
    struct stat info {};
    ASSERT_EQ(::stat((folder_ / "new.csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_EQ(contents(folder_ / "new.csv"), "a,b\n");
}
