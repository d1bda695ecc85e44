// Whole files as the track reader sees them: any bytes must give a result
// without a crash, and a store whose fixes match its samples one to one.
// Some inputs go through a real file, so the batched reads of the descriptor
// source (io_uring where the system has it) see them too, and both ways must
// read the same track.
#include "memory_file.h"
#include "telemetry/track_reader.h"

#include <cstdlib>

namespace {

void check(const dravonix::TelemetryTrack& track, const dravonix::TrackReadResult& result, std::size_t size)
{
    if (track.fixes().size() != track.sampleCount())
        std::abort();
    if (!result.ok() && track.sampleCount() != 0)
        std::abort();
    if (track.sampleCount() > 0)
        (void)track.sampleIndexAt(static_cast<std::int64_t>(size), 1 + static_cast<std::int64_t>(size % 7));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const dravonix::MemoryByteSource source(std::as_bytes(std::span(data, size)));
    dravonix::TelemetryTrack track;
    const dravonix::TrackReadResult result = dravonix::readTelemetryTrack(source, track);
    check(track, result, size);

    // One input in four, chosen by its last byte so the fuzzer can steer it.
    if (size == 0 || data[size - 1] % 4 != 0)
        return 0;
    static dravonix::fuzz::MemoryFile file;
    dravonix::TelemetryTrack fromFile;
    const dravonix::TrackReadResult fileResult =
        dravonix::readTelemetryTrack(file.holding(std::span(data, size)), fromFile);
    check(fromFile, fileResult, size);
    if (fileResult.code != result.code || fromFile.sampleCount() != track.sampleCount())
        std::abort(); // the file and the memory source disagree
    for (std::size_t i = 0; i < track.sampleCount(); ++i) {
        const dravonix::TelemetrySample& a = track.samples()[i];
        const dravonix::TelemetrySample& b = fromFile.samples()[i];
        if (a.accelX != b.accelX || a.accelY != b.accelY || a.accelZ != b.accelZ || a.nmeaText != b.nmeaText)
            std::abort();
    }
    return 0;
}
