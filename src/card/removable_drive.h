#pragma once
// A removable volume as the program sees it: where its root is and its label.
// Roots end with a separator, so a file name appended gives the file's path.

#include <string>

namespace dravonix {

inline constexpr const char* kCameraLabel = "DRAVONIX";

struct RemovableDrive {
    std::string root;  // mount point with a trailing "/"
    std::string label; // may be empty

    friend bool operator==(const RemovableDrive&, const RemovableDrive&) = default;
};

} // namespace dravonix
