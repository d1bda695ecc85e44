#include "toolkit/range_slider_model.h"

#include <algorithm>
#include <cstdlib>

namespace dravonix {
namespace {

int usableWidth(int width) { return std::max(1, width - RangeSliderModel::kThumbWidth); }

} // namespace

void RangeSliderModel::setPositions(int first, int second)
{
    first_ = std::clamp(first, kMinimum, kMaximum);
    second_ = std::clamp(second, first_, kMaximum);
}

int RangeSliderModel::valueForPointer(int x, int width)
{
    const int usable = usableWidth(width);
    const int along = std::clamp(x - kThumbWidth / 2, 0, usable);
    // Nearest step, rounding halves up: the pointer picks what it is over.
    const int scaled = along * (kMaximum - kMinimum);
    const int steps = (2 * scaled + usable * kStep) / (2 * usable * kStep);
    return std::clamp(kMinimum + steps * kStep, kMinimum, kMaximum);
}

int RangeSliderModel::centreForValue(int value, int width)
{
    const int clamped = std::clamp(value, kMinimum, kMaximum);
    return kThumbWidth / 2 + (clamped - kMinimum) * usableWidth(width) / (kMaximum - kMinimum);
}

RangeSliderModel::Thumb RangeSliderModel::thumbForPress(int x, int width) const
{
    const int firstX = centreForValue(first_, width);
    const int secondX = centreForValue(second_, width);
    if (first_ == second_)
        return x < firstX ? First : Second;
    return std::abs(x - firstX) <= std::abs(x - secondX) ? First : Second;
}

bool RangeSliderModel::moveThumb(Thumb thumb, int value)
{
    int& moving = thumb == First ? first_ : second_;
    const int low = thumb == First ? kMinimum : first_;
    const int high = thumb == First ? second_ : kMaximum;
    const int target = std::clamp(value, low, high);
    if (target == moving)
        return false;
    moving = target;
    return true;
}

} // namespace dravonix
