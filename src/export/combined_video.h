#pragma once
// Front and rear in one H.264 picture, side by side or the rear as an inset,
// with an optional line of text burned in and the front's sound copied.

#include "toolkit/error.h"
#include "toolkit/expected.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dravonix {

enum class CombinedLayout { SideBySide, Inset };

// Text shown from `fromMs` of the clip on, until the next line's time.
struct OverlayLine {
    std::int64_t fromMs = 0;
    std::string text;
};

struct CombinedOptions {
    CombinedLayout layout = CombinedLayout::SideBySide;
    std::vector<OverlayLine> overlay; // none: no text
};

struct CombinedStats {
    std::int64_t frames = 0;
    double encodeSeconds = 0.0; // wall time of decoding, composing and encoding
};

// Reads the front and rear clips (the rear may be empty: a black picture
// stands in), writes `outPath`. Rear pictures are matched to the front's by
// time, the latest one not after each front picture.
Expected<CombinedStats, Error> encodeCombined(const std::string& frontClip, const std::string& rearClip,
                                              const std::string& outPath, const CombinedOptions& options,
                                              const std::atomic<bool>& cancel,
                                              const std::function<void(double)>& progress);

// The filter graph from the two inputs ("front", "rear") to "out" for a layout.
std::string combinedFilterGraph(CombinedLayout layout, bool overlay, const std::string& fontFile);

// Text made safe for an option value of a filter command.
std::string escapedFilterValue(const std::string& text);

} // namespace dravonix
