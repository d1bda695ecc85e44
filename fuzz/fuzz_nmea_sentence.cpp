// One sentence into a running fix and through the route's time reading, then
// the same bytes as a record's text.
#include "toolkit/c_numbers.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/telemetry_track.h"

#include <array>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    dravonix::GpsFix fix;
    dravonix::decodeSentence(text, fix);
    (void)dravonix::nmeaToDegrees(fix.latitudeRaw, fix.latitudeHemisphere);
    (void)dravonix::truncatedSpeed(dravonix::knotsToKmh(fix.speedKnots));
    if (const auto time = dravonix::rmcDateTime(text))
        (void)dravonix::formatUtc(*time);
    (void)dravonix::cAtof(text);
    (void)dravonix::cAtoi(text);

    std::array<char, dravonix::kNmeaTextSize> record{};
    std::memcpy(record.data(), data, std::min(size, record.size()));
    dravonix::TelemetryTrack track;
    track.appendSample(0, 0, 0, '0', record);
    (void)dravonix::sampleUtc(track.samples().front());
    return 0;
}
