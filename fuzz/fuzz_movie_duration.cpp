// Whole files as the duration reader sees them: any bytes give a duration in
// range or an error, never a crash or a read outside the input.
#include "telemetry/movie_duration.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const dravonix::MemoryByteSource source(std::as_bytes(std::span(data, size)));
    const auto duration = dravonix::readMovieDurationMs(source);
    if (duration && (*duration <= 0 || *duration >= dravonix::kMaxMovieDurationMs))
        std::abort();
    return 0;
}
