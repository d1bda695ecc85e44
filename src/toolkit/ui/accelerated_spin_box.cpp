#include "toolkit/ui/accelerated_spin_box.h"

#include <algorithm>

namespace dravonix {

AcceleratedSpinBox::AcceleratedSpinBox(StepForHeld step, QWidget* parent) : QSpinBox(parent), step_(std::move(step)) {}

void AcceleratedSpinBox::stepBy(int steps)
{
    // Auto-repeat steps come well within this; a longer pause starts anew.
    constexpr qint64 kRepeatGap = 250;
    if (!sinceLastStep_.isValid() || sinceLastStep_.elapsed() > kRepeatGap)
        held_.start();
    sinceLastStep_.start();
    QSpinBox::stepBy(steps * std::max(1, step_(static_cast<int>(held_.elapsed()))));
}

} // namespace dravonix
