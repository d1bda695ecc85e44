#include "views/gsensor_graph_model.h"

#include "toolkit/text_format.h"

#include <algorithm>

namespace dravonix {
namespace {

float valueOf(const TelemetrySample& s, GSensorGraphModel::Axis axis)
{
    switch (axis) {
    case GSensorGraphModel::Axis::X: return s.accelX;
    case GSensorGraphModel::Axis::Y: return s.accelY;
    case GSensorGraphModel::Axis::Z: return s.accelZ;
    }
    return 0.0f;
}

// value x 20 in single precision, truncated, without overflowing on garbage.
int pixelsFor(float value)
{
    const float scaled = value * 20.0f;
    if (!(scaled == scaled))
        return 0;
    if (scaled > 1e6f)
        return 1000000;
    if (scaled < -1e6f)
        return -1000000;
    return static_cast<int>(scaled);
}

} // namespace

void GSensorGraphModel::reset()
{
    const auto n = static_cast<std::int64_t>(track_.sampleCount());
    samplesPerPage_ = n + 1 == 0 ? 1 : n + 1;
    pageCount_ = n / samplesPerPage_ + (n % samplesPerPage_ != 0 ? 1 : 0);
    setCurrentSample(0);
}

void GSensorGraphModel::setCurrentSample(std::int64_t sample)
{
    current_ = sample;
    page_ = sample / samplesPerPage_;
}

void GSensorGraphModel::showWindow(std::vector<TimedAcceleration> samples, std::int64_t lengthMs,
                                   std::vector<std::int64_t> marks, std::int64_t spanMs)
{
    windowed_ = true;
    window_ = std::move(samples);
    marks_ = std::move(marks);
    lengthMs_ = std::max<std::int64_t>(lengthMs, 0);
    spanMs_ = std::max<std::int64_t>(spanMs, 1000);
    cursorMs_ = std::clamp<std::int64_t>(cursorMs_, 0, lengthMs_);
}

void GSensorGraphModel::setCursorTime(std::int64_t ms) { cursorMs_ = std::clamp<std::int64_t>(ms, 0, lengthMs_); }

void GSensorGraphModel::leaveWindow()
{
    windowed_ = false;
    window_.clear();
    marks_.clear();
    lengthMs_ = cursorMs_ = 0;
}

std::int64_t GSensorGraphModel::windowStart() const
{
    const std::int64_t span = windowSpan();
    const std::int64_t latest = std::max<std::int64_t>(0, lengthMs_ - span);
    return std::clamp<std::int64_t>(cursorMs_ - span / 2, 0, latest);
}

int GSensorGraphModel::windowX(std::int64_t ms) const
{
    return kOriginX + static_cast<int>((ms - windowStart()) * kPlotWidth / windowSpan());
}

std::vector<int> GSensorGraphModel::markXs() const
{
    std::vector<int> xs;
    const std::int64_t from = windowStart();
    for (const std::int64_t mark : marks_)
        if (mark >= from && mark <= from + windowSpan())
            xs.push_back(windowX(mark));
    return xs;
}

const TimedAcceleration* GSensorGraphModel::windowSampleAtCursor() const
{
    const auto after = std::upper_bound(window_.begin(), window_.end(), cursorMs_,
                                        [](std::int64_t t, const TimedAcceleration& s) { return t < s.ms; });
    return after == window_.begin() ? nullptr : &*(after - 1);
}

std::vector<GraphPoint> GSensorGraphModel::trace(Axis axis) const
{
    if (windowed_) {
        // The samples inside the window; the traces start at the first of them.
        std::vector<GraphPoint> points;
        const std::int64_t from = windowStart();
        const auto first = std::lower_bound(window_.begin(), window_.end(), from,
                                            [](const TimedAcceleration& s, std::int64_t t) { return s.ms < t; });
        const auto last = std::upper_bound(window_.begin(), window_.end(), from + windowSpan(),
                                           [](std::int64_t t, const TimedAcceleration& s) { return t < s.ms; });
        for (auto it = first; it != last; ++it) {
            const float value = it->g[static_cast<std::size_t>(axis)];
            points.push_back({windowX(it->ms), kOriginY - pixelsFor(value)});
        }
        return points;
    }
    std::vector<GraphPoint> points{{kOriginX, kOriginY}};
    const auto n = static_cast<std::int64_t>(track_.sampleCount());
    const auto perPage = static_cast<std::uint64_t>(samplesPerPage_);
    for (std::int64_t k = 0; k < samplesPerPage_ && page_ * samplesPerPage_ + k < n; ++k) {
        const TelemetrySample& s = track_.samples()[static_cast<std::size_t>(page_ * samplesPerPage_ + k)];
        const auto x = static_cast<int>(static_cast<std::uint64_t>(k) * kPlotWidth / perPage);
        points.push_back({kOriginX + x, kOriginY - pixelsFor(valueOf(s, axis))});
    }
    return points;
}

int GSensorGraphModel::cursorX() const
{
    if (windowed_)
        return windowX(cursorMs_);
    return kOriginX + static_cast<int>((current_ - page_ * samplesPerPage_) * kPlotWidth / samplesPerPage_);
}

std::string GSensorGraphModel::valueText(Axis axis) const
{
    const char* name = axis == Axis::X ? "X" : (axis == Axis::Y ? "Y" : "Z");
    double value = 0.0;
    if (windowed_) {
        if (const TimedAcceleration* s = windowSampleAtCursor())
            value = s->g[static_cast<std::size_t>(axis)];
    } else if (const TelemetrySample* s = track_.sampleAt(current_)) {
        value = valueOf(*s, axis);
    }
    return formatText("%s=%+.2f", name, value);
}

} // namespace dravonix
