#include "card/format_flow.h"

#include "card/card_log.h"
#include "card/fat_label.h"
#include "resources/strings.h"

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

bool keepSafetyCopy(const std::filesystem::path& cardConfig, const std::filesystem::path& tempFolder)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(cardConfig, ec))
        return false;
    return std::filesystem::copy_file(cardConfig, tempFolder / "config.bin",
                                      std::filesystem::copy_options::overwrite_existing, ec)
           && !ec;
}

std::string formatOutcomeText(int result)
{
    if (result == 0)
        return std::string(englishString(298));
    return std::string(englishString(297)) + " (" + std::to_string(result) + ")\r\n\r\n" + std::string(englishString(299));
}

FormatFlowResult runFormatFlow(BlockDevice& device, const std::optional<std::filesystem::path>& cardConfig,
                               const std::filesystem::path& tempFolder, const std::string& allocationUnit,
                               const std::string& label, const LocalTime& now)
{
    FormatFlowResult result;
    result.safetyCopied = cardConfig && keepSafetyCopy(*cardConfig, tempFolder);
    FormatOptions options;
    options.sectorsPerCluster = sectorsPerClusterFor(allocationUnit, device.facts().bytesPerSector);
    result.format = formatVolume(device, options, now);
    if (result.format.ok()) {
        result.labelled = writeFat32Label(device, label, result.labelError);
        if (!result.labelled)
            qCWarning(cardLog, "Could not label volume!: %s", result.labelError.c_str());
    }
    return result;
}

} // namespace dravonix
