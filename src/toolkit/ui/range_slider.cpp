#include "toolkit/ui/range_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace dravonix {

RangeSlider::RangeSlider(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void RangeSlider::setPositions(int first, int second)
{
    model_.setPositions(first, second);
    update();
}

void RangeSlider::setPartColours(const std::array<QColor, 3>& colours)
{
    colours_ = colours;
    update();
}

void RangeSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int mid = height() / 2;
    const int firstX = RangeSliderModel::centreForValue(model_.first(), w);
    const int secondX = RangeSliderModel::centreForValue(model_.second(), w);
    const int left = RangeSliderModel::centreForValue(RangeSliderModel::kMinimum, w);
    const int right = RangeSliderModel::centreForValue(RangeSliderModel::kMaximum, w);

    // Ticks every 10 under the groove.
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    for (int v = RangeSliderModel::kMinimum; v <= RangeSliderModel::kMaximum; v += 10) {
        const int x = RangeSliderModel::centreForValue(v, w);
        p.drawLine(x, mid + 5, x, mid + (v % 50 == 0 ? 10 : 8));
    }

    const auto part = [&](int from, int to, const QColor& colour) {
        if (to > from)
            p.fillRect(QRect(from, mid - 3, to - from, 7), isEnabled() ? colour : colour.lighter(160));
    };
    part(left, firstX, colours_[0]);
    part(firstX, secondX, colours_[1]);
    part(secondX, right, colours_[2]);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(left - 0.5, mid - 3.5, right - left + 1, 8));

    const auto thumb = [&](int x, bool focused) {
        const QRectF box(x - RangeSliderModel::kThumbWidth / 2.0, mid - 10, RangeSliderModel::kThumbWidth, 20);
        p.setPen(QPen(focused && hasFocus() ? palette().color(QPalette::Highlight) : QColor(0x40, 0x40, 0x40), 1.2));
        p.setBrush(isEnabled() ? QColor(0xf4, 0xf4, 0xf4) : QColor(0xdd, 0xdd, 0xdd));
        p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        p.drawLine(QPointF(x, mid - 5), QPointF(x, mid + 5));
    };
    thumb(firstX, focusThumb_ == RangeSliderModel::First);
    thumb(secondX, focusThumb_ == RangeSliderModel::Second);
}

void RangeSlider::moveTo(RangeSliderModel::Thumb thumb, int value)
{
    if (model_.moveThumb(thumb, value)) {
        update();
        emit moved();
    }
}

void RangeSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || held_)
        return;
    const int x = event->position().toPoint().x();
    held_ = model_.thumbForPress(x, width());
    focusThumb_ = *held_;
    moveTo(*held_, RangeSliderModel::valueForPointer(x, width()));
    update();
}

void RangeSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (held_)
        moveTo(*held_, RangeSliderModel::valueForPointer(event->position().toPoint().x(), width()));
}

void RangeSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !held_)
        return;
    moveTo(*held_, RangeSliderModel::valueForPointer(event->position().toPoint().x(), width()));
    held_.reset();
    emit released();
}

void RangeSlider::keyPressEvent(QKeyEvent* event)
{
    constexpr int step = RangeSliderModel::kStep;
    const int at = model_.position(focusThumb_);
    int target = at;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: target = at > 0 ? (at - 1) / step * step : 0; break;
    case Qt::Key_Right:
    case Qt::Key_Up: target = (at / step + 1) * step; break;
    case Qt::Key_Home: target = RangeSliderModel::kMinimum; break;
    case Qt::Key_End: target = RangeSliderModel::kMaximum; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (held_)
        return;
    moveTo(focusThumb_, target);
    emit released();
}

bool RangeSlider::focusNextPrevChild(bool next)
{
    // Tab goes from the first thumb to the second before it leaves the slider.
    if (hasFocus() && next == (focusThumb_ == RangeSliderModel::First)) {
        focusThumb_ = next ? RangeSliderModel::Second : RangeSliderModel::First;
        update();
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

} // namespace dravonix
