// One sentence into a running fix and through the route's time reading, then
// the same bytes as a record's text.
#include "toolkit/c_numbers.h"
#include "telemetry/record_text_decoder.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/telemetry_track.h"

#include <array>
#include <bit>
#include <cstdint>
#include <algorithm>
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
    const auto sameFix = [&](const dravonix::GpsFix& a, const dravonix::GpsFix& b) {
        return a.utc == b.utc && bits(a.latitudeRaw) == bits(b.latitudeRaw)
               && a.latitudeHemisphere == b.latitudeHemisphere && bits(a.longitudeRaw) == bits(b.longitudeRaw)
               && a.longitudeHemisphere == b.longitudeHemisphere && bits(a.speedKnots) == bits(b.speedKnots)
               && bits(a.courseDegrees) == bits(b.courseDegrees) && a.valid == b.valid
               && a.satellitesInUse == b.satellitesInUse && a.gpsSatellites == b.gpsSatellites
               && a.glonassSatellites == b.glonassSatellites && bits(a.hdop) == bits(b.hdop) && a.gnsSeen == b.gnsSeen
               && a.gsaSeen == b.gsaSeen;
    };
    const bool same = sameFix(onePass, oneByOne);
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

    // A track's texts one after another, as a shape-remembering decoder
    // takes them: this text, then the input's next 128 bytes or, for a short
    // input, this text with its figures turned, then this text again.
    std::array<char, dravonix::kNmeaTextSize> next = record;
    if (size > record.size()) {
        next.fill(0);
        std::memcpy(next.data(), data + record.size(), std::min(size - record.size(), next.size()));
    } else {
        for (char& c : next)
            if (c >= '0' && c <= '9')
                c = static_cast<char>('0' + (c - '0' + 7) % 10);
    }
    for (const dravonix::FixDetail detail : {dravonix::FixDetail::Full, dravonix::FixDetail::Motion}) {
        dravonix::RecordTextDecoder decoder(detail);
        dravonix::GpsFix shaped, alone;
        for (const auto* text : {&record, &next, &record, &next}) {
            decoder.decode(*text, shaped);
            dravonix::decodeRecordText(*text, alone, detail);
            if (!sameFix(shaped, alone))
                __builtin_trap();
        }
    }
    return 0;
}
