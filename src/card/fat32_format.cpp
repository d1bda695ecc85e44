#include "card/fat32_format.h"

#include "card/card_log.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace dravonix {
namespace {

FormatResult failed(int code, const std::string& message)
{
    if (code != 0 && code < kRefusedDevice)
        qCWarning(cardLog, "%s\nerrno=%d: %s", message.c_str(), code, std::strerror(code));
    else
        qCWarning(cardLog, "%s", message.c_str());
    return {code, message};
}

int writeSectors(BlockDevice& device, std::uint64_t sector, std::uint32_t bytesPerSector,
                 std::span<const std::uint8_t> data)
{
    return device.writeAt(sector * bytesPerSector, data);
}

} // namespace

LocalTime localTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
            static_cast<int>(ms)};
}

FormatResult formatVolume(BlockDevice& device, const FormatOptions& options, const LocalTime& now)
{
    const std::string label = volumeLabelField(options.label);
    const std::uint32_t volumeId = volumeIdFor(now);
    qCInfo(cardLog, "Warning ALL data on drive '%s' will be lost irretrievably", device.name().c_str());

    const DeviceFacts facts = device.facts();
    const auto layout = planFat32(facts, options.sectorsPerCluster);
    if (!layout)
        return failed(kFormatRefusedBase + static_cast<int>(layout.error()), layoutErrorText(layout.error()));
    const std::uint32_t bps = layout->bytesPerSector;

    const std::vector<std::uint8_t> boot = bootSector(*layout, facts, volumeId, label);
    const std::vector<std::uint8_t> fsInfo = fsInfoSector(*layout);
    const std::vector<std::uint8_t> fat = firstFatSector(*layout);

    qCInfo(cardLog, "Size : %gGB %u sectors", static_cast<double>(facts.partitionBytes / 1000000000ull),
           layout->totalSectors);
    qCInfo(cardLog, "%u Bytes Per Sector, Cluster size %u bytes", bps, layout->sectorsPerCluster * bps);
    qCInfo(cardLog, "Volume ID is %x:%x", volumeId >> 16, volumeId & 0xffff);
    qCInfo(cardLog, "%u Reserved Sectors, %u Sectors per FAT, %u fats", kReservedSectors, layout->fatSectors, kFatCount);
    qCInfo(cardLog, "%u Total clusters", layout->clusterCount);
    qCInfo(cardLog, "%u Free Clusters", layout->freeClusters());
    qCInfo(cardLog, "Formatting drive %s:...", device.name().c_str());

    const std::uint32_t systemArea = layout->systemAreaSectors();
    qCInfo(cardLog, "Clearing out %u sectors for Reserved sectors, fats and root cluster...", systemArea);
    const std::vector<std::uint8_t> zeros(std::size_t{kZeroBurstSectors} * bps, 0);
    const auto started = std::chrono::steady_clock::now();
    constexpr std::uint64_t kSectorWrites = 6; // boot, FSInfo, their backups, the first sector of each FAT
    const std::uint64_t toWrite = std::uint64_t{systemArea} + kSectorWrites;
    const auto report = [&](std::uint64_t written) {
        if (options.progress)
            options.progress(written, toWrite);
    };
    report(0);
    for (std::uint32_t sector = 0; sector < systemArea; sector += kZeroBurstSectors) {
        const std::uint32_t count = std::min(kZeroBurstSectors, systemArea - sector);
        if (const int error = writeSectors(device, sector, bps, std::span(zeros).first(std::size_t{count} * bps)))
            return failed(error, "Failed to write");
        report(sector + count);
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::uint64_t written = std::uint64_t{systemArea} * bps;
    qCInfo(cardLog, "Wrote %llu bytes in %.2f seconds, %.2f Megabytes/sec", static_cast<unsigned long long>(written),
           elapsed, elapsed > 0 ? static_cast<double>(written) / (elapsed * 1024 * 1024) : 0.0);

    qCInfo(cardLog, "Initialising reserved sectors and FATs...");
    const std::pair<std::uint32_t, const std::vector<std::uint8_t>*> sectors[] = {
        {0, &boot},
        {kFsInfoSector, &fsInfo},
        {kBackupBootSector, &boot},
        {kBackupBootSector + 1, &fsInfo},
        {kReservedSectors, &fat},
        {layout->secondFatSector(), &fat},
    };
    std::uint64_t done = systemArea;
    for (const auto& [sector, data] : sectors) {
        if (const int error = writeSectors(device, sector, bps, *data))
            return failed(error, "Failed to write");
        report(++done);
    }

    if (const int error = device.setPartitionType(0x0C); error != 0 && facts.hiddenSectors != 0)
        return failed(error, "Failed to set parition info");
    if (const int error = device.finish())
        return failed(error, "Failed to dismount device");
    qCInfo(cardLog, "Done");
    return {};
}

} // namespace dravonix
