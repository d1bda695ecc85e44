#pragma once
// The removable volumes of this machine, behind one small interface: the
// platform's implementation lists mounted removable media, tests use plain
// folders.

#include "card/removable_drive.h"
#include "card/volume_device.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dravonix {

class Volumes {
public:
    virtual ~Volumes() = default;
    // Removable volumes that can be read, in a stable order (by root).
    virtual std::vector<RemovableDrive> removableDrives() const = 0;
    // Sets the volume's label; false with a reason when it can't.
    virtual bool setLabel(const RemovableDrive& drive, const std::string& label, std::string& error) = 0;
    // The device behind a listed volume, for formatting it; none when it
    // can't be told (the volume is gone, or the system won't say).
    virtual std::optional<VolumeDevice> deviceOf(const RemovableDrive& drive) const = 0;
};

// The listed volume whose root is `root` (with or without its trailing
// separator), if any.
std::optional<RemovableDrive> volumeWithRoot(const Volumes& volumes, const std::string& root);

std::vector<std::string> removableRoots(const Volumes& volumes);

// This machine's volumes.
std::unique_ptr<Volumes> systemVolumes();

// Folders standing in for volumes, for tests: each folder is a root, labels
// live in memory, and an image file may stand in for a folder's device.
class FolderVolumes final : public Volumes {
public:
    void add(const std::string& folder, const std::string& label, const std::string& deviceImage = {});
    // The card taken out; its folder stays, as a mount point does.
    void remove(const std::string& folder);
    std::vector<RemovableDrive> removableDrives() const override { return drives_; }
    bool setLabel(const RemovableDrive& drive, const std::string& label, std::string& error) override;
    std::optional<VolumeDevice> deviceOf(const RemovableDrive& drive) const override;
    void failRelabel(bool fail) { failRelabel_ = fail; }

private:
    std::vector<RemovableDrive> drives_;
    std::map<std::string, std::string> images_; // root -> image file
    bool failRelabel_ = false;
};

} // namespace dravonix
