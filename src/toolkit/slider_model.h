#pragma once
// The value side of the painted sliders (seek bar, volume): a signed 64-bit
// range and position, and the pointer-to-position rule, kept apart from the
// painting so that tests can check the mapping.

#include <cstdint>

namespace dravonix {

class SliderModel {
public:
    static constexpr int kThumbWidth = 13;

    std::int64_t minimum() const { return minimum_; }
    std::int64_t maximum() const { return maximum_; }
    // An empty range reads 0.
    std::int64_t position() const { return minimum_ == maximum_ ? 0 : position_; }
    bool enabled() const { return enabled_; }
    bool held() const { return held_; }

    // Sets minimum, maximum and position (= minimum) at once.
    void setRange(std::int64_t minimum, std::int64_t maximum);
    // minimum + value, clamped to the range.
    void setPosition(std::int64_t value);
    void setEnabled(bool on) { enabled_ = on; }
    void setHeld(bool held) { held_ = held; }

    // The position for a pointer at x in a slider `width` pixels wide, or
    // false when it leaves the position alone (no room, or a maximum of 0).
    bool positionForPointer(int x, int width, std::int64_t& out) const;
    // The thumb's left edge for the current position, and for any value.
    int thumbLeft(int width) const { return thumbLeftAt(position(), width); }
    int thumbLeftAt(std::int64_t value, int width) const;

private:
    std::int64_t minimum_ = 0;
    std::int64_t maximum_ = 1;
    std::int64_t position_ = 0;
    bool enabled_ = true;
    bool held_ = false;
};

} // namespace dravonix
