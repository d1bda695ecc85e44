#pragma once
// What the G-sensor graph draws, as numbers: the paging of the samples over
// the plot, the trace points, the cursor and the value texts. The widget
// only paints these.

#include "telemetry/telemetry_track.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dravonix {

struct GraphPoint {
    int x, y;
};

// One sample of a stretch longer than a recording (a trip): its time on that
// stretch and the acceleration on the three axes.
struct TimedAcceleration {
    std::int64_t ms = 0;
    std::array<float, 3> g{};
};

class GSensorGraphModel {
public:
    static constexpr int kOriginX = 20;
    static constexpr int kOriginY = 50;
    static constexpr int kPlotWidth = 600;
    static constexpr int kScale = 20;

    explicit GSensorGraphModel(const TelemetryTrack& track) : track_(track) {}

    // Spreads the store's samples over the plot and puts the cursor at 0.
    void reset();
    void setCurrentSample(std::int64_t sample);
    std::int64_t currentSample() const { return current_; }
    std::int64_t samplesPerPage() const { return samplesPerPage_; }
    std::int64_t page() const { return page_; }
    std::int64_t pageCount() const { return pageCount_; }

    // A window of `spanMs` moving over a longer stretch (a trip of
    // `lengthMs`) instead of the recording's pages: the samples must be in
    // time order. The window keeps the cursor in its middle, except near the
    // stretch's ends, where it stops at them. Events are marked at `marks`.
    void showWindow(std::vector<TimedAcceleration> samples, std::int64_t lengthMs, std::vector<std::int64_t> marks,
                    std::int64_t spanMs = 60000);
    void setCursorTime(std::int64_t ms);
    void leaveWindow(); // back to the recording's own samples
    bool windowShown() const { return windowed_; }
    std::int64_t cursorTime() const { return cursorMs_; }
    std::int64_t windowStart() const;
    // A stretch shorter than the window fills the plot.
    std::int64_t windowSpan() const { return std::min(spanMs_, std::max<std::int64_t>(lengthMs_, 1000)); }
    // The x of each mark inside the window.
    std::vector<int> markXs() const;

    enum class Axis { X, Y, Z };
    // The polyline of one trace: the origin, then one point per sample of the page.
    std::vector<GraphPoint> trace(Axis axis) const;
    int cursorX() const;
    // "X=%+.2f" and the like, for the current sample (0 beyond the samples).
    std::string valueText(Axis axis) const;

private:
    int windowX(std::int64_t ms) const;
    // The window's sample at the cursor: the last one at or before it.
    const TimedAcceleration* windowSampleAtCursor() const;

    const TelemetryTrack& track_;
    bool windowed_ = false;
    std::vector<TimedAcceleration> window_;
    std::vector<std::int64_t> marks_;
    std::int64_t lengthMs_ = 0;
    std::int64_t spanMs_ = 60000;
    std::int64_t cursorMs_ = 0;
    std::int64_t samplesPerPage_ = 600;
    std::int64_t page_ = 0;
    std::int64_t pageCount_ = 0;
    std::int64_t current_ = 0;
};

} // namespace dravonix
