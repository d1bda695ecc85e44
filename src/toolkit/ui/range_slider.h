#pragma once
// The two-thumb slider: a groove split in three coloured parts by two thumbs.
// Every new position of a thumb is reported while it is dragged (moved), and
// letting go is reported on its own (released). The arrow keys move the thumb
// last taken to the next step, Home and End to the ends, Tab from the first
// thumb to the second; each key counts as a move and a release.

#include "toolkit/range_slider_model.h"

#include <QColor>
#include <QWidget>

#include <array>
#include <optional>

namespace dravonix {

class RangeSlider : public QWidget {
    Q_OBJECT
public:
    explicit RangeSlider(QWidget* parent = nullptr);

    RangeSliderModel& model() { return model_; }
    int first() const { return model_.first(); }
    int second() const { return model_.second(); }
    void setPositions(int first, int second);
    // The colours of the three parts, left to right.
    void setPartColours(const std::array<QColor, 3>& colours);

    QSize sizeHint() const override { return {380, 27}; }

signals:
    void moved();
    void released();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void moveTo(RangeSliderModel::Thumb thumb, int value);

    RangeSliderModel model_;
    std::optional<RangeSliderModel::Thumb> held_;
    RangeSliderModel::Thumb focusThumb_ = RangeSliderModel::First;
    std::array<QColor, 3> colours_{QColor(0x2f, 0x80, 0xed), QColor(0xf2, 0x99, 0x4a), QColor(0xeb, 0x57, 0x57)};
};

} // namespace dravonix
