#pragma once
// Replaces a file on a card so that a failure part way (card pulled, card
// full) leaves the old file whole: the bytes go to a temporary file in the
// same folder, which is flushed to the medium and then renamed over the
// target. No temporary file is left behind on failure.

#include <filesystem>
#include <span>
#include <string>

namespace dravonix {

struct WriteOutcome {
    bool ok = false;
    bool writeProtected = false; // the medium or its file system is read-only
    int systemError = 0;         // errno (or the platform's code) on failure
    std::string message;

    static WriteOutcome success() { return {true, false, 0, {}}; }
};

WriteOutcome writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes);

} // namespace dravonix
