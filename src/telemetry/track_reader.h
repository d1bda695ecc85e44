#pragma once
// Reads the camera's telemetry track out of an MP4 recording into a store.
// The track sits at a fixed place in the camera's box layout; the reader walks
// that path, checking every box against its parent and the file, and reads
// one 153-byte record at each chunk of the track.

#include "telemetry/byte_source.h"
#include "telemetry/telemetry_track.h"

#include <array>
#include <cstdint>
#include <vector>
#include <filesystem>
#include <string>

namespace dravonix {

inline constexpr std::uint32_t kEFail = 0x80004005u;
inline constexpr std::size_t kTelemetryRecordSize = 153;
inline constexpr std::size_t kChunkLeadSize = 2;
// The camera writes one record a second: a track of more than a day's
// records is not one of its recordings, and is refused rather than read.
inline constexpr std::uint64_t kMaxTrackRecords = 24 * 60 * 60;

struct TrackReadResult {
    std::uint32_t code = 0; // 0, or kEFail
    std::string reason;     // why it failed, for messages

    bool ok() const { return code == 0; }
    static TrackReadResult failure(std::string why) { return {kEFail, std::move(why)}; }
};

// On failure (including a read error part way) nothing has been appended to
// `store`. Chunks whose record lies partly outside the file are skipped.
TrackReadResult readTelemetryTrack(const ByteSource& source, TelemetryTrack& store);
TrackReadResult readTelemetryTrack(const std::filesystem::path& file, TelemetryTrack& store);

// A record as trips use it: the acceleration in g and the running fix after
// the record's sentences, as TelemetryTrack keeps them, without the text.
struct TrackPoint {
    std::array<float, 3> accel{};
    GpsFix fix;
};
using TrackPoints = std::vector<TrackPoint>;

// The same records and checks as readTelemetryTrack, into points; on failure
// `points` is left empty.
TrackReadResult readTrackPoints(const ByteSource& source, TrackPoints& points,
                                FixDetail detail = FixDetail::Full);
TrackPoints pointsOf(const TelemetryTrack& track);

// The records byte for byte, in chunk order, appended to `records`; the same
// checks and failures (nothing appended) as readTelemetryTrack.
using RawTelemetryRecord = std::array<std::uint8_t, kTelemetryRecordSize>;
TrackReadResult readTelemetryRecords(const std::filesystem::path& file, std::vector<RawTelemetryRecord>& records);

} // namespace dravonix
