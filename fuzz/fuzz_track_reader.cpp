// Whole files as the track reader sees them: any bytes must give a result
// without a crash, and a store whose fixes match its samples one to one.
#include "telemetry/track_reader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const dravonix::MemoryByteSource source(std::as_bytes(std::span(data, size)));
    dravonix::TelemetryTrack track;
    const dravonix::TrackReadResult result = dravonix::readTelemetryTrack(source, track);
    if (track.fixes().size() != track.sampleCount())
        std::abort();
    if (!result.ok() && track.sampleCount() != 0)
        std::abort();
    if (track.sampleCount() > 0)
        (void)track.sampleIndexAt(static_cast<std::int64_t>(size), 1 + static_cast<std::int64_t>(size % 7));
    return 0;
}
