#pragma once
// Formatting the camera's card, as the format dialog does it without its
// widgets: the allocation unit shown from the card's size (and used as the
// cluster size), a safety copy of "config.bin", the format, the camera's
// label, and the outcome text.

#include "card/block_device.h"
#include "card/fat32_format.h"

#include <filesystem>
#include <optional>
#include <string>

namespace dravonix {

// "64K" for cards of 7 GiB or more, else "16K".
std::string allocationUnitText(std::uint64_t totalBytes);
std::uint32_t allocationUnitBytes(const std::string& text); // 16384 or 65536
std::uint32_t sectorsPerClusterFor(const std::string& unitText, std::uint32_t bytesPerSector);

// Empty when FAT32 fits the volume with this allocation unit; else what is
// wrong with its size, with the figures, and (for the command line, whose
// --cluster chooses the unit) which of the two units ("16K", "64K") would
// fit instead, or that neither would. `name` names the volume.
std::string formatSizeProblem(const std::string& name, const DeviceFacts& facts, const std::string& allocationUnit,
                              bool withClusterAdvice = true);

// Copies the card's "config.bin" to `tempFolder`/config.bin, readable by the
// user alone, replacing an older copy. False (and the format goes on) when
// there is nothing to copy or the copy can't be written; an older copy then
// stays as it was, and a file of that name that another user holds too.
bool keepSafetyCopy(const std::filesystem::path& cardConfig, const std::filesystem::path& tempFolder);

// String 298 on success; else "%s (%d)\r\n\r\n%s" with strings 297 and 299.
std::string formatOutcomeText(int result);

struct FormatFlowResult {
    FormatResult format;
    bool safetyCopied = false;
    bool labelled = false;
    std::string labelError;
};

// The whole flow on an opened device; the label is written after the format.
FormatFlowResult runFormatFlow(BlockDevice& device, const std::optional<std::filesystem::path>& cardConfig,
                               const std::filesystem::path& tempFolder, const std::string& allocationUnit,
                               const std::string& label = "DRAVONIX", const LocalTime& now = localTimeNow(),
                               const FormatProgress& progress = {});

} // namespace dravonix
