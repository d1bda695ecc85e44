#pragma once
// The painted slider of the seek bar and the volume: a groove, a fill up to
// the thumb and a colour-keyed thumb picture. Pressing takes the position at
// once, dragging follows every 50 ms, and only the release is reported.

#include "toolkit/slider_model.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

namespace dravonix {

class SkinSlider : public QWidget {
    Q_OBJECT
public:
    SkinSlider(SliderModel& model, QWidget* parent = nullptr);
    void setPictures(const QPixmap& thumb, const QPixmap& fill);
    // Ticks drawn at these positions of the range (events on a seek bar); none by default.
    void setMarks(std::vector<std::int64_t> positions);
    const std::vector<std::int64_t>& marks() const { return marks_; }
    // The in and out marks of a range (an export's): brackets, and the
    // stretch between them shaded; either may be missing.
    void setRangeMarks(std::optional<std::int64_t> in, std::optional<std::int64_t> out);
    std::optional<std::int64_t> rangeIn() const { return rangeIn_; }
    std::optional<std::int64_t> rangeOut() const { return rangeOut_; }

signals:
    void released(); // the one notification: the button came up after a press
    void moved();    // the thumb moved under the pointer (for repainting others)

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void takePointer(int x);

    SliderModel& model_;
    QPixmap thumb_;
    QPixmap fill_;
    QTimer follow_;
    int lastX_ = 0;
    std::vector<std::int64_t> marks_;
    std::optional<std::int64_t> rangeIn_;
    std::optional<std::int64_t> rangeOut_;
};

} // namespace dravonix
