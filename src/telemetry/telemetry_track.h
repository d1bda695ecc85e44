#pragma once
// Everything read from the telemetry track of the open recording, and the
// proportional mapping from a playback position to a sample.

#include "telemetry/gps_fix.h"
#include "telemetry/record_text_decoder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace dravonix {

inline constexpr std::size_t kNmeaTextSize = 128;

struct TelemetrySample {
    float accelX = 0.0f; // g: the raw integer / 256
    float accelY = 0.0f;
    float accelZ = 0.0f;
    char speedUnitMarker = 0; // '1' selects mi/h
    std::array<char, kNmeaTextSize> nmeaText{};

    bool usesMilesPerHour() const { return speedUnitMarker == '1'; }
};

// Calls `onSentence` for every complete "$G..." sentence of one record's text.
// A sentence ends at CR, LF or a zero byte; text after the last terminator is
// dropped, since sentences never continue into the next record.
template <typename OnSentence>
void forEachSentence(std::span<const char> text, OnSentence&& onSentence)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '$') {
            start = i;
        } else if (c == '\0' || c == '\n' || c == '\r') {
            if (i - start >= 2 && text[start] == '$' && text[start + 1] == 'G')
                onSentence(std::string_view(text.data() + start, i - start));
            start = i + 1;
        }
    }
}

class TelemetryTrack {
public:
    void clear();
    void reserve(std::size_t samples);
    // Drops the samples from `samples` on, as if they had never been appended.
    void truncate(std::size_t samples);

    // One record: acceleration as raw integers, the unit marker and the GPS
    // text, whose sentences are decoded at once. The sample's fix is the
    // running fix after all of its sentences (the previous one carried
    // forward when it has none), so fixAt(i) always belongs to sample i.
    void appendSample(std::int32_t rawX, std::int32_t rawY, std::int32_t rawZ, char unitMarker,
                      std::span<const char, kNmeaTextSize> text);

    std::size_t sampleCount() const { return samples_.size(); }
    std::int64_t sampleSpan() const;

    // position x (N - 1) / length, truncated; position is clamped to the
    // media so the index never leaves the samples. 0 without samples.
    std::int64_t sampleIndexAt(std::int64_t positionMs, std::int64_t lengthMs) const;
    // The same proportion over sampleSpan(), for the position slider.
    std::int64_t sampleIndexForSlider(std::int64_t positionMs, std::int64_t lengthMs) const;

    const TelemetrySample* sampleAt(std::int64_t index) const;
    const GpsFix* fixAt(std::int64_t index) const;

    const std::vector<TelemetrySample>& samples() const { return samples_; }
    const std::vector<GpsFix>& fixes() const { return fixes_; }
    const GpsFix& current() const { return current_; }

private:
    std::int64_t proportion(std::int64_t positionMs, std::int64_t lengthMs, std::int64_t span) const;

    std::vector<TelemetrySample> samples_;
    std::vector<GpsFix> fixes_;
    GpsFix current_;
    RecordTextDecoder decoder_;
};

} // namespace dravonix
