// One sentence into a running fix and through the route's time reading, then
// the same bytes as a record's text.
#include "toolkit/c_numbers.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/telemetry_track.h"

#include <array>
#include <bit>
#include <cstdint>
#include <span>
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

    // The one-pass record decoder must agree with the sentences decoded one
    // by one (compared as bytes: a garbage number may decode to NaN).
    dravonix::GpsFix oneByOne;
    dravonix::forEachSentence(std::span<const char>(record),
                              [&](std::string_view s) { dravonix::decodeSentence(s, oneByOne); });
    const dravonix::GpsFix& onePass = track.current();
    const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    const bool same = onePass.utc == oneByOne.utc && bits(onePass.latitudeRaw) == bits(oneByOne.latitudeRaw)
                      && onePass.latitudeHemisphere == oneByOne.latitudeHemisphere
                      && bits(onePass.longitudeRaw) == bits(oneByOne.longitudeRaw)
                      && onePass.longitudeHemisphere == oneByOne.longitudeHemisphere
                      && bits(onePass.speedKnots) == bits(oneByOne.speedKnots)
                      && bits(onePass.courseDegrees) == bits(oneByOne.courseDegrees) && onePass.valid == oneByOne.valid
                      && onePass.satellitesInUse == oneByOne.satellitesInUse
                      && onePass.gpsSatellites == oneByOne.gpsSatellites
                      && onePass.glonassSatellites == oneByOne.glonassSatellites
                      && bits(onePass.hdop) == bits(oneByOne.hdop) && onePass.gnsSeen == oneByOne.gnsSeen
                      && onePass.gsaSeen == oneByOne.gsaSeen;
    // Trips take validity, position and speed alone, the same as in full.
    dravonix::GpsFix motion;
    dravonix::decodeRecordText(std::span<const char>(record), motion, dravonix::FixDetail::Motion);
    const bool sameMotion = motion.valid == onePass.valid && bits(motion.latitudeRaw) == bits(onePass.latitudeRaw)
                            && motion.latitudeHemisphere == onePass.latitudeHemisphere
                            && bits(motion.longitudeRaw) == bits(onePass.longitudeRaw)
                            && motion.longitudeHemisphere == onePass.longitudeHemisphere
                            && bits(motion.speedKnots) == bits(onePass.speedKnots);
    if (!same || !sameMotion)
        __builtin_trap();
    return 0;
}
