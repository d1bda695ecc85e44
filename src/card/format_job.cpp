#include "card/format_job.h"

#include "card/format_flow.h"

#include <cerrno>

namespace dravonix {
namespace {

// The volume must be unmounted before its device is written: directly where
// the right to is there, else by the disk service.
std::optional<Error> unmountVolume(const VolumeDevice& device, DiskService* service)
{
    auto direct = unmountDirectly(device.mountPoint);
    if (!direct || service == nullptr || (direct->systemError != EPERM && direct->systemError != EACCES))
        return direct;
    return service->unmount(device.path);
}

} // namespace

FormatJobResult runFormatJob(const FormatRequest& request, DiskService* service, const FormatProgress& progress)
{
    FormatJobResult result;
    // First, while the old file system is still there to read.
    result.safetyCopied = request.cardConfig && keepSafetyCopy(*request.cardConfig, request.tempFolder);

    if (!request.device.mountPoint.empty()) {
        if (auto failed = unmountVolume(request.device, service)) {
            result.code = failed->systemError != 0 ? failed->systemError : EBUSY;
            result.detail = request.device.path + " could not be unmounted from " + request.device.mountPoint + ": " + failed->message;
            return result;
        }
    }

    DescriptorSource whenDenied;
    if (service != nullptr)
        whenDenied = [service](const std::string& path) { return service->openForWriting(path); };
    OpenedDevice opened = openFormatTarget(request.device.path, request.device.bytesPerSector, whenDenied);
    if (!opened.device) {
        result.code = opened.error;
        result.detail = opened.message;
        result.needsPermission = opened.error == EACCES || opened.error == EPERM;
        result.writeProtected = opened.error == EROFS;
        return result;
    }
    const FormatFlowResult flow = runFormatFlow(*opened.device, std::nullopt, request.tempFolder, request.allocationUnit,
                                                request.label, localTimeNow(), progress);
    result.code = flow.format.code;
    result.detail = flow.format.ok() ? flow.labelError : flow.format.message;
    result.writeProtected = flow.format.code == EROFS;
    result.labelled = flow.labelled;
    return result;
}

} // namespace dravonix
