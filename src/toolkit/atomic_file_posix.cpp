#include "toolkit/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {
namespace {

WriteOutcome failure(int error, const std::string& what)
{
    WriteOutcome out;
    out.systemError = error;
    out.writeProtected = error == EROFS;
    out.message = what + ": " + std::strerror(error);
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

} // namespace

WriteOutcome writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes)
{
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return failure(EISDIR, "cannot replace " + target.string());

    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return failure(errno, "cannot write in " + folder.string());
    const auto discard = [&](const std::string& what) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        return failure(error, what);
    };
    if (!writeAll(fd, bytes))
        return discard("cannot write " + target.string());
    if (::fsync(fd) != 0)
        return discard("cannot flush " + target.string());
    // Keep the permissions an existing file had; new files get the usual ones.
    const mode_t mode = existing.st_mode != 0 ? (existing.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(pattern.c_str());
        return failure(error, "cannot write " + target.string());
    }
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(pattern.c_str());
        return failure(error, "cannot replace " + target.string());
    }
    // The rename itself must reach the card too.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return WriteOutcome::success();
}

} // namespace dravonix
