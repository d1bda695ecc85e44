#include "telemetry/telemetry_track.h"

#include <algorithm>
#include <cstring>

namespace dravonix {

void TelemetryTrack::clear()
{
    samples_.clear();
    fixes_.clear();
    current_ = GpsFix{};
}

void TelemetryTrack::truncate(std::size_t samples)
{
    if (samples >= samples_.size())
        return;
    samples_.resize(samples);
    fixes_.resize(samples);
    current_ = samples == 0 ? GpsFix{} : fixes_.back();
}

void TelemetryTrack::appendSample(std::int32_t rawX, std::int32_t rawY, std::int32_t rawZ,
                                  char unitMarker, std::span<const char, kNmeaTextSize> text)
{
    TelemetrySample sample;
    sample.accelX = static_cast<float>(rawX) / 256.0f;
    sample.accelY = static_cast<float>(rawY) / 256.0f;
    sample.accelZ = static_cast<float>(rawZ) / 256.0f;
    sample.speedUnitMarker = unitMarker;
    std::memcpy(sample.nmeaText.data(), text.data(), kNmeaTextSize);
    samples_.push_back(sample);

    decoder_.decode(text, current_);
    fixes_.push_back(current_);
}

void TelemetryTrack::reserve(std::size_t samples)
{
    samples_.reserve(samples);
    fixes_.reserve(samples);
}

std::int64_t TelemetryTrack::sampleSpan() const
{
    return samples_.size() > 1 ? static_cast<std::int64_t>(samples_.size()) - 1 : 1;
}

std::int64_t TelemetryTrack::proportion(std::int64_t positionMs, std::int64_t lengthMs,
                                        std::int64_t span) const
{
    if (lengthMs <= 0 || samples_.empty())
        return 0;
    const std::int64_t position = std::clamp<std::int64_t>(positionMs, 0, lengthMs);
    const auto index = static_cast<std::int64_t>(static_cast<long double>(position) * span / lengthMs);
    // Exact integer arithmetic whenever the product fits, which is always in practice.
    if (span == 0 || position <= INT64_MAX / span)
        return std::min<std::int64_t>(position * span / lengthMs, static_cast<std::int64_t>(samples_.size()) - 1);
    return std::min<std::int64_t>(index, static_cast<std::int64_t>(samples_.size()) - 1);
}

std::int64_t TelemetryTrack::sampleIndexAt(std::int64_t positionMs, std::int64_t lengthMs) const
{
    return proportion(positionMs, lengthMs, static_cast<std::int64_t>(samples_.size()) - 1);
}

std::int64_t TelemetryTrack::sampleIndexForSlider(std::int64_t positionMs, std::int64_t lengthMs) const
{
    return proportion(positionMs, lengthMs, sampleSpan());
}

const TelemetrySample* TelemetryTrack::sampleAt(std::int64_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= samples_.size())
        return nullptr;
    return &samples_[static_cast<std::size_t>(index)];
}

const GpsFix* TelemetryTrack::fixAt(std::int64_t index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= fixes_.size())
        return nullptr;
    return &fixes_[static_cast<std::size_t>(index)];
}

} // namespace dravonix
