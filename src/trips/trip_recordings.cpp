#include "trips/trip_recordings.h"

#include "catalogue/folder_scan.h"

#include <QFile>

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace dravonix {
namespace {

bool digits(std::string_view text, std::size_t from, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int kindRank(RecordingKind kind) { return kind == RecordingKind::Always ? 0 : 1; }

// The folder the camera writes a kind of recording to.
std::string_view ownFolder(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Always: return "Normal";
    case RecordingKind::Event: return "Event";
    case RecordingKind::User: return "Manual";
    case RecordingKind::Park: return "Parking";
    default: return {};
    }
}

bool inOwnFolder(std::string_view path, RecordingKind kind)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return false;
    const std::string_view folder = path.substr(0, slash);
    const std::size_t before = folder.find_last_of('/');
    return folder.substr(before == std::string_view::npos ? 0 : before + 1) == ownFolder(kind);
}

} // namespace

std::optional<StrictRecordingName> parseStrictRecordingName(std::string_view name)
{
    static constexpr std::pair<std::string_view, RecordingKind> kPrefixes[] = {
        {"alwa_", RecordingKind::Always},
        {"event_", RecordingKind::Event},
        {"user_", RecordingKind::User},
        {"motion_", RecordingKind::Park},
    };
    for (const auto& [prefix, kind] : kPrefixes) {
        if (!name.starts_with(prefix))
            continue;
        const std::string_view rest = name.substr(prefix.size());
        // yyyyMMdd_hhmmss_C.mp4
        if (rest.size() != 21 || rest[8] != '_' || rest[15] != '_' || rest[17] != '.')
            return std::nullopt;
        if (lower(rest[18]) != 'm' || lower(rest[19]) != 'p' || rest[20] != '4')
            return std::nullopt;
        if (rest[16] != 'F' && rest[16] != 'R')
            return std::nullopt;
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        if (!digits(rest, 0, 4, y) || !digits(rest, 4, 2, mo) || !digits(rest, 6, 2, d) || !digits(rest, 9, 2, h)
            || !digits(rest, 11, 2, mi) || !digits(rest, 13, 2, s))
            return std::nullopt;
        const std::optional<CameraMs> start = cameraTime(y, mo, d, h, mi, s);
        if (!start)
            return std::nullopt;
        return StrictRecordingName{kind, *start, rest[16] == 'F'};
    }
    return std::nullopt;
}

namespace {

struct NamedPath {
    std::string* path;
    StrictRecordingName name;
};

std::string_view bareName(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The files that a trip can place, with their names read; the rest counted.
std::vector<NamedPath> nameFiles(std::vector<std::string>& paths, int& outsideGrammar)
{
    std::vector<NamedPath> named;
    named.reserve(paths.size());
    for (std::string& path : paths) {
        if (const std::optional<StrictRecordingName> parsed = parseStrictRecordingName(bareName(path)))
            named.push_back({&path, *parsed});
        else
            ++outsideGrammar;
    }
    return named;
}

// The files in the order given: that order settles which of two copies of a
// file is taken and, among recordings of one second, which comes first.
RecordingSet joinChannels(const std::vector<NamedPath>& files, int outsideGrammar)
{
    RecordingSet set;
    set.outsideGrammar = outsideGrammar;
    set.recordings.reserve(files.size());
    // A recording by its second and kind.
    const auto momentKey = [](CameraMs start, RecordingKind kind) {
        return static_cast<std::uint64_t>(start) * 8 + static_cast<std::uint64_t>(kind);
    };
    std::unordered_map<std::uint64_t, std::size_t> byMoment;
    byMoment.reserve(files.size());
    for (const NamedPath& file : files) {
        const StrictRecordingName& parsed = file.name;
        const auto [at, inserted] = byMoment.try_emplace(momentKey(parsed.start, parsed.kind), set.recordings.size());
        if (inserted)
            set.recordings.push_back(TripRecording{parsed.kind, parsed.start, 0, {}, {}});
        TripRecording& recording = set.recordings[at->second];
        std::string& slot = parsed.front ? recording.frontPath : recording.rearPath;
        if (!slot.empty()) {
            // Two files of one name: the one where the camera writes that
            // kind is the recording, whichever the listing gave first (a
            // backup folder sorts before "Normal").
            ++set.duplicates;
            if (!inOwnFolder(slot, parsed.kind) && inOwnFolder(*file.path, parsed.kind))
                slot = std::move(*file.path);
            continue;
        }
        slot = std::move(*file.path);
    }
    const auto before = [](const TripRecording& a, const TripRecording& b) {
        return a.start != b.start ? a.start < b.start : kindRank(a.kind) < kindRank(b.kind);
    };
    // Files in the list's order mostly leave the recordings in order already.
    if (!std::is_sorted(set.recordings.begin(), set.recordings.end(), before))
        std::stable_sort(set.recordings.begin(), set.recordings.end(), before);
    return set;
}

} // namespace

RecordingSet collectRecordings(std::vector<std::string> nativePaths)
{
    int outsideGrammar = 0;
    const std::vector<NamedPath> files = nameFiles(nativePaths, outsideGrammar);
    return joinChannels(files, outsideGrammar);
}

RecordingSet collectListedRecordings(std::vector<std::string> nativePaths)
{
    int outsideGrammar = 0;
    std::vector<NamedPath> files = nameFiles(nativePaths, outsideGrammar);
    // The list orders by the name's time and channel letter ("F" before
    // "R"), then by path as text, then as bytes; only files of one second
    // and channel need their paths compared.
    std::sort(files.begin(), files.end(), [](const NamedPath& a, const NamedPath& b) {
        if (a.name.start != b.name.start)
            return a.name.start < b.name.start;
        if (a.name.front != b.name.front)
            return a.name.front;
        const QByteArray aBytes = QByteArray::fromStdString(*a.path);
        const QByteArray bBytes = QByteArray::fromStdString(*b.path);
        return comparePaths(QFile::decodeName(aBytes), aBytes, QFile::decodeName(bBytes), bBytes) < 0;
    });
    return joinChannels(files, outsideGrammar);
}

Expected<RecordingSet, ScanError> scanRecordingSet(const QByteArray& nativeFolder)
{
    auto scan = scanNativePaths(nativeFolder);
    if (!scan)
        return unexpected(scan.error());
    return collectListedRecordings(std::move(scan->paths));
}

RecordingSet collectRecordings(const std::vector<RecordingRow>& rows)
{
    std::vector<std::string> paths;
    paths.reserve(rows.size());
    for (const RecordingRow& row : rows)
        paths.push_back(row.nativePath.isEmpty() ? row.fullPath.toStdString() : row.nativePath.toStdString());
    return collectRecordings(std::move(paths));
}

} // namespace dravonix
