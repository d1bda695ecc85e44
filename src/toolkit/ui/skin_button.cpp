#include "toolkit/ui/skin_button.h"

#include <QPainter>

namespace dravonix {

SkinButton::SkinButton(QWidget* parent) : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SkinButton::setStrip(const QPixmap& strip, int frames)
{
    strip_ = strip;
    frames_ = std::max(1, frames);
    update();
}

void SkinButton::setSelected(bool selected)
{
    selected_ = selected;
    update();
}

QSize SkinButton::sizeHint() const
{
    return strip_.isNull() ? QSize(24, 24) : QSize(strip_.width() / frames_, strip_.height());
}

int SkinButton::frameIndex() const
{
    if (frames_ == 2)
        return selected_ ? 0 : 1;
    if (frames_ < 3)
        return 0;
    if (isDown() || isChecked()) // a switch that is on stays pressed
        return 2;
    return hot_ && isEnabled() ? 1 : 0;
}

void SkinButton::paintEvent(QPaintEvent*)
{
    if (strip_.isNull())
        return; // a picture that can't be loaded leaves the button blank
    QPainter p(this);
    const int w = strip_.width() / frames_;
    if (!isEnabled())
        p.setOpacity(0.45);
    p.drawPixmap(rect(), strip_, QRect(frameIndex() * w, 0, w, strip_.height()));
}

void SkinButton::enterEvent(QEnterEvent*)
{
    hot_ = true;
    update();
}

void SkinButton::leaveEvent(QEvent*)
{
    hot_ = false;
    update();
}

} // namespace dravonix
