#pragma once
// The disk service over D-Bus: UDisks2's Block.OpenDevice and
// Filesystem.Unmount on the object its Manager resolves a device path to.
// Either may make polkit ask the user to authenticate, so the calls wait for
// minutes; the format dialog makes them from its formatting thread.

#include "card/format_job.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

namespace dravonix {

class UDisks2Service final : public DiskService {
public:
    explicit UDisks2Service(const QDBusConnection& bus) : bus_(bus) {}
    Expected<int, Error> openForWriting(const std::string& devicePath) override;
    std::optional<Error> unmount(const std::string& devicePath) override;

private:
    Expected<QString, Error> objectFor(const std::string& devicePath);
    QDBusConnection bus_;
};

// The service on the system bus (which says, when asked, that there is none).
std::unique_ptr<DiskService> systemDiskService();

} // namespace dravonix
