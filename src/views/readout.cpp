#include "views/readout.h"

#include "toolkit/text_format.h"

namespace dravonix {
namespace {

std::optional<MapPosition> signedPosition(const GpsFix& fix)
{
    if (fix.longitudeRaw == 0.0 || fix.latitudeRaw == 0.0)
        return std::nullopt;
    return MapPosition{fix.longitudeHemisphere == 'W' ? -fix.longitudeRaw : fix.longitudeRaw,
                       fix.latitudeHemisphere == 'S' ? -fix.latitudeRaw : fix.latitudeRaw};
}

} // namespace

std::optional<ReadoutUpdate> readoutTick(bool playing, const TelemetryTrack& track, std::int64_t seekMaximum,
                                         std::int64_t seekPosition, std::int64_t graphSample)
{
    if (!playing)
        return std::nullopt;
    const auto n = static_cast<std::int64_t>(track.sampleCount());
    if (n == 0 || seekMaximum == 0)
        return std::nullopt;
    const std::int64_t index = seekPosition * (n - 1) / seekMaximum;
    // The unit comes from the sample before the graph's cursor; a cursor at 0 stops here.
    if (static_cast<std::uint32_t>(graphSample - 1) >= static_cast<std::uint64_t>(n))
        return std::nullopt;
    const TelemetrySample* unitSample = track.sampleAt(graphSample - 1);
    const bool mph = unitSample != nullptr && unitSample->usesMilesPerHour();
    const GpsFix* found = track.fixAt(index);
    const GpsFix fix = found != nullptr ? *found : GpsFix{};

    ReadoutUpdate update;
    update.speed = mph ? formatText("%lld Mi/h", truncatedSpeed(knotsToMph(fix.speedKnots)))
                       : formatText("%lld Km/h", truncatedSpeed(knotsToKmh(fix.speedKnots)));
    const auto fixCount = static_cast<std::uint32_t>(track.fixes().size());
    if (static_cast<std::uint64_t>(seekPosition * static_cast<std::uint32_t>(fixCount - 1) / seekMaximum) < fixCount) {
        update.hdop = formatText("%.1f", fix.hdop);
        update.satellites = formatText("%d", fix.satellitesInUse);
    }
    if (const auto at = signedPosition(fix)) {
        update.latitude = at->latitude;
        update.longitude = at->longitude;
    }
    return update;
}

std::optional<MapPosition> mapPositionAt(const TelemetryTrack& track, std::int64_t seekMaximum, std::int64_t seekPosition)
{
    const auto n = static_cast<std::int64_t>(track.sampleCount());
    if (n == 0 || seekMaximum <= 0 || seekPosition < 0)
        return std::nullopt;
    const GpsFix* fix = track.fixAt(seekPosition * (n - 1) / seekMaximum);
    return fix != nullptr ? signedPosition(*fix) : std::nullopt;
}

std::string startSpeedText(bool milesPerHour) { return milesPerHour ? "0 Mi/h" : "0 Km/h"; }

} // namespace dravonix
