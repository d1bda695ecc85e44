#include "toolkit/slider_model.h"

#include <algorithm>

namespace dravonix {

void SliderModel::setRange(std::int64_t minimum, std::int64_t maximum)
{
    minimum_ = minimum;
    maximum_ = maximum;
    position_ = minimum;
}

void SliderModel::setPosition(std::int64_t value)
{
    const std::int64_t low = std::min(minimum_, maximum_);
    const std::int64_t high = std::max(minimum_, maximum_);
    position_ = std::clamp(minimum_ + value, low, high);
}

bool SliderModel::positionForPointer(int x, int width, std::int64_t& out) const
{
    const int usable = width - kThumbWidth;
    if (usable <= 0 || maximum_ == 0)
        return false;
    int b = std::min(usable, x - 6);
    if (b < 1)
        b = 0;
    out = static_cast<std::int64_t>(b) * maximum_ / usable;
    return true;
}

int SliderModel::thumbLeftAt(std::int64_t value, int width) const
{
    const int usable = width - kThumbWidth;
    const std::int64_t span = maximum_ - minimum_;
    if (usable <= 0 || span <= 0)
        return 0;
    value = std::clamp(value, minimum_, maximum_);
    return static_cast<int>((value - minimum_) * usable / span);
}

} // namespace dravonix
