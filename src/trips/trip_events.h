#pragma once
// What a user looks for in a trip: an Event recording's start, an impact (a
// sample whose acceleration on some axis differs from its recording's median
// by at least the card's driving threshold for that axis; a run of such
// samples is one impact, at its largest) and, given a speed limit, the first
// sample of each stretch above it.

#include "trips/trip_telemetry.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

namespace dravonix {

class DeviceConfig;

struct ImpactThresholds {
    std::array<double, 3> g{0.5, 0.5, 0.5}; // X, Y, Z
};

// The driving thresholds of a card's settings (hundredths of g). An axis
// whose stored value is outside what the settings can store (5 to 150) keeps
// the default of 0.50 g: a 0 there would make every sample an impact.
ImpactThresholds drivingThresholds(const DeviceConfig& config);

// The camera's "config.bin" for a folder: in the folder itself, else in the
// folders above it on the same file system (the card's root). None when
// there is no readable one of the right size.
std::optional<std::filesystem::path> findCardConfig(const std::filesystem::path& folder);

enum class TripEventKind { EventFile, Impact, Overspeed };
const char* tripEventKindName(TripEventKind kind); // "event-file", "impact", "overspeed"

struct TripEvent {
    TripEventKind kind = TripEventKind::EventFile;
    CameraMs time = 0;
    std::int64_t tripMs = 0;
    std::size_t recording = 0; // index into the set
    std::int64_t offsetMs = 0;
    double value = 0.0; // peak deviation in g, or km/h; unused for an Event file
};

// Impacts, a sample at a time. A sample's recording has its track or its
// medians given by the time the sample comes; a recording with neither has
// no impacts.
class ImpactFinder {
public:
    explicit ImpactFinder(const ImpactThresholds& thresholds) : thresholds_(thresholds) {}
    // A track's medians are worked out only when some axis spreads as far as
    // its threshold: otherwise no sample can differ from them by that much.
    void startTrack(std::size_t recording, const TrackPoints& track);
    void useMedians(std::size_t recording, const std::array<float, 3>& medians);
    void add(const TripSample& sample);
    std::vector<TripEvent>& events() { return impacts_; }

    // What a run of samples found on their own: joined to what came before,
    // an impact going on across the join is one impact, as when the samples
    // come one by one. `tripShift` is added to the part's trip times.
    struct Part {
        std::vector<TripEvent> events;
        bool startsInRun = false; // its first sample was an impact
        bool endsInRun = false;
    };
    std::optional<Part> part() &&; // none when no sample came
    void join(Part part, std::int64_t tripShift);

private:
    bool reaches(std::size_t axis, double deviation) const;

    ImpactThresholds thresholds_;
    // By recording; none where no sample can be an impact.
    std::map<std::size_t, std::optional<std::array<float, 3>>> medians_;
    // Samples come a recording at a time: its medians are looked up once.
    const std::optional<std::array<float, 3>>* median_ = nullptr;
    std::optional<std::size_t> medianOf_;
    bool inRun_ = false;
    std::optional<bool> firstInRun_; // once a sample came
    std::vector<TripEvent> impacts_;
};
std::vector<TripEvent> findImpacts(const TripTelemetry& telemetry, const ImpactThresholds& thresholds);

// The first sample of each stretch above a speed, a sample at a time.
class OverspeedFinder {
public:
    explicit OverspeedFinder(double limitKmh) : limitKmh_(limitKmh) {}
    void add(const TripSample& sample);
    std::vector<TripEvent>& events() { return events_; }

    // As ImpactFinder's: a stretch going on across the join starts once.
    struct Part {
        std::vector<TripEvent> events;
        bool startsAbove = false; // its first sample with a speed was above
        bool endsAbove = false;
    };
    std::optional<Part> part() &&; // none when no sample had a speed
    void join(Part part, std::int64_t tripShift);

private:
    double limitKmh_;
    bool above_ = false;
    std::optional<bool> firstAbove_; // once a sample had a speed
    std::vector<TripEvent> events_;
};
std::vector<TripEvent> findOverspeeds(const std::vector<TripSample>& samples, double limitKmh);

// All of a trip's events in time order (at one moment: Event files, impacts,
// then overspeed).
std::vector<TripEvent> findTripEvents(const std::vector<TripRecording>& recordings, const Trip& trip,
                                      const TripTimeline& timeline, const TripTelemetry& telemetry,
                                      const ImpactThresholds& thresholds, std::optional<double> limitKmh);
// The same from impacts and overspeeds already found.
std::vector<TripEvent> tripEvents(const std::vector<TripRecording>& recordings, const Trip& trip,
                                  const TripTimeline& timeline, std::vector<TripEvent> impacts,
                                  const std::vector<TripEvent>& overspeeds);

} // namespace dravonix
