#pragma once
// The value side of the two-thumb slider that splits the card between the
// recording kinds: two positions from 0 to 100, the first never past the
// second, that the user moves in steps of 5. The pointer-to-value mapping is
// kept here, apart from the painting, so that tests can check it.

namespace dravonix {

class RangeSliderModel {
public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;
    static constexpr int kStep = 5;
    static constexpr int kThumbWidth = 11;
    enum Thumb { First = 0, Second = 1 };

    int first() const { return first_; }
    int second() const { return second_; }
    int position(Thumb thumb) const { return thumb == First ? first_ : second_; }

    // Places both thumbs as a record holds them: clamped into the range and
    // put in order, but not snapped to a step, so that reading a record and
    // writing it back changes nothing.
    void setPositions(int first, int second);

    // The step nearest to a pointer at x in a slider `width` pixels wide.
    static int valueForPointer(int x, int width);
    // The x of a thumb's centre at `value`.
    static int centreForValue(int value, int width);

    // The thumb that a press at x takes: the nearer one; where both sit on
    // the same spot, the one that can move toward the pointer.
    Thumb thumbForPress(int x, int width) const;
    // Moves a thumb to `value`, stopped at the other thumb and the range's
    // ends. True when its position changed.
    bool moveThumb(Thumb thumb, int value);

private:
    int first_ = 0;
    int second_ = kMaximum;
};

} // namespace dravonix
