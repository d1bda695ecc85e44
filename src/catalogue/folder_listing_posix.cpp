#include "catalogue/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dravonix {
namespace {

bool isFolderAt(int folder, const char* name, int flags)
{
    struct stat info {};
    return fstatat(folder, name, &info, flags) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

FolderListing listFolder(const std::string& nativePath, const std::function<void(const FolderEntry&)>& visit)
{
    const int fd = open(nativePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return FolderListing::Unreadable;
    DIR* const folder = fdopendir(fd);
    if (folder == nullptr) {
        close(fd);
        return FolderListing::Unreadable;
    }
    FolderListing result = FolderListing::Listed;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder);
        if (entry == nullptr) {
            if (errno != 0)
                result = FolderListing::BrokeOff;
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        FolderEntry found{std::string_view(name), false, false};
        switch (entry->d_type) {
        case DT_DIR: found.isFolder = true; break;
        case DT_LNK:
            found.isLink = true;
            found.isFolder = isFolderAt(fd, name, 0);
            break;
        case DT_UNKNOWN: { // some file systems don't say: ask
            struct stat info {};
            if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
                found.isLink = S_ISLNK(info.st_mode);
                found.isFolder = found.isLink ? isFolderAt(fd, name, 0) : S_ISDIR(info.st_mode);
            }
            break;
        }
        default: break;
        }
        visit(found);
    }
    closedir(folder); // closes fd too
    return result;
}

} // namespace dravonix
