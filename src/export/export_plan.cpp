#include "export/export_plan.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace dravonix {
namespace {

std::string shown(CameraMs time)
{
    std::string text = formatCameraTime(time);
    std::replace(text.begin(), text.end(), 'T', ' ');
    return text;
}

Error refusal(std::string message) { return Error{std::move(message), 0}; }

// Ranges are given in whole seconds and a recording's end seldom is one: the
// second after it is the only way to name its last fraction.
CameraMs endWithin(CameraMs to, CameraMs end) { return to > end && to - end < 1000 ? end : to; }

// A parking recording belongs to no trip, yet it is watched and marked like
// one (a knock while parked is an incident too): a range that starts in one
// is cut from it alone.
std::optional<Expected<ExportPlan, Error>> planInParkingRecording(const std::vector<TripRecording>& recordings,
                                                                  CameraMs from, CameraMs to)
{
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        const TripRecording& r = recordings[i];
        if (r.kind != RecordingKind::Park || r.durationMs <= 0 || from < r.start || from >= r.end())
            continue;
        to = endWithin(to, r.end());
        if (to > r.end())
            return unexpected(refusal("the range ends at " + shown(to) + ", after the parking recording from "
                                      + shown(r.start) + " to " + shown(r.end()) + "; an export stays within it"));
        return ExportPlan{from, to, Trip{{i}, r.start, r.end()}, {ExportPiece{i, from - r.start, to - r.start, from}}};
    }
    return std::nullopt;
}

} // namespace

Expected<ExportPlan, Error> planExport(const std::vector<TripRecording>& recordings, CameraMs from, CameraMs to)
{
    if (to == from)
        return unexpected(refusal("the range is empty: it starts and ends at " + shown(from)));
    if (to < from)
        return unexpected(refusal("the range ends (" + shown(to) + ") before it starts (" + shown(from) + ")"));
    const std::vector<Trip> trips = groupTrips(recordings);
    const auto holding = std::find_if(trips.begin(), trips.end(),
                                      [&](const Trip& t) { return t.start <= from && from < t.end; });
    if (holding == trips.end()) {
        if (auto parked = planInParkingRecording(recordings, from, to))
            return std::move(*parked);
        for (const Trip& t : trips) {
            if (from < t.start && to > t.start)
                return unexpected(refusal("the range starts at " + shown(from) + ", before the trip from "
                                          + shown(t.start) + " to " + shown(t.end) + "; an export stays within one trip"));
        }
        // Say where the trips are, so the next try can hit one.
        std::string where;
        for (std::size_t i = 0; i < trips.size() && i < 5; ++i)
            where += (i == 0 ? "; the trips: " : ", ") + shown(trips[i].start) + " to " + shown(trips[i].end);
        if (trips.size() > 5)
            where += ", and " + std::to_string(trips.size() - 5) + " more (dravonix trips lists them)";
        if (trips.empty())
            where = "; the folder holds no trip";
        return unexpected(refusal("no recording covers " + shown(from) + " to " + shown(to) + where));
    }
    to = endWithin(to, holding->end);
    if (to > holding->end)
        return unexpected(refusal("the range ends at " + shown(to) + ", after the trip from " + shown(holding->start)
                                  + " to " + shown(holding->end) + "; an export stays within one trip"));

    ExportPlan plan{from, to, *holding, {}};
    const TripTimeline timeline(recordings, *holding);
    for (const TimelinePiece& p : timeline.pieces()) {
        if (p.to <= from || p.from >= to)
            continue;
        const CameraMs start = std::max(from, p.from);
        const CameraMs end = std::min(to, p.to);
        plan.pieces.push_back({p.recording, p.offsetFrom + (start - p.from), p.offsetFrom + (end - p.from), start});
    }
    if (plan.pieces.empty())
        return unexpected(refusal("no recording covers " + shown(from) + " to " + shown(to) + " (a gap in the trip)"));
    return plan;
}

std::string clipFileName(const TripRecording& first, CameraMs start, char channel)
{
    // The name ends in yyyyMMdd_hhmmss_C.mp4: 21 characters after the prefix.
    constexpr std::size_t kStampAndChannel = 21;
    const std::string bare = std::filesystem::path(first.mainPath()).filename().string();
    const std::string prefix = bare.size() > kStampAndChannel ? bare.substr(0, bare.size() - kStampAndChannel) : "";
    const std::string stamp = formatCameraTime(start); // yyyy-MM-ddTHH:mm:ss
    std::string digits;
    for (const char c : stamp)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() != 14)
        digits = std::string(14, '0');
    return prefix + digits.substr(0, 8) + '_' + digits.substr(8, 6) + '_' + channel + ".mp4";
}

} // namespace dravonix
