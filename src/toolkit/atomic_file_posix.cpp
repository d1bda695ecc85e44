#include "toolkit/atomic_file.h"
#include "toolkit/atomic_file_steps.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {
namespace detail {
namespace {

ReplaceSteps systemSteps() { return {::fsync, ::fchmod, ::fchown, ::rename, ::fsync}; }

} // namespace

ReplaceSteps& replaceSteps()
{
    static ReplaceSteps steps = systemSteps();
    return steps;
}

void restoreReplaceSteps() { replaceSteps() = systemSteps(); }

} // namespace detail

namespace {

constexpr std::string_view kTemporarySuffix = ".dravonix-tmp";
constexpr int kMaxLinkHops = 40;

WriteOutcome failure(int error, const std::string& what)
{
    WriteOutcome out;
    out.systemError = error;
    out.writeProtected = error == EROFS;
    out.message = what + ": " + std::strerror(error);
    return out;
}

WriteOutcome refusal(const std::string& what)
{
    WriteOutcome out;
    out.message = what;
    return out;
}

bool writeAll(int fd, std::span<const std::byte> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

std::string randomTag()
{
    static std::atomic<unsigned> counter{0};
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device device;
    std::mt19937 mix(device() ^ static_cast<unsigned>(::getpid()) ^ (counter++ * 2654435761u));
    std::string tag(6, 'x');
    for (char& c : tag)
        c = kLetters[mix() % (sizeof kLetters - 1)];
    return tag;
}

// Creates ".NAME.XXXXXX.dravonix-tmp" next to the target, locked for as long
// as it is open so that nobody takes it for a stale one.
int createTemporary(const std::filesystem::path& folder, const std::string& name, mode_t mode, std::string& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = (folder / ("." + name + "." + randomTag() + std::string(kTemporarySuffix))).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd >= 0)
            ::flock(fd, LOCK_EX);
        return fd;
    }
    errno = EEXIST;
    return -1;
}

// The new bytes in a temporary beside the target, flushed, until they are
// renamed over it; removed again on any failure, and if never renamed.
class Replacement {
public:
    Replacement() = default;
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    ~Replacement()
    {
        if (fd_ >= 0)
            discard(0, {});
    }

    WriteOutcome write(const std::filesystem::path& folder, const std::string& name, mode_t mode,
                       std::span<const std::byte> bytes, const std::string& shown)
    {
        fd_ = createTemporary(folder, name, mode, temporary_);
        if (fd_ < 0)
            return failure(errno, "cannot write in " + folder.string());
        if (!writeAll(fd_, bytes))
            return discard(errno, "cannot write " + shown);
        if (detail::replaceSteps().fsyncFile(fd_) != 0)
            return discard(errno, "cannot flush " + shown);
        return WriteOutcome::success();
    }
    int descriptor() const { return fd_; }
    WriteOutcome renameOver(const std::filesystem::path& target, const std::string& shown)
    {
        if (detail::replaceSteps().rename(temporary_.c_str(), target.c_str()) != 0)
            return discard(errno, "cannot replace " + shown);
        ::close(fd_); // the lock goes with it, after the rename: the name is then the target's
        fd_ = -1;
        return WriteOutcome::success();
    }
    WriteOutcome discard(int error, const std::string& what)
    {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temporary_.c_str());
        return failure(error, what);
    }

private:
    int fd_ = -1;
    std::string temporary_;
};

} // namespace

std::filesystem::path followLinks(const std::filesystem::path& path)
{
    std::filesystem::path current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::array<char, 4096> buffer{};
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
            return current;
        const std::filesystem::path next(std::string(buffer.data(), static_cast<std::size_t>(n)));
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

bool leadsOutside(const std::filesystem::path& folder, const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path inside = std::filesystem::weakly_canonical(folder, ec);
    if (ec)
        return true;
    if (inside.filename().empty()) // "/media/card/" ends in an empty element
        inside = inside.parent_path();
    // Followed first: weakly_canonical keeps a dangling link's own name.
    const std::filesystem::path target = std::filesystem::weakly_canonical(followLinks(path), ec);
    if (ec)
        return true;
    const auto [folderEnd, targetAt] = std::mismatch(inside.begin(), inside.end(), target.begin(), target.end());
    return folderEnd != inside.end() || targetAt == target.end();
}

bool isReplacementTemporary(std::string_view name)
{
    // "." + at least one character + "." + six characters + the suffix.
    return name.size() > 1 + 1 + 1 + 6 + kTemporarySuffix.size() && name.front() == '.'
           && name.substr(name.size() - kTemporarySuffix.size()) == kTemporarySuffix
           && name[name.size() - kTemporarySuffix.size() - 7] == '.';
}

int removeStaleTemporaries(const std::filesystem::path& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr)
        return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isReplacementTemporary(entry->d_name))
            continue;
        const std::filesystem::path path = folder / entry->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        // A live writer holds its lock; a killed one's lock went with it.
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

WriteOutcome writeFileAtomically(const std::filesystem::path& requested, std::span<const std::byte> bytes)
{
    const detail::ReplaceSteps& steps = detail::replaceSteps();
    const std::filesystem::path target = followLinks(requested);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string shown = requested.string();

    // The kernel follows the links itself, including the magic ones under
    // /proc (a link to standard output may lead to a pipe).
    struct stat existing {};
    const bool exists = ::stat(requested.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        return failure(errno, "cannot look at " + shown);
    if (exists && !S_ISREG(existing.st_mode))
        return refusal(shown + " is " + kindOf(existing.st_mode) + ": only a regular file is replaced");
    if (target.filename().empty())
        return refusal(shown + " names no file");

    removeStaleTemporaries(folder);
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666; // a new file gets the umask's mode
    Replacement replacement;
    if (WriteOutcome written = replacement.write(folder, target.filename().string(), mode & 0777, bytes, shown);
        !written.ok)
        return written;
    const int fd = replacement.descriptor();
    if (exists) {
        struct stat written {};
        if (::fstat(fd, &written) != 0)
            return replacement.discard(errno, "cannot look at the new " + shown);
        if ((written.st_mode & 07777) != mode && steps.fchmod(fd, mode) != 0)
            return replacement.discard(errno, "cannot keep the permissions of " + shown);
        if ((written.st_uid != existing.st_uid || written.st_gid != existing.st_gid)
            && steps.fchown(fd, existing.st_uid, existing.st_gid) != 0)
            return replacement.discard(errno, "cannot keep the owner of " + shown);
    }
    if (WriteOutcome renamed = replacement.renameOver(target, shown); !renamed.ok)
        return renamed;
    // The rename itself must reach the card too.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return failure(errno, shown + " was replaced, but its folder could not be flushed");
    const int synced = steps.fsyncFolder(dir);
    const int syncError = errno;
    ::close(dir);
    if (synced != 0)
        return failure(syncError, shown + " was replaced, but its folder could not be flushed");
    return WriteOutcome::success();
}

WriteOutcome writePrivateFile(const std::filesystem::path& target, std::span<const std::byte> bytes)
{
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string shown = target.string();
    if (target.filename().empty())
        return refusal(shown + " names no file");
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 && existing.st_uid != ::geteuid())
        return refusal(shown + " belongs to another user");
    Replacement replacement;
    if (WriteOutcome written = replacement.write(folder, target.filename().string(), 0600, bytes, shown); !written.ok)
        return written;
    return replacement.renameOver(target, shown);
}

} // namespace dravonix
