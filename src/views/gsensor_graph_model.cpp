#include "views/gsensor_graph_model.h"

#include "toolkit/text_format.h"

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

std::vector<GraphPoint> GSensorGraphModel::trace(Axis axis) const
{
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
    return kOriginX + static_cast<int>((current_ - page_ * samplesPerPage_) * kPlotWidth / samplesPerPage_);
}

std::string GSensorGraphModel::valueText(Axis axis) const
{
    const char* name = axis == Axis::X ? "X" : (axis == Axis::Y ? "Y" : "Z");
    const TelemetrySample* s = track_.sampleAt(current_);
    const double value = s != nullptr ? valueOf(*s, axis) : 0.0;
    return formatText("%s=%+.2f", name, value);
}

} // namespace dravonix
