#include "catalogue/folder_listing.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace dravonix {

// Where there is no POSIX listing.
FolderListing listFolder(const std::string& nativePath, const std::function<void(const FolderEntry&)>& visit)
{
    std::error_code ec;
    fs::directory_iterator it(fs::path(std::u8string(nativePath.begin(), nativePath.end())),
                              fs::directory_options::none, ec);
    if (ec)
        return FolderListing::Unreadable;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::u8string utf8 = it->path().filename().u8string();
        const std::string name(utf8.begin(), utf8.end());
        std::error_code typeError;
        visit({name, it->is_directory(typeError), it->is_symlink(typeError)});
    }
    return ec ? FolderListing::BrokeOff : FolderListing::Listed;
}

} // namespace dravonix
