#pragma once
// Opening a format target for writing, with the disk service as the way out
// when this user lacks the permission: shared by the image-file and the
// block-device openers.

#include "card/block_device.h"

namespace dravonix {

struct OpenedDescriptor {
    int fd = -1;
    OpenedDevice failure; // when fd < 0
};

// open(path, flags); on EACCES or EPERM, `whenDenied` (if any), whose
// descriptor must lead to the file or device that `path` names.
OpenedDescriptor openForFormat(const std::string& path, int flags, const DescriptorSource& whenDenied);

} // namespace dravonix
