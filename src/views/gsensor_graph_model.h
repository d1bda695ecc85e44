#pragma once
// What the G-sensor graph draws, as numbers: the paging of the samples over
// the plot, the trace points, the cursor and the value texts. The widget
// only paints these.

#include "telemetry/telemetry_track.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dravonix {

struct GraphPoint {
    int x, y;
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

    enum class Axis { X, Y, Z };
    // The polyline of one trace: the origin, then one point per sample of the page.
    std::vector<GraphPoint> trace(Axis axis) const;
    int cursorX() const;
    // "X=%+.2f" and the like, for the current sample (0 beyond the samples).
    std::string valueText(Axis axis) const;

private:
    const TelemetryTrack& track_;
    std::int64_t samplesPerPage_ = 600;
    std::int64_t page_ = 0;
    std::int64_t pageCount_ = 0;
    std::int64_t current_ = 0;
};

} // namespace dravonix
