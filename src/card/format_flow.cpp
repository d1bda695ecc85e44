#include "card/format_flow.h"

#include "card/card_log.h"
#include "card/fat_label.h"
#include "resources/strings.h"
#include "toolkit/atomic_file.h"
#include "toolkit/input_file.h"

namespace dravonix {

std::string allocationUnitText(std::uint64_t totalBytes)
{
    return totalBytes / 1073741824ull >= 7 ? "64K" : "16K";
}

std::uint32_t allocationUnitBytes(const std::string& text) { return text == "64K" ? 65536 : 16384; }

std::uint32_t sectorsPerClusterFor(const std::string& unitText, std::uint32_t bytesPerSector)
{
    return allocationUnitBytes(unitText) / bytesPerSector;
}

std::string formatSizeProblem(const std::string& name, const DeviceFacts& facts, const std::string& allocationUnit,
                              bool withClusterAdvice)
{
    const std::uint32_t bps = facts.bytesPerSector;
    const auto planned = planFat32(facts, sectorsPerClusterFor(allocationUnit, bps));
    if (planned)
        return {};
    const std::uint64_t sectors = facts.partitionBytes / bps;
    std::string text = name + " (" + std::to_string(facts.partitionBytes) + " bytes, " + std::to_string(sectors)
                       + " sectors of " + std::to_string(bps) + " bytes)";
    if (planned.error() == LayoutError::TooManySectors)
        return text + " is too large for FAT32, which counts at most " + std::to_string(kMaxFat32Sectors)
               + " sectors: no cluster size can change that.";
    const std::uint64_t clusters = fatSizing(sectors, sectorsPerClusterFor(allocationUnit, bps), bps).clusters;
    const std::string made = " clusters: that makes " + std::to_string(clusters) + " clusters, ";
    switch (planned.error()) {
    case LayoutError::TooFewSectors:
    case LayoutError::TooFewClusters:
        text += " is too small for FAT32 with " + allocationUnit + made + "and FAT32 needs at least "
                + std::to_string(kMinFat32Clusters) + ".";
        break;
    case LayoutError::TooManyClusters:
        text += " is too large for FAT32 with " + allocationUnit + made + "and FAT32 allows at most "
                + std::to_string(kMaxFat32Clusters) + ".";
        break;
    default: text += " cannot be laid out as FAT32 with " + allocationUnit + " clusters."; break;
    }
    if (!withClusterAdvice)
        return text;
    const std::string other = allocationUnit == "64K" ? "16K" : "64K";
    if (const auto fits = planFat32(facts, sectorsPerClusterFor(other, bps)))
        return text + " Use --cluster " + other + " (" + std::to_string(fits->clusterCount) + " clusters).";
    return text + " --cluster " + other + " does not fit either, so this volume can't be formatted FAT32 here.";
}

bool keepSafetyCopy(const std::filesystem::path& cardConfig, const std::filesystem::path& tempFolder)
{
    // The copy holds the camera's network password and sits in a folder
    // every user writes in: it is written for the user alone, whole or not
    // at all, so a failed copy leaves the last one as it was.
    constexpr std::size_t kMostConfigBytes = 64 * 1024;
    const auto card = InputFile::open(cardConfig);
    if (!card)
        return false;
    const auto bytes = card->readAll(kMostConfigBytes);
    return bytes && writePrivateFile(tempFolder / "config.bin", std::as_bytes(std::span(*bytes))).ok;
}

std::string formatOutcomeText(int result)
{
    if (result == 0)
        return std::string(englishString(298));
    return std::string(englishString(297)) + " (" + std::to_string(result) + ")\r\n\r\n" + std::string(englishString(299));
}

FormatFlowResult runFormatFlow(BlockDevice& device, const std::optional<std::filesystem::path>& cardConfig,
                               const std::filesystem::path& tempFolder, const std::string& allocationUnit,
                               const std::string& label, const LocalTime& now, const FormatProgress& progress)
{
    FormatFlowResult result;
    result.safetyCopied = cardConfig && keepSafetyCopy(*cardConfig, tempFolder);
    FormatOptions options;
    options.sectorsPerCluster = sectorsPerClusterFor(allocationUnit, device.facts().bytesPerSector);
    options.progress = progress;
    result.format = formatVolume(device, options, now);
    if (result.format.ok()) {
        result.labelled = writeFat32Label(device, label, result.labelError);
        if (!result.labelled)
            qCWarning(cardLog, "Could not label volume!: %s", result.labelError.c_str());
    }
    return result;
}

} // namespace dravonix
