#pragma once
// The folder an export writes: made new (or an empty one taken), every file
// first written under a temporary name beside its final one and renamed only
// once all are whole, so a failure or a cancel leaves no file under a final
// name. What was made is removed again unless it was kept.

#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <filesystem>
#include <string>
#include <vector>

namespace dravonix {

class ExportFolder {
public:
    // Refuses a folder that holds anything, and one that can't be made.
    static Expected<ExportFolder, Error> create(const std::filesystem::path& folder);

    ExportFolder(ExportFolder&& other) noexcept;
    ExportFolder& operator=(ExportFolder&&) = delete;
    ~ExportFolder(); // removes the temporaries, and the folder if made here, unless kept

    // A new temporary for `finalName`, named as the toolkit names its
    // temporaries (".NAME.XXXXXX.dravonix-tmp") so a killed run's are known,
    // and locked as they are while it lives, so that nobody takes it for one.
    Expected<std::string, Error> temporaryFor(const std::string& finalName);
    // The final name of a temporary, once known (a clip's start decides it).
    void rename(const std::string& temporary, const std::string& finalName);

    // The temporaries made so far, in order, and the name each will take.
    std::vector<std::string> temporaries() const;
    std::string finalNameOf(const std::string& temporary) const;

    // Flushes every temporary to the medium, renames each to its final name
    // and flushes the folder. On success nothing is removed any more.
    Expected<bool, Error> keep();

    const std::filesystem::path& path() const { return folder_; }

private:
    explicit ExportFolder(std::filesystem::path folder, bool made) : folder_(std::move(folder)), made_(made) {}
    void discard();

    struct Entry {
        std::string finalName;
        std::string temporary;
        int lock = -1; // open, with its lock held, until renamed or removed
    };
    void release(Entry& entry);
    std::filesystem::path folder_;
    bool made_ = false;
    bool kept_ = false;
    std::vector<Entry> entries_;
};

} // namespace dravonix
