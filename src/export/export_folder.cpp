#include "export/export_folder.h"

#include "toolkit/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace dravonix {
namespace {

Error failure(const std::string& what, int code)
{
    std::string message = what + ": " + std::strerror(code);
    if (code == EROFS)
        message = what + ": the target is on a read-only file system";
    else if (code == ENOSPC)
        message = what + ": the target disk is full";
    return Error{message, code};
}

} // namespace

Expected<ExportFolder, Error> ExportFolder::create(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), 0777) == 0)
        return ExportFolder(folder, true);
    const int code = errno;
    if (code != EEXIST)
        return unexpected(failure("cannot make " + folder.string(), code));
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return unexpected(Error{folder.string() + " exists and is not a folder", EEXIST});
    // What a killed export left there is no one's: its locks went with it.
    removeStaleTemporaries(folder);
    if (!std::filesystem::is_empty(folder, error) || error)
        return unexpected(Error{folder.string() + " is not empty: an export goes to a new or empty folder", ENOTEMPTY});
    if (::access(folder.c_str(), W_OK) != 0)
        return unexpected(failure("cannot write to " + folder.string(), errno));
    return ExportFolder(folder, false);
}

ExportFolder::ExportFolder(ExportFolder&& other) noexcept
    : folder_(std::move(other.folder_)), made_(other.made_), kept_(other.kept_), entries_(std::move(other.entries_))
{
    other.kept_ = true; // the moved-from one owns nothing
    other.entries_.clear();
}

ExportFolder::~ExportFolder()
{
    if (!kept_)
        discard();
}

void ExportFolder::release(Entry& entry)
{
    if (entry.lock >= 0)
        ::close(entry.lock); // the lock goes with it
    entry.lock = -1;
}

void ExportFolder::discard()
{
    for (Entry& e : entries_) {
        ::unlink(e.temporary.c_str());
        release(e);
    }
    entries_.clear();
    if (made_)
        ::rmdir(folder_.c_str()); // only when nothing else came in meanwhile
}

Expected<std::string, Error> ExportFolder::temporaryFor(const std::string& finalName)
{
    std::string pattern = (folder_ / ("." + finalName + ".XXXXXX.dravonix-tmp")).string();
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(std::strlen(".dravonix-tmp")));
    if (fd < 0)
        return unexpected(failure("cannot write to " + folder_.string(), errno));
    // A scan or a write beside it removes temporaries nobody holds: this one
    // is held until the export names it or gives it up.
    ::flock(fd, LOCK_EX | LOCK_NB);
    entries_.push_back({finalName, pattern, fd});
    return pattern;
}

void ExportFolder::rename(const std::string& temporary, const std::string& finalName)
{
    for (Entry& e : entries_)
        if (e.temporary == temporary)
            e.finalName = finalName;
}

std::vector<std::string> ExportFolder::temporaries() const
{
    std::vector<std::string> out;
    for (const Entry& e : entries_)
        out.push_back(e.temporary);
    return out;
}

std::string ExportFolder::finalNameOf(const std::string& temporary) const
{
    for (const Entry& e : entries_)
        if (e.temporary == temporary)
            return e.finalName;
    return {};
}

Expected<bool, Error> ExportFolder::keep()
{
    // Every file reaches the medium before any takes its final name, so
    // even a power cut leaves no final name on a partial file.
    for (const Entry& e : entries_) {
        const int fd = ::open(e.temporary.c_str(), O_RDONLY | O_CLOEXEC);
        const bool flushed = fd >= 0 && ::fsync(fd) == 0;
        const int code = errno;
        if (fd >= 0)
            ::close(fd);
        if (!flushed)
            return unexpected(failure("cannot write " + e.temporary, code));
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const std::string target = (folder_ / entries_[i].finalName).string();
        ::chmod(entries_[i].temporary.c_str(), 0644); // made private by mkstemps
        if (::rename(entries_[i].temporary.c_str(), target.c_str()) != 0) {
            const int code = errno;
            // An export is whole or absent: those named already go again.
            for (std::size_t j = 0; j < i; ++j)
                ::unlink((folder_ / entries_[j].finalName).c_str());
            return unexpected(failure("cannot name " + target, code));
        }
    }
    for (Entry& e : entries_)
        release(e);
    entries_.clear();
    kept_ = true;
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

} // namespace dravonix
