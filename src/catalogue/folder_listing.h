#pragma once
// One folder's entries, as the file system names them. The scan walks a card
// of tens of thousands of files through this, so it hands out views of the
// names instead of building a path object for each.

#include <functional>
#include <string>
#include <string_view>

namespace dravonix {

struct FolderEntry {
    std::string_view name; // valid during the call only
    bool isFolder = false; // a link to a folder counts as a folder...
    bool isLink = false;   // ...and says so here
};

enum class FolderListing { Listed, Unreadable, BrokeOff };

// Calls `visit` for every entry but "." and "..". Unreadable: nothing could be
// listed; BrokeOff: the listing stopped part way (the card was pulled).
FolderListing listFolder(const std::string& nativePath, const std::function<void(const FolderEntry&)>& visit);

} // namespace dravonix
