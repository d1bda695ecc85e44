#include "card/card_discovery.h"

#include "card/card_log.h"
#include "config/config_file.h"
#include "toolkit/atomic_file.h"

namespace dravonix {

std::vector<std::string> removableRoots(const Volumes& volumes)
{
    std::vector<std::string> roots;
    for (const RemovableDrive& drive : volumes.removableDrives())
        roots.push_back(drive.root);
    return roots;
}

bool isCameraConfigFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == kConfigSize && !ec;
}

const RemovableDrive* findCameraDrive(const std::vector<RemovableDrive>& drives)
{
    for (const RemovableDrive& drive : drives)
        if (const std::string config = drive.root + "config.bin";
            isCameraConfigFile(config) && !leadsOutside(drive.root, config))
            return &drive;
    return nullptr;
}

bool findCard(Volumes& volumes, std::filesystem::path& configPath, DeviceConfig* readInto)
{
    const std::vector<RemovableDrive> drives = volumes.removableDrives();
    if (const RemovableDrive* card = findCameraDrive(drives)) {
        if (card->label != kCameraLabel) {
            std::string error;
            if (!volumes.setLabel(*card, kCameraLabel, error))
                qCWarning(cardLog, "%s: %s", "Could not label volume!", error.c_str());
        }
        configPath = card->root + "config.bin";
    }
    if (configPath.empty())
        return false;
    if (readInto != nullptr)
        loadConfigFile(configPath, *readInto);
    return true;
}

void FolderVolumes::add(const std::string& folder, const std::string& label, const std::string& deviceImage)
{
    const std::string root = folder.ends_with('/') ? folder : folder + "/";
    drives_.push_back({root, label});
    if (!deviceImage.empty())
        images_[root] = deviceImage;
}

void FolderVolumes::remove(const std::string& folder)
{
    const std::string root = folder.ends_with('/') ? folder : folder + "/";
    std::erase_if(drives_, [&](const RemovableDrive& d) { return d.root == root; });
    images_.erase(root);
}

std::optional<VolumeDevice> FolderVolumes::deviceOf(const RemovableDrive& drive) const
{
    const auto image = images_.find(drive.root);
    return image == images_.end() ? std::nullopt : volumeDeviceAt(image->second);
}

std::optional<RemovableDrive> volumeWithRoot(const Volumes& volumes, const std::string& root)
{
    const std::string wanted = root.ends_with('/') ? root : root + "/";
    for (const RemovableDrive& drive : volumes.removableDrives())
        if (drive.root == wanted)
            return drive;
    return std::nullopt;
}

bool FolderVolumes::setLabel(const RemovableDrive& drive, const std::string& label, std::string& error)
{
    if (failRelabel_) {
        error = "the volume is busy";
        return false;
    }
    for (RemovableDrive& d : drives_)
        if (d.root == drive.root)
            d.label = label;
    return true;
}

} // namespace dravonix
