#include "export/incident_export.h"

#include "export/export_folder.h"
#include "export/export_notes.h"
#include "export/export_plan.h"
#include "export/file_digest.h"
#include "export/media_copy.h"
#include "telemetry/telemetry_export.h"
#include "toolkit/c_locale.h"
#include "toolkit/product.h"
#include "trips/trip_telemetry.h"

#include "toolkit/text_format.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <future>
#include <optional>
#include <thread>
#include <fcntl.h>
#include <unistd.h>
#include <set>
#include <sstream>

namespace dravonix {
namespace {

const char* const kCombinedName = "combined.mp4";

struct ChannelPlan {
    std::vector<CopyPiece> pieces;
    std::vector<std::size_t> planIndex; // which piece of the plan each is
};

struct Steps {
    const ExportProgressCallback& callback;
    std::vector<std::string> names;
    int current = -1;
    std::chrono::steady_clock::time_point started;
    std::vector<ExportStepTime> times;

    void begin(int step)
    {
        finish();
        current = step;
        started = std::chrono::steady_clock::now();
        report(0.0);
    }
    void report(double fraction) const
    {
        if (callback && current >= 0)
            callback({current, static_cast<int>(names.size()), names[static_cast<std::size_t>(current)], fraction});
    }
    void finish()
    {
        if (current >= 0 && times.size() < static_cast<std::size_t>(current + 1))
            times.push_back({names[static_cast<std::size_t>(current)],
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()});
    }
};

std::string utcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The records of a piece's main file that fall in [from, to) of it.
void takeRecords(const std::vector<RawTelemetryRecord>& all, std::int64_t durationMs, std::int64_t from,
                 std::int64_t to, std::vector<RawTelemetryRecord>& out)
{
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::int64_t at = sampleOffsetMs(i, all.size(), durationMs);
        if (at >= from && at < to)
            out.push_back(all[i]);
    }
}

Expected<bool, Error> writeText(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = fd >= 0;
    for (std::size_t at = 0; ok && at < text.size();) {
        const ssize_t put = ::write(fd, text.data() + at, text.size() - at);
        ok = put > 0 || (put < 0 && errno == EINTR);
        at += put > 0 ? static_cast<std::size_t>(put) : 0;
    }
    const int code = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        return unexpected(Error{"cannot write " + path + ": " + std::strerror(code), code});
    return true;
}

Error unreadableFiles(const std::vector<std::string>& problems)
{
    std::string message = "some files of the range are missing or can't be read:";
    for (const std::string& problem : problems)
        message += "\n  " + problem;
    return Error{message + "\nnothing was exported; export what can be read to leave them out", kUnreadableFilesError};
}

std::string seconds(std::int64_t ms) { return formatText("%.3f s", static_cast<double>(ms) / 1000.0); }

Expected<ExportResult, Error> exportInSteps(const ExportOptions& options, const ExportProgressCallback& progress,
                                            const std::atomic<bool>& cancel);

} // namespace


bool isInsideFolder(const std::filesystem::path& target, const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::path inner = std::filesystem::weakly_canonical(std::filesystem::absolute(target), error);
    if (error)
        return false;
    const std::filesystem::path outer = std::filesystem::weakly_canonical(std::filesystem::absolute(folder), error);
    if (error)
        return false;
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty())
            continue; // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

Expected<ExportResult, Error> exportIncident(const ExportOptions& options, const ExportProgressCallback& progress,
                                             const std::atomic<bool>& cancel)
{
    if (options.target.empty())
        return unexpected(Error{"no folder to export to was given", 0});
    if (!options.cardFolder.empty() && isInsideFolder(options.target, options.cardFolder))
        return unexpected(Error{"the export can't be written into the folder it reads (" + options.target.string()
                                    + " is in " + options.cardFolder.string() + "): choose a folder off the card",
                                0});
    // FFmpeg reads the numbers of its option and filter texts ("black@0.6")
    // with the C library, in the thread's locale: under a decimal-comma
    // locale the picture composition would be refused.
    const CLocaleScope cLocale;
    auto result = exportInSteps(options, progress, cancel);
    if (result)
        return result;
    // Said once in the words users look for, whichever write met it.
    Error error = result.error();
    if ((error.systemError == ENOSPC || error.systemError == EDQUOT)
        && error.message.find("disk is full") == std::string::npos)
        error.message = "the target disk is full; nothing was exported (" + error.message + ")";
    else if (error.systemError == EROFS && error.message.find("read-only") == std::string::npos)
        error.message = "the target is on a read-only file system; nothing was exported (" + error.message + ")";
    return unexpected(error);
}

namespace {

Expected<ExportResult, Error> exportInSteps(const ExportOptions& options, const ExportProgressCallback& progress,
                                            const std::atomic<bool>& cancel)
{
    // The libraries' notes (the encoder's statistics and the like) are not
    // for users; their errors come back to us as codes and are reported.
    av_log_set_level(AV_LOG_ERROR);
    const std::vector<TripRecording>& recordings = options.recordings.recordings;
    // A recording whose length can't be read (cut off when the power went)
    // is in no trip: the timeline would pass over it without a word.
    std::vector<std::string> problems;
    for (const TripRecording& r : recordings) {
        if (r.drives() && r.durationMs <= 0 && r.start >= options.from && r.start < options.to)
            problems.push_back(r.mainPath() + ": its length can't be read (a file cut off when the power went?)");
    }
    if (!problems.empty() && !options.skipUnreadable)
        return unexpected(unreadableFiles(problems));
    auto planned = planExport(recordings, options.from, options.to);
    if (!planned)
        return unexpected(planned.error());
    const ExportPlan& plan = *planned;
    const auto cancelled = [] { return unexpected(Error{"cancelled", ECANCELED}); };

    Steps steps{progress, {"Checking the recordings", "Copying the front clip", "Copying the rear clip"}, -1, {}, {}};
    if (options.combined)
        steps.names.push_back("Making combined.mp4");
    steps.names.insert(steps.names.end(), {"Writing the route", "Computing checksums", "Finishing"});
    int step = 0;

    // Every file of the range is checked before anything is written.
    steps.begin(step++);
    ExportResult result;
    ChannelPlan front, rear;
    std::vector<std::vector<RawTelemetryRecord>> pieceRecords(plan.pieces.size());
    for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
        if (cancel.load())
            return cancelled();
        const ExportPiece& piece = plan.pieces[p];
        const TripRecording& r = recordings[piece.recording];
        for (const char channel : {'F', 'R'}) {
            const std::string& path = channel == 'F' ? r.frontPath : r.rearPath;
            if (path.empty()) {
                problems.push_back(std::string(channel == 'F' ? "no front file" : "no rear file") + " for the recording of "
                                   + readableCameraTime(r.start).substr(0, 19) + " (" + r.mainPath() + ")");
                continue;
            }
            if (const std::optional<std::string> broken = checkMovie(path)) {
                problems.push_back(*broken);
                continue;
            }
            ChannelPlan& channelPlan = channel == 'F' ? front : rear;
            channelPlan.pieces.push_back({path, r.start, piece.offsetFrom, piece.offsetTo});
            channelPlan.planIndex.push_back(p);
        }
        if (const TrackReadResult read = readTelemetryRecords(r.mainPath(), pieceRecords[p]); !read.ok())
            problems.push_back(r.mainPath() + ": no telemetry: " + read.reason);
        steps.report(static_cast<double>(p + 1) / static_cast<double>(plan.pieces.size()));
    }
    if (!problems.empty() && !options.skipUnreadable)
        return unexpected(unreadableFiles(problems));
    result.skipped = problems;
    if (front.pieces.empty() && rear.pieces.empty())
        return unexpected(Error{"none of the range's recordings can be read", 0});

    auto madeFolder = ExportFolder::create(options.target);
    if (!madeFolder)
        return unexpected(madeFolder.error());
    ExportFolder& folder = *madeFolder;
    result.folder = options.target;

    // The clips: the first channel that has pictures fixes the start.
    std::string frontTemp, rearTemp;
    std::vector<RawTelemetryRecord> records;
    bool startKnown = false;
    const TripRecording& firstRecording = recordings[plan.pieces.front().recording];
    for (const char channel : {'F', 'R'}) {
        steps.begin(step++);
        const ChannelPlan& channelPlan = channel == 'F' ? front : rear;
        if (channelPlan.pieces.empty())
            continue;
        auto temporary = folder.temporaryFor(channel == 'F' ? "front.mp4" : "rear.mp4");
        if (!temporary)
            return unexpected(temporary.error());
        auto copied = copyPieces(channelPlan.pieces, *temporary, cancel, [&](double f) { steps.report(f); });
        if (!copied)
            return unexpected(copied.error());
        if (!startKnown) {
            result.clipStart = copied->start;
            result.clipEnd = copied->end;
            startKnown = true;
            // The records of the range from the clip's first picture on; the
            // same ones go into both clips, as the camera writes them.
            for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
                const ExportPiece& piece = plan.pieces[p];
                const TripRecording& r = recordings[piece.recording];
                const std::int64_t from = p == 0 ? result.clipStart - r.start : piece.offsetFrom;
                takeRecords(pieceRecords[p], r.durationMs, from, piece.offsetTo, records);
            }
            result.telemetryRecords = records.size();
        }
        result.sourceBytesCopied += copied->bytesRead;
        if (auto finished = finishInCameraLayout(*temporary, records); !finished)
            return unexpected(finished.error());
        const std::string name = clipFileName(firstRecording, result.clipStart, channel);
        folder.rename(*temporary, name);
        result.files.push_back(name);
        for (const CopyPiece& piece : channelPlan.pieces)
            if (std::find(result.sources.begin(), result.sources.end(), piece.path) == result.sources.end())
                result.sources.push_back(piece.path);
        (channel == 'F' ? frontTemp : rearTemp) = *temporary;
    }
    if (cancel.load())
        return cancelled();

    const TelemetryTrack track = trackOfRecords(records);
    if (options.combined) {
        steps.begin(step++);
        if (frontTemp.empty()) {
            result.skipped.push_back(std::string(kCombinedName) + ": no front pictures to combine");
        } else {
            auto temporary = folder.temporaryFor(kCombinedName);
            if (!temporary)
                return unexpected(temporary.error());
            CombinedOptions combined{options.layout, {}};
            if (options.overlay)
                combined.overlay = overlayLines(track, result.clipStart, result.clipEnd);
            auto made = encodeCombined(frontTemp, rearTemp, *temporary, combined, cancel, [&](double f) { steps.report(f); });
            if (!made)
                return unexpected(made.error());
            result.combinedFrames = made->frames;
            result.files.push_back(kCombinedName);
        }
    }

    // The route, one segment per recording the range runs through.
    steps.begin(step++);
    {
        std::vector<TelemetryTrack> pieceTracks;
        for (std::size_t p = 0; p < plan.pieces.size(); ++p) {
            std::vector<RawTelemetryRecord> piece;
            const TripRecording& r = recordings[plan.pieces[p].recording];
            takeRecords(pieceRecords[p], r.durationMs, p == 0 ? result.clipStart - r.start : plan.pieces[p].offsetFrom,
                        plan.pieces[p].offsetTo, piece);
            pieceTracks.push_back(trackOfRecords(piece));
        }
        std::vector<const TelemetryTrack*> segments;
        for (const TelemetryTrack& t : pieceTracks)
            segments.push_back(&t);
        const std::string name = "Dravonix " + readableCameraTime(result.clipStart).substr(0, 19);
        std::ostringstream gpx, kml;
        writeRouteGpx(segments, name, {}, gpx);
        writeRouteKml(segments, name, {}, kml);
        for (const auto& [file, text] : {std::pair{"route.gpx", gpx.str()}, std::pair{"route.kml", kml.str()}}) {
            auto temporary = folder.temporaryFor(file);
            if (!temporary)
                return unexpected(temporary.error());
            if (auto written = writeText(*temporary, text); !written)
                return unexpected(written.error());
            result.files.push_back(file);
        }
    }

    // What was exported, from where, when, by what.
    {
        std::string note = std::string(product::kName) + " " + product::kVersion + ": an incident export\n";
        note += "Written: " + utcNow() + "\n";
        note += "Range asked for (camera clock): " + readableCameraTime(plan.from).substr(0, 19) + " to "
                + readableCameraTime(plan.to).substr(0, 19) + "\n";
        note += "Clips (from the key frame at or before the start): " + readableCameraTime(result.clipStart) + " to "
                + readableCameraTime(result.clipEnd) + ", copied without re-encoding\n";
        note += "Telemetry records: " + std::to_string(result.telemetryRecords) + "\n";
        note += "Files:\n";
        for (const std::string& f : result.files)
            note += "  " + f + "\n";
        note += "From the recordings:\n";
        for (const ExportPiece& piece : plan.pieces) {
            const TripRecording& r = recordings[piece.recording];
            for (const std::string* path : {&r.frontPath, &r.rearPath})
                if (!path->empty() && std::find(result.sources.begin(), result.sources.end(), *path) != result.sources.end())
                    note += "  " + *path + "  " + seconds(piece.offsetFrom) + " to " + seconds(piece.offsetTo) + "\n";
        }
        if (!result.skipped.empty()) {
            note += "Left out:\n";
            for (const std::string& s : result.skipped)
                note += "  " + s + "\n";
        }
        note += "SHA256SUMS holds the SHA-256 of every file written and read: sha256sum -c SHA256SUMS\n";
        auto temporary = folder.temporaryFor("export.txt");
        if (!temporary)
            return unexpected(temporary.error());
        if (auto written = writeText(*temporary, note); !written)
            return unexpected(written.error());
        result.files.push_back("export.txt");
    }

    // Checksums of what was written (under the names it will have) and read.
    steps.begin(step++);
    {
        std::vector<std::pair<std::string, std::string>> toHash; // file to read, name to list
        std::uint64_t total = 0;
        std::vector<std::string> temporaries = folder.temporaries();
        for (std::size_t i = 0; i < temporaries.size(); ++i)
            toHash.push_back({temporaries[i], folder.finalNameOf(temporaries[i])});
        for (const std::string& source : result.sources)
            toHash.push_back({source, std::filesystem::absolute(source).string()});
        for (const auto& item : toHash) {
            std::error_code error;
            total += std::filesystem::file_size(item.first, error);
        }
        // Files are hashed side by side, a thread per core; progress is
        // reported from this thread only, so the caller's callback never
        // runs anywhere else.
        std::atomic<std::uint64_t> done{0};
        std::vector<std::optional<Expected<std::string, Error>>> digests(toHash.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i = next++; i < toHash.size(); i = next++)
                digests[i] = sha256OfFile(toHash[i].first, cancel, [&](std::uint64_t bytes) { done += bytes; });
        };
        const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
        std::vector<std::future<void>> workers;
        for (std::size_t t = 0; t < threads; ++t)
            workers.push_back(std::async(std::launch::async, work));
        for (std::future<void>& worker : workers) {
            while (worker.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
                steps.report(total == 0 ? 1.0 : static_cast<double>(done.load()) / static_cast<double>(total));
        }
        std::string sums;
        for (std::size_t i = 0; i < toHash.size(); ++i) {
            if (!*digests[i])
                return unexpected(digests[i]->error());
            sums += sumsLine(digests[i]->value(), toHash[i].second);
        }
        auto temporary = folder.temporaryFor("SHA256SUMS");
        if (!temporary)
            return unexpected(temporary.error());
        if (auto written = writeText(*temporary, sums); !written)
            return unexpected(written.error());
        result.files.push_back("SHA256SUMS");
    }

    steps.begin(step++);
    if (cancel.load())
        return cancelled();
    if (auto kept = folder.keep(); !kept)
        return unexpected(kept.error());
    steps.report(1.0);
    steps.finish();
    result.stepTimes = steps.times;
    return result;
}

} // namespace
} // namespace dravonix
