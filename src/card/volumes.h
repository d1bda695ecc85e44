#pragma once
// The removable volumes of this machine, behind one small interface: the
// platform's implementation lists mounted removable media, tests use plain
// folders.

#include "card/removable_drive.h"

#include <memory>
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
};

std::vector<std::string> removableRoots(const Volumes& volumes);

// This machine's volumes.
std::unique_ptr<Volumes> systemVolumes();

// Folders standing in for volumes, for tests: each folder is a root, labels
// live in memory.
class FolderVolumes final : public Volumes {
public:
    void add(const std::string& folder, const std::string& label);
    std::vector<RemovableDrive> removableDrives() const override { return drives_; }
    bool setLabel(const RemovableDrive& drive, const std::string& label, std::string& error) override;
    void failRelabel(bool fail) { failRelabel_ = fail; }

private:
    std::vector<RemovableDrive> drives_;
    bool failRelabel_ = false;
};

} // namespace dravonix
