#include "toolkit/ui/skin_slider.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace dravonix {

SkinSlider::SkinSlider(SliderModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setCursor(Qt::PointingHandCursor);
    follow_.setInterval(50);
    connect(&follow_, &QTimer::timeout, this, [this] { takePointer(lastX_); });
}

void SkinSlider::setPictures(const QPixmap& thumb, const QPixmap& fill)
{
    thumb_ = thumb;
    if (!thumb_.isNull()) // magenta is the colour key of the thumb picture
        thumb_.setMask(thumb_.createMaskFromColor(QColor(0xFF, 0x00, 0xFF)));
    fill_ = fill;
    update();
}

void SkinSlider::setMarks(std::vector<std::int64_t> positions)
{
    marks_ = std::move(positions);
    update();
}

void SkinSlider::setRangeMarks(std::optional<std::int64_t> in, std::optional<std::int64_t> out)
{
    if (in == rangeIn_ && out == rangeOut_)
        return;
    rangeIn_ = in;
    rangeOut_ = out;
    update();
}

void SkinSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int h = height();
    const QRectF groove(1, h / 2.0 - 2.5, width() - 2, 5);
    p.setPen(QColor(0x0b, 0x0c, 0x0e));
    p.setBrush(QColor(0x2c, 0x31, 0x39));
    p.drawRoundedRect(groove, 2.5, 2.5);
    const int thumbLeft = model_.thumbLeft(width());
    if (model_.enabled() && thumbLeft > 0) {
        const QRectF done(groove.left(), groove.top(), thumbLeft + SliderModel::kThumbWidth / 2.0, groove.height());
        if (fill_.isNull())
            p.fillRect(done, QColor(0x3d, 0x9b, 0xff));
        else
            p.drawPixmap(done, fill_, QRectF(0, 4, done.width(), 5));
    }
    if (rangeIn_ || rangeOut_) {
        const auto xOf = [this](std::int64_t position) {
            return model_.thumbLeftAt(position, width()) + SliderModel::kThumbWidth / 2.0;
        };
        const double from = rangeIn_ ? xOf(*rangeIn_) : groove.left();
        const double to = rangeOut_ ? xOf(*rangeOut_) : groove.right();
        p.fillRect(QRectF(from, 0, std::max(0.0, to - from), h), QColor(0xff, 0xff, 0xff, 0x38));
        p.setPen(QPen(QColor(0x5c, 0xe1, 0xe6), 2));
        if (rangeIn_)
            p.drawPolyline(QPolygonF({QPointF(from + 3, 0.5), QPointF(from, 0.5), QPointF(from, h - 0.5), QPointF(from + 3, h - 0.5)}));
        if (rangeOut_)
            p.drawPolyline(QPolygonF({QPointF(to - 3, 0.5), QPointF(to, 0.5), QPointF(to, h - 0.5), QPointF(to - 3, h - 0.5)}));
    }
    if (!marks_.empty()) {
        // Across the groove, under the thumb: the thumb covers the mark it is on.
        p.setPen(QPen(QColor(0xff, 0xaa, 0x00), 2));
        for (const std::int64_t mark : marks_) {
            const double x = model_.thumbLeftAt(mark, width()) + SliderModel::kThumbWidth / 2.0;
            p.drawLine(QPointF(x, 0), QPointF(x, h));
        }
    }
    if (!thumb_.isNull()) {
        if (!model_.enabled())
            p.setOpacity(0.4);
        p.drawPixmap(thumbLeft, (h - thumb_.height()) / 2, thumb_);
    }
}

void SkinSlider::takePointer(int x)
{
    std::int64_t position = 0;
    if (model_.positionForPointer(x, width(), position)) {
        model_.setPosition(position);
        update();
        emit moved();
    }
}

void SkinSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || model_.held() || !model_.enabled())
        return;
    lastX_ = event->position().toPoint().x();
    takePointer(lastX_);
    model_.setHeld(true);
    follow_.start();
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (model_.held())
        lastX_ = event->position().toPoint().x();
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !model_.held())
        return;
    follow_.stop();
    model_.setHeld(false);
    takePointer(event->position().toPoint().x());
    emit released();
}

} // namespace dravonix
