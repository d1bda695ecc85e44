#pragma once
// Replaces a file on a card so that a failure part way (card pulled, card
// full) leaves the old file whole: the bytes go to a temporary file in the
// same folder, which is flushed to the medium and then renamed over the
// target. Only a regular file or a new name is written: a device node, FIFO
// or socket is refused, and a link is followed so the file it leads to is
// replaced, never the link. The replacement keeps the old file's mode and
// owner. A failed step is reported, including the folder's flush after the
// rename; no temporary file is left behind on failure, and temporaries that a
// killed process left are recognised by name and removed.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace dravonix {

struct WriteOutcome {
    bool ok = false;
    bool writeProtected = false; // the medium or its file system is read-only
    int systemError = 0;         // errno (or the platform's code) on failure; 0 for a refusal
    std::string message;

    static WriteOutcome success() { return {true, false, 0, {}}; }
};

WriteOutcome writeFileAtomically(const std::filesystem::path& target, std::span<const std::byte> bytes);

// A file for its owner's eyes alone in a folder others write in too (the
// temporary folder): written whole under a new name, readable by the owner
// only, then renamed over `target`. A link of that name is replaced, not
// followed, and a name another user holds is left to them and refused.
WriteOutcome writePrivateFile(const std::filesystem::path& target, std::span<const std::byte> bytes);

// The file a path leads to once every link on the way is followed (at most
// 40), whether or not that file exists yet.
std::filesystem::path followLinks(const std::filesystem::path& path);

// False only when `path`, its links followed, names something inside
// `folder`: a file found on a card must stay on the card, so that a link
// there into the user's home folder is neither read as the camera's nor
// replaced. A path that can't be resolved counts as leading outside.
bool leadsOutside(const std::filesystem::path& folder, const std::filesystem::path& path);

// True for the names our temporaries take: ".NAME.XXXXXX.dravonix-tmp".
bool isReplacementTemporary(std::string_view fileName);

// Removes the temporaries in `folder` whose writer is gone (a live writer
// holds a lock on its temporary). Returns how many were removed.
int removeStaleTemporaries(const std::filesystem::path& folder);

} // namespace dravonix
