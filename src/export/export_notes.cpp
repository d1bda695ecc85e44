#include "export/export_notes.h"

#include "toolkit/text_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dravonix {
namespace {

std::int32_t littleEndian32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16)
                                     | (std::uint32_t{p[3]} << 24));
}

std::string placeText(const GpsFix& fix)
{
    const double lat = nmeaToDegrees(fix.latitudeRaw, fix.latitudeHemisphere);
    const double lon = nmeaToDegrees(fix.longitudeRaw, fix.longitudeHemisphere);
    return formatText("%.6f %c  %.6f %c", std::fabs(lat), lat < 0 ? 'S' : 'N', std::fabs(lon), lon < 0 ? 'W' : 'E');
}

} // namespace

TelemetryTrack trackOfRecords(const std::vector<RawTelemetryRecord>& records)
{
    TelemetryTrack track;
    track.reserve(records.size());
    for (const RawTelemetryRecord& r : records) {
        std::array<char, kNmeaTextSize> text{};
        std::memcpy(text.data(), r.data() + 25, text.size());
        track.appendSample(littleEndian32(r.data() + 8), littleEndian32(r.data() + 12), littleEndian32(r.data() + 16),
                           static_cast<char>(r[24]), text);
    }
    return track;
}

std::string readableCameraTime(CameraMs time)
{
    std::string text = formatCameraTime(time);
    std::replace(text.begin(), text.end(), 'T', ' ');
    const auto ms = static_cast<int>(((time % 1000) + 1000) % 1000);
    return text + formatText(".%03d", ms);
}

std::vector<OverlayLine> overlayLines(const TelemetryTrack& track, CameraMs start, CameraMs end)
{
    std::vector<OverlayLine> lines;
    const std::int64_t length = std::max<std::int64_t>(1, end - start);
    const auto count = static_cast<std::int64_t>(track.sampleCount());
    const auto lineAt = [&](CameraMs at) {
        std::string text = readableCameraTime(at).substr(0, 19);
        if (count > 0) {
            const std::int64_t index = std::clamp<std::int64_t>((at - start) * count / length, 0, count - 1);
            const GpsFix& fix = track.fixes()[static_cast<std::size_t>(index)];
            const TelemetrySample& sample = track.samples()[static_cast<std::size_t>(index)];
            if (fix.valid && fix.hasPosition()) {
                const long long speed = sample.usesMilesPerHour() ? truncatedSpeed(knotsToMph(fix.speedKnots))
                                                                  : truncatedSpeed(knotsToKmh(fix.speedKnots));
                text += formatText("    %lld %s    ", speed, sample.usesMilesPerHour() ? "mph" : "km/h") + placeText(fix);
            } else {
                text += "    no GPS fix";
            }
        }
        lines.push_back({at - start, text});
    };
    lineAt(start);
    // Then at each whole second of the clock.
    for (CameraMs second = (start / 1000 + 1) * 1000; second < end; second += 1000)
        lineAt(second);
    return lines;
}

} // namespace dravonix
