#include "trips/trip_events.h"

#include "config/config_file.h"
#include "config/device_config.h"
#include "toolkit/input_file.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <system_error>

namespace dravonix {

ImpactThresholds drivingThresholds(const DeviceConfig& config)
{
    ImpactThresholds thresholds;
    const std::size_t offsets[] = {88, 92, 96};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::uint32_t hundredths = config.u32(offsets[axis]);
        if (hundredths >= 5 && hundredths <= 150)
            thresholds.g[axis] = hundredths / 100.0;
    }
    return thresholds;
}

std::optional<std::filesystem::path> findCardConfig(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::path at = std::filesystem::absolute(folder, error).lexically_normal();
    if (error)
        return std::nullopt;
    if (!at.has_filename() && at.has_parent_path() && at != at.root_path())
        at = at.parent_path(); // "card/" names the same folder as "card"
    const Expected<FileIdentity, Error> start = fileIdentity(at);
    if (!start)
        return std::nullopt;
    for (;;) {
        const std::filesystem::path candidate = at / "config.bin";
        DeviceConfig config;
        if (const auto size = readConfigFile(candidate, config); size && *size == kConfigSize)
            return candidate;
        if (at == at.root_path() || !at.has_parent_path())
            return std::nullopt;
        const std::filesystem::path up = at.parent_path();
        const Expected<FileIdentity, Error> above = fileIdentity(up);
        if (!above || above->device != start->device)
            return std::nullopt; // the card's root was passed
        at = up;
    }
}

const char* tripEventKindName(TripEventKind kind)
{
    switch (kind) {
    case TripEventKind::EventFile:
        return "event-file";
    case TripEventKind::Impact:
        return "impact";
    case TripEventKind::Overspeed:
        return "overspeed";
    }
    return "event";
}

bool ImpactFinder::reaches(std::size_t axis, double deviation) const
{
    // Accelerations are 1/256 steps: a deviation equal to the threshold must
    // count even after float rounding.
    return deviation >= thresholds_.g[axis] - 1e-6;
}

void ImpactFinder::startTrack(std::size_t recording, const TrackPoints& track)
{
    // A median lies between the least and the greatest value, so no sample
    // is further from it than they are from each other. (A value that is no
    // number spoils the medians of every sample: they are worked out.)
    std::array<float, 3> least{}, greatest{}, sum{};
    if (!track.empty())
        least = greatest = track.front().accel;
    for (const TrackPoint& p : track)
        for (std::size_t a = 0; a < 3; ++a) {
            least[a] = std::min(least[a], p.accel[a]);
            greatest[a] = std::max(greatest[a], p.accel[a]);
            sum[a] += p.accel[a]; // no number anywhere makes it none
        }
    bool spread = false;
    for (std::size_t a = 0; a < 3; ++a) {
        const double span = double(greatest[a]) - double(least[a]);
        spread = spread || std::isnan(sum[a]) || !std::isfinite(span) || reaches(a, span);
    }
    medians_[recording] = spread ? std::optional(accelerationMedians(track)) : std::nullopt;
    medianOf_.reset();
}

void ImpactFinder::useMedians(std::size_t recording, const std::array<float, 3>& medians)
{
    medians_[recording] = medians;
    medianOf_.reset();
}

void ImpactFinder::add(const TripSample& s)
{
    if (medianOf_ != s.recording) {
        const auto found = medians_.find(s.recording);
        median_ = found != medians_.end() ? &found->second : nullptr;
        medianOf_ = s.recording;
    }
    double peak = 0.0;
    bool hit = false;
    if (median_ != nullptr && *median_) {
        const std::array<float, 3>& median = **median_;
        for (std::size_t a = 0; a < 3; ++a) {
            const double deviation = std::abs(double(s.accel[a]) - double(median[a]));
            if (!std::isfinite(deviation))
                continue;
            peak = std::max(peak, deviation);
            hit = hit || reaches(a, deviation);
        }
    }
    if (!firstInRun_)
        firstInRun_ = hit;
    if (!hit) {
        inRun_ = false;
        return;
    }
    const TripEvent event{TripEventKind::Impact, s.time, s.tripMs, s.recording, s.offsetMs, peak};
    if (!inRun_)
        impacts_.push_back(event);
    else if (peak > impacts_.back().value)
        impacts_.back() = event;
    inRun_ = true;
}

namespace {

void appendShifted(std::vector<TripEvent>& to, std::span<const TripEvent> events, std::int64_t tripShift)
{
    for (TripEvent e : events) {
        e.tripMs += tripShift;
        to.push_back(e);
    }
}

} // namespace

std::optional<ImpactFinder::Part> ImpactFinder::part() &&
{
    if (!firstInRun_)
        return std::nullopt;
    return Part{std::move(impacts_), *firstInRun_, inRun_};
}

void ImpactFinder::join(Part part, std::int64_t tripShift)
{
    std::span<const TripEvent> events = part.events;
    if (inRun_ && part.startsInRun) {
        // One impact: at the larger peak, the earlier of two equal ones.
        TripEvent first = events.front();
        first.tripMs += tripShift;
        if (first.value > impacts_.back().value)
            impacts_.back() = first;
        events = events.subspan(1);
    }
    appendShifted(impacts_, events, tripShift);
    inRun_ = part.endsInRun;
    if (!firstInRun_)
        firstInRun_ = part.startsInRun;
}

std::vector<TripEvent> findImpacts(const TripTelemetry& telemetry, const ImpactThresholds& thresholds)
{
    ImpactFinder finder(thresholds);
    for (const auto& [recording, medians] : telemetry.medians)
        finder.useMedians(recording, medians);
    for (const TripSample& s : telemetry.samples)
        finder.add(s);
    return std::move(finder.events());
}

void OverspeedFinder::add(const TripSample& s)
{
    // A sample without a fix says nothing: it neither ends nor starts a stretch.
    const std::optional<long long> speed = s.speedKmh();
    if (!speed)
        return;
    const bool now = static_cast<double>(*speed) > limitKmh_;
    if (!firstAbove_)
        firstAbove_ = now;
    if (now && !above_)
        events_.push_back({TripEventKind::Overspeed, s.time, s.tripMs, s.recording, s.offsetMs, double(*speed)});
    above_ = now;
}

std::optional<OverspeedFinder::Part> OverspeedFinder::part() &&
{
    if (!firstAbove_)
        return std::nullopt;
    return Part{std::move(events_), *firstAbove_, above_};
}

void OverspeedFinder::join(Part part, std::int64_t tripShift)
{
    std::span<const TripEvent> events = part.events;
    if (above_ && part.startsAbove)
        events = events.subspan(1); // the stretch goes on
    appendShifted(events_, events, tripShift);
    above_ = part.endsAbove;
    if (!firstAbove_)
        firstAbove_ = part.startsAbove;
}

std::vector<TripEvent> findOverspeeds(const std::vector<TripSample>& samples, double limitKmh)
{
    OverspeedFinder finder(limitKmh);
    for (const TripSample& s : samples)
        finder.add(s);
    return std::move(finder.events());
}

std::vector<TripEvent> tripEvents(const std::vector<TripRecording>& recordings, const Trip& trip,
                                  const TripTimeline& timeline, std::vector<TripEvent> impacts,
                                  const std::vector<TripEvent>& overspeeds)
{
    std::vector<TripEvent> events;
    for (const std::size_t i : trip.recordings)
        if (recordings[i].kind == RecordingKind::Event)
            events.push_back({TripEventKind::EventFile, recordings[i].start, timeline.tripTimeOf(recordings[i].start),
                              i, 0, 0.0});
    events.insert(events.end(), impacts.begin(), impacts.end());
    events.insert(events.end(), overspeeds.begin(), overspeeds.end());
    std::stable_sort(events.begin(), events.end(), [](const TripEvent& a, const TripEvent& b) {
        return a.time != b.time ? a.time < b.time : static_cast<int>(a.kind) < static_cast<int>(b.kind);
    });
    return events;
}

std::vector<TripEvent> findTripEvents(const std::vector<TripRecording>& recordings, const Trip& trip,
                                      const TripTimeline& timeline, const TripTelemetry& telemetry,
                                      const ImpactThresholds& thresholds, std::optional<double> limitKmh)
{
    return tripEvents(recordings, trip, timeline, findImpacts(telemetry, thresholds),
                      limitKmh ? findOverspeeds(telemetry.samples, *limitKmh) : std::vector<TripEvent>{});
}

} // namespace dravonix
