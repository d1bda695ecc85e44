#pragma once
// A spin box whose step grows while an arrow is held: the step function gets
// the milliseconds since the held arrow's first step.

#include <QElapsedTimer>
#include <QSpinBox>

#include <functional>

namespace dravonix {

class AcceleratedSpinBox : public QSpinBox {
    Q_OBJECT
public:
    using StepForHeld = std::function<int(int heldMilliseconds)>;
    AcceleratedSpinBox(StepForHeld step, QWidget* parent = nullptr);
    void stepBy(int steps) override;

private:
    StepForHeld step_;
    QElapsedTimer sinceLastStep_;
    QElapsedTimer held_;
};

} // namespace dravonix
