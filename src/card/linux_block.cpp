#include "card/linux_block.h"

#include "card/volumes_linux.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace dravonix {

std::vector<MountEntry> readMountTable(const std::string& path)
{
    std::vector<MountEntry> entries;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<std::string> parts;
        for (std::string part; fields >> part;)
            parts.push_back(part);
        const auto dash = std::find(parts.begin(), parts.end(), "-");
        if (parts.size() < 5 || dash == parts.end() || parts.end() - dash < 3)
            continue;
        entries.push_back({parts[2], unescapeMountField(parts[4]), *(dash + 1), unescapeMountField(*(dash + 2))});
    }
    return entries;
}

std::string firstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool isRemovableDevice(const fs::path& sysDevice)
{
    std::error_code ec;
    const fs::path real = fs::canonical(sysDevice, ec);
    if (ec)
        return false;
    const std::string text = real.string();
    if (text.find("/virtual/") != std::string::npos)
        return false;
    const fs::path disk = fs::exists(real / "partition", ec) ? real.parent_path() : real;
    if (firstLine(disk / "removable") == "1")
        return true;
    return text.find("/usb") != std::string::npos || text.find("/mmc") != std::string::npos;
}

} // namespace dravonix
