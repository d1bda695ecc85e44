#pragma once
// Writes recordings in the camera's layout: "ftyp" (major brand avc1), "mdat",
// "moov", with the telemetry track as moov's fifth child and its chunk offset
// table as the fifth box of the sample table, one record per chunk.

#include "telemetry/mp4_box.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dravonix::mp4 {

inline constexpr std::size_t kRecordSize = 153;
inline constexpr std::size_t kRecordTextSize = 128;

struct TelemetryRecord {
    std::uint32_t sequence = 0;      // bytes 0-3, not read by the viewer
    std::uint32_t secondsOfDay = 0;  // bytes 4-7, not read by the viewer
    std::int32_t accelX = 0;         // 1/256 g
    std::int32_t accelY = 0;
    std::int32_t accelZ = 256;
    char unitMarker = '0';
    std::string nmeaText;            // at most 128 bytes, zero-padded
};

Bytes encodeTelemetryRecord(const TelemetryRecord& record);

// An encoder's MP4 (ftyp, free, mdat, moov in any order) re-laid out with the
// telemetry track added after its media tracks. Throws std::runtime_error
// when the input isn't an MP4 it can re-lay.
Bytes layOutRecording(const Bytes& encoded, const std::vector<TelemetryRecord>& records);

// A record exactly as a recording holds it (what the reader reads), so a
// record copied from one file to another keeps every byte.
using RecordBytes = std::array<std::uint8_t, kRecordSize>;
Bytes chunkPayload(const std::vector<RecordBytes>& records);

// An encoder's "moov" (its header and media tracks; user data and the like
// dropped) in the camera's order: the media tracks padded to four children
// after the header, then the telemetry track whose chunks start at
// `firstChunk` in the file, one after another. Throws std::runtime_error
// when the box isn't one it can re-lay.
Bytes cameraMovie(const Bytes& moov, std::uint32_t firstChunk, std::size_t records,
                  std::int64_t chunkOffsetShift = 0);
// The camera's "ftyp" grown to `size` bytes (a multiple of 4, at least 32)
// with repeated compatible brands, to fill the room an encoder left.
Bytes cameraFtypOfSize(std::size_t size);

// A recording with no media tracks, only the telemetry track, for tests and
// benchmarks.
Bytes syntheticRecording(const std::vector<TelemetryRecord>& records);

// The same layout from parts, so tests can break one thing at a time.
Bytes cameraFtyp(std::string_view majorBrand = "avc1");
Bytes movieHeader(std::uint32_t timescale, std::uint32_t duration, std::uint32_t nextTrackId);
Bytes telemetryTrak(std::uint32_t trackId, const std::vector<std::uint32_t>& chunkOffsets,
                    std::uint32_t movieTimescale);
Bytes chunkPayload(const std::vector<TelemetryRecord>& records);
inline constexpr std::size_t kChunkSize = 2 + kRecordSize;

} // namespace dravonix::mp4
