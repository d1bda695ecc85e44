#pragma once
// A card folder as the camera leaves it, made from a seed: recordings of
// every kind in front and rear pairs (and a few without partner), each with
// the camera's telemetry track, plus one file whose name the camera would
// never write.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dravonix::demo {

struct DemoCardOptions {
    std::filesystem::path out;
    std::uint32_t seed = 1;
    int secondsPerRecording = 20;
    bool progress = false; // a line on standard error for each file made, with the count
    // Constant bit rates such as "10M" for heavier pictures (grain added so
    // the encoder really spends them); empty for the light default.
    std::string frontBitrate;
    std::string rearBitrate;
    int recordings = -1; // only the first N recordings of the plan; all when negative
    // Two drives instead of one: see planTwoTripCard.
    bool twoTrips = false;
    // One long drive of this many back-to-back Always pairs instead (0: the
    // usual card), with an Event pair over a collision half-way.
    int longDrive = 0;
    bool keepExisting = false; // recordings already there (from an earlier run) are not made again
    // How far the camera's clock runs ahead of GPS time in the card's zone
    // (+09:00); negative for behind. Unset: kTwoTripClockAhead on the
    // two-drive card, and GPS time written as the camera's own on the other.
    std::optional<int> clockAheadSeconds;
};

struct PlannedRecording {
    std::string folder; // below the card's root
    std::string prefix; // "alwa_", "event_", "motion_", "user_"
    std::chrono::sys_seconds start;
    bool front = true;
    bool rear = true;
    int driveOffset = 0; // first second of the drive it shows; -1 when parked
    bool impact = false;

    std::string fileName(char channel) const;
};

std::vector<PlannedRecording> planDemoCard(std::uint32_t seed, int secondsPerRecording);

// Two drives parted by a stop with a parking recording: the first with an
// Event recording over a collision both it and the Always files felt, a User
// recording and a 3-second gap between two Always files; the second running
// over midnight. The camera's clock runs kTwoTripClockAhead ahead of GPS time
// (taken in the card's default zone, +09:00).
std::vector<PlannedRecording> planTwoTripCard(std::uint32_t seed, int secondsPerRecording);
inline constexpr int kTwoTripClockAhead = 2;
// Second of the first drive at which the collision is felt.
int twoTripImpactSecond(int secondsPerRecording);

// `count` Always pairs end to end (count >= 1), and an Event pair over a
// collision in the middle one.
std::vector<PlannedRecording> planLongDrive(std::uint32_t seed, int secondsPerRecording, int count);
int longDriveImpactSecond(int secondsPerRecording, int count);

// Throws std::runtime_error on failure (ffmpeg missing, disk full, ...).
void writeDemoCard(const DemoCardOptions& options);

} // namespace dravonix::demo
