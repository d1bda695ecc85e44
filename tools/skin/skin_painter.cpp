#include "skin_painter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <functional>

namespace dravonix::skin {
namespace {

const QColor kIcon(0xc9, 0xcf, 0xd8);
const QColor kIconHot(0xff, 0xff, 0xff);
const QColor kAccent(0x3d, 0x9b, 0xff);
const QColor kPanel(0x1b, 0x1e, 0x23);
const QColor kEdge(0x0b, 0x0c, 0x0e);
const QColor kHighlight(0x39, 0x3f, 0x48);

enum class Frame { Normal, Hot, Pressed };

using IconPainter = std::function<void(QPainter&, QRectF, QColor)>;

QImage transparent(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont font(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// A strip of three frames (normal, hot, pressed) of one button.
QImage buttonStrip(int w, int h, const IconPainter& icon, bool roundBackground = true)
{
    QImage strip = transparent(3 * w, h);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 3; ++i) {
        const auto frame = static_cast<Frame>(i);
        const QRectF cell(i * w, 0, w, h);
        if (roundBackground && frame != Frame::Normal) {
            QLinearGradient g(cell.topLeft(), cell.bottomLeft());
            g.setColorAt(0, frame == Frame::Hot ? QColor(0x3a, 0x42, 0x4e) : QColor(0x16, 0x1a, 0x20));
            g.setColorAt(1, frame == Frame::Hot ? QColor(0x2a, 0x30, 0x39) : QColor(0x22, 0x28, 0x30));
            p.setPen(QPen(frame == Frame::Hot ? kAccent.darker(140) : kEdge, 1));
            p.setBrush(g);
            p.drawRoundedRect(cell.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        }
        const QRectF area = cell.adjusted(3, 3, -3, -3).translated(frame == Frame::Pressed ? QPointF(0, 1) : QPointF());
        icon(p, area, frame == Frame::Normal ? kIcon : (frame == Frame::Hot ? kIconHot : kAccent));
    }
    return strip;
}

QRectF centred(QRectF area, qreal size)
{
    const qreal s = std::min({size, area.width(), area.height()});
    return QRectF(area.center().x() - s / 2, area.center().y() - s / 2, s, s);
}

void fillPath(QPainter& p, const QPainterPath& path, QColor c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(path);
}

IconPainter triangle(bool right, int count = 1)
{
    return [=](QPainter& p, QRectF area, QColor c) {
        const QRectF r = centred(area, 14);
        QPainterPath path;
        const qreal w = r.width() / count;
        for (int i = 0; i < count; ++i) {
            const qreal x0 = r.left() + i * w;
            if (right) {
                path.moveTo(x0, r.top());
                path.lineTo(x0 + w, r.center().y());
                path.lineTo(x0, r.bottom());
            } else {
                path.moveTo(x0 + w, r.top());
                path.lineTo(x0, r.center().y());
                path.lineTo(x0 + w, r.bottom());
            }
            path.closeSubpath();
        }
        fillPath(p, path, c);
    };
}

void pauseIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(r.left() + 1, r.top(), 4, r.height()), 1, 1);
    p.drawRoundedRect(QRectF(r.right() - 5, r.top(), 4, r.height()), 1, 1);
}

IconPainter sign(bool plus)
{
    return [=](QPainter& p, QRectF area, QColor c) {
        const QRectF r = centred(area, 10);
        p.setPen(QPen(c, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
        if (plus)
            p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    };
}

void closeIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 11);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

void minimizeIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 11);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.left(), r.bottom() - 1), QPointF(r.right(), r.bottom() - 1));
}

void maximizeIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 11);
    p.setPen(QPen(c, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
    p.drawLine(QPointF(r.left(), r.top() + 2), QPointF(r.right(), r.top() + 2));
}

void fullscreenIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 18);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal k = 6;
    p.drawPolyline(QPolygonF({r.topLeft() + QPointF(0, k), r.topLeft(), r.topLeft() + QPointF(k, 0)}));
    p.drawPolyline(QPolygonF({r.topRight() + QPointF(-k, 0), r.topRight(), r.topRight() + QPointF(0, k)}));
    p.drawPolyline(QPolygonF({r.bottomLeft() + QPointF(0, -k), r.bottomLeft(), r.bottomLeft() + QPointF(k, 0)}));
    p.drawPolyline(QPolygonF({r.bottomRight() + QPointF(-k, 0), r.bottomRight(), r.bottomRight() + QPointF(0, -k)}));
}

void swapIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::NoBrush);
    // A large and a small screen with arrows between them.
    p.setPen(QPen(c, 1.6));
    p.drawRoundedRect(QRectF(r.left(), r.top() + 1, 12, 9), 1.5, 1.5);
    p.drawRoundedRect(QRectF(r.right() - 8, r.bottom() - 7, 8, 6), 1, 1);
    QPainterPath arrow;
    arrow.moveTo(r.left() + 14, r.top() + 4);
    arrow.quadTo(r.right() - 2, r.top() + 4, r.right() - 4, r.bottom() - 9);
    p.drawPath(arrow);
    QPainterPath head;
    head.addPolygon(QPolygonF({QPointF(r.right() - 7, r.bottom() - 11), QPointF(r.right() - 1, r.bottom() - 11),
                               QPointF(r.right() - 4, r.bottom() - 8)}));
    fillPath(p, head, c);
}

void magnifyIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 19);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2.2));
    const QRectF lens(r.left(), r.top(), 12, 12);
    p.drawEllipse(lens);
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens.center() + QPointF(5, 5), r.bottomRight() - QPointF(1, 1));
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(lens.center() - QPointF(3, 0), lens.center() + QPointF(3, 0));
    p.drawLine(lens.center() - QPointF(0, 3), lens.center() + QPointF(0, 3));
}

QPainterPath speaker(QRectF r)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 6);
    path.lineTo(r.left() + 4, r.top() + 6);
    path.lineTo(r.left() + 9, r.top() + 1);
    path.lineTo(r.left() + 9, r.bottom() - 1);
    path.lineTo(r.left() + 4, r.bottom() - 6);
    path.lineTo(r.left(), r.bottom() - 6);
    path.closeSubpath();
    return path;
}

void volumeIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 18);
    fillPath(p, speaker(r), c);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(r.left() + 6, r.top() + 5, 7, 8), -50 * 16, 100 * 16);
    p.drawArc(QRectF(r.left() + 5, r.top() + 1, 12, 16), -50 * 16, 100 * 16);
}

// The speaker without its sound waves, crossed out.
void mutedIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 18);
    fillPath(p, speaker(r), c);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xe5, 0x4b, 0x4b), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.left() + 12, r.top() + 6), QPointF(r.right() - 1, r.bottom() - 6));
    p.drawLine(QPointF(r.left() + 12, r.bottom() - 6), QPointF(r.right() - 1, r.top() + 6));
}

void folderIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 26);
    QPainterPath path;
    path.moveTo(r.left(), r.top() + 5);
    path.lineTo(r.left() + 9, r.top() + 5);
    path.lineTo(r.left() + 11, r.top() + 8);
    path.lineTo(r.right(), r.top() + 8);
    path.lineTo(r.right(), r.bottom() - 3);
    path.lineTo(r.left(), r.bottom() - 3);
    path.closeSubpath();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.drawLine(QPointF(r.left() + 2, r.top() + 12), QPointF(r.right() - 2, r.top() + 12));
}

void cameraIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 26);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawRoundedRect(QRectF(r.left(), r.top() + 6, r.width(), r.height() - 9), 3, 3);
    p.drawRect(QRectF(r.left() + 8, r.top() + 2, 10, 4));
    p.drawEllipse(QRectF(r.center().x() - 5.5, r.center().y() - 3, 11, 11));
}

void gearIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 24);
    p.save();
    p.translate(r.center());
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int i = 0; i < 8; ++i) {
        p.drawRoundedRect(QRectF(-2.5, -12, 5, 6), 1, 1);
        p.rotate(45);
    }
    QPainterPath ring;
    ring.addEllipse(QPointF(0, 0), 8.5, 8.5);
    ring.addEllipse(QPointF(0, 0), 3.5, 3.5);
    ring.setFillRule(Qt::OddEvenFill);
    p.drawPath(ring);
    p.restore();
}

void clockIcon(QPainter& p, QRectF area, QColor c)
{
    const QRectF r = centred(area, 24);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c, 2));
    p.drawEllipse(r.adjusted(1, 1, -1, -1));
    p.setPen(QPen(c, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(r.center(), r.center() + QPointF(0, -7));
    p.drawLine(r.center(), r.center() + QPointF(5, 3));
}

// A tool button: icon above a small caption.
IconPainter tool(const IconPainter& icon, const QString& caption)
{
    return [=](QPainter& p, QRectF area, QColor c) {
        icon(p, QRectF(area.left(), area.top(), area.width(), area.height() - 11), c);
        p.setPen(c);
        p.setFont(font(9));
        p.drawText(QRectF(area.left() - 3, area.bottom() - 11, area.width() + 6, 11), Qt::AlignCenter, caption);
    };
}

QImage tabStrip(const QString& text)
{
    const int w = 167;
    const int h = 29;
    QImage strip = transparent(2 * w, h);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        const bool selected = i == 0;
        const QRectF cell(i * w + 1, 1, w - 2, h + 4);
        QLinearGradient g(cell.topLeft(), cell.bottomLeft());
        g.setColorAt(0, selected ? QColor(0x34, 0x3b, 0x46) : QColor(0x20, 0x24, 0x2a));
        g.setColorAt(1, selected ? QColor(0x26, 0x2b, 0x33) : QColor(0x19, 0x1c, 0x21));
        p.setPen(QPen(selected ? QColor(0x4a, 0x53, 0x60) : kEdge, 1));
        p.setBrush(g);
        p.drawRoundedRect(cell, 6, 6);
        if (selected) {
            p.setPen(QPen(kAccent, 2));
            p.drawLine(QPointF(cell.left() + 8, 2), QPointF(cell.right() - 8, 2));
        }
        p.setPen(selected ? kIconHot : QColor(0x8b, 0x93, 0x9f));
        p.setFont(font(12, selected));
        p.drawText(QRectF(i * w, 0, w, h), Qt::AlignCenter, text);
    }
    return strip;
}

QImage idlePane(int w, int h, const QString& channel)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(w / 2.0, h / 2.0), w * 0.7);
    g.setColorAt(0, QColor(0x22, 0x27, 0x2e));
    g.setColorAt(1, QColor(0x0e, 0x10, 0x13));
    p.fillRect(image.rect(), g);
    const qreal s = std::min(w, h) / 5.0;
    const QRectF lens(w / 2.0 - s, h / 2.0 - s * 1.2, 2 * s, 2 * s);
    p.setPen(QPen(QColor(0x3b, 0x43, 0x4e), s / 6));
    p.setBrush(QColor(0x15, 0x18, 0x1c));
    p.drawEllipse(lens);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x5f, 0x99));
    p.drawEllipse(lens.adjusted(s * 0.55, s * 0.55, -s * 0.55, -s * 0.55));
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawEllipse(QRectF(lens.center().x() - s * 0.25, lens.center().y() - s * 0.3, s * 0.22, s * 0.22));
    p.setPen(QColor(0x6b, 0x76, 0x85));
    p.setFont(font(std::max(11, h / 18), true));
    p.drawText(QRectF(0, lens.bottom() + s * 0.3, w, h / 8.0), Qt::AlignCenter, channel);
    return image;
}

QImage sliderThumb()
{
    QImage image(13, 13, QImage::Format_RGB32);
    image.fill(QColor(0xFF, 0x00, 0xFF)); // the colour key
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0x1a, 0x4f, 0x8a));
    p.setBrush(QColor(0xe8, 0xee, 0xf6));
    p.drawEllipse(QRect(0, 0, 12, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QRect(4, 4, 5, 5));
    return image;
}

QImage progressFill()
{
    QImage image(595, 13, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 13);
    g.setColorAt(0, QColor(0x5b, 0xb0, 0xff));
    g.setColorAt(1, QColor(0x1f, 0x6f, 0xc4));
    p.fillRect(image.rect(), g);
    return image;
}

void panelRect(QPainter& p, QRectF r, int radius = 6)
{
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPanel);
    p.drawRoundedRect(r, radius, radius);
    p.setPen(QPen(kHighlight, 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 1), QPointF(r.right() - radius, r.top() + 1));
}

QImage background()
{
    QImage image(1020, 645, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient base(0, 0, 0, 645);
    base.setColorAt(0, QColor(0x25, 0x29, 0x30));
    base.setColorAt(1, QColor(0x14, 0x16, 0x1a));
    p.fillRect(image.rect(), base);
    QLinearGradient title(0, 0, 0, 52);
    title.setColorAt(0, QColor(0x30, 0x35, 0x3e));
    title.setColorAt(1, QColor(0x22, 0x26, 0x2c));
    p.fillRect(QRect(0, 0, 1020, 52), title);
    p.setPen(kEdge);
    p.drawLine(0, 52, 1020, 52);
    p.setPen(kHighlight);
    p.drawLine(0, 53, 1020, 53);
    // Product name beside the tool buttons.
    p.setPen(QColor(0x9d, 0xb1, 0xcc));
    QFont brand = font(20, true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 5);
    p.setFont(brand);
    p.drawText(QRect(250, 8, 300, 34), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("DRAVONIX"));
    p.setPen(kAccent);
    p.drawLine(252, 40, 300, 40);
    // Frames around the panes, the graph, the transport row and the right panel.
    panelRect(p, QRectF(11.5, 52.5 + 0, 653, 371));
    panelRect(p, QRectF(11.5, 422.5, 653, 137));
    panelRect(p, QRectF(11.5, 562.5, 653, 78));
    panelRect(p, QRectF(672.5, 82.5, 338, 304));
    panelRect(p, QRectF(674.5, 380.5, 334, 254));
    // Captions of the readout, under the information panel's labels.
    p.setPen(QColor(0x7c, 0x86, 0x94));
    p.setFont(font(11, true));
    p.drawText(QRect(850, 329, 60, 22), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("HDOP"));
    p.drawText(QRect(850, 356, 60, 22), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("SAT"));
    return image;
}

QImage controlPanel()
{
    QImage image(656, 90, QImage::Format_RGB32);
    image.fill(QColor(0x14, 0x16, 0x1a));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    panelRect(p, QRectF(0.5, 0.5, 655, 89), 10);
    return image;
}

QImage plain(int w, int h, QColor top, QColor bottom)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(image.rect(), g);
    return image;
}

// Six 53 x 16 kind icons: front Always, Event, Park, then the rear ones.
QImage kindIcons()
{
    // Transparent around the drawing (the icons' mask), so the row's own
    // colour shows through: the playing row's, the selection's.
    QImage strip = transparent(318, 16);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor box[3] = {QColor(0x2e, 0xa0, 0x43), QColor(0xd2, 0x3b, 0x3b), QColor(0x3d, 0x7b, 0xd9)};
    for (int i = 0; i < 6; ++i) {
        const bool front = i < 3;
        const int kind = i % 3;
        const qreal x0 = i * 53 + 2;
        // The car, seen from the side, nose to the right.
        QPainterPath car;
        car.moveTo(x0, 12);
        car.lineTo(x0, 8);
        car.lineTo(x0 + 7, 7);
        car.lineTo(x0 + 11, 3);
        car.lineTo(x0 + 22, 3);
        car.lineTo(x0 + 27, 7);
        car.lineTo(x0 + 31, 8);
        car.lineTo(x0 + 31, 12);
        car.closeSubpath();
        fillPath(p, car, QColor(0x4a, 0x52, 0x5e));
        p.setBrush(QColor(0x22, 0x25, 0x2a));
        p.drawEllipse(QPointF(x0 + 7, 12.5), 2.3, 2.3);
        p.drawEllipse(QPointF(x0 + 24, 12.5), 2.3, 2.3);
        // The recording side in the accent colour.
        p.setBrush(QColor(0xff, 0xb0, 0x20));
        p.drawEllipse(front ? QPointF(x0 + 29, 7.5) : QPointF(x0 + 2, 7.5), 2.2, 2.2);
        // The kind's box.
        const QRectF r(x0 + 35, 2, 14, 12);
        p.setBrush(box[kind]);
        p.drawRoundedRect(r, 2, 2);
        p.setPen(QPen(Qt::white, 1.3));
        if (kind == 2) {
            p.setFont(font(10, true));
            p.drawText(r, Qt::AlignCenter, QStringLiteral("P"));
        } else {
            p.drawPolyline(QPolygonF({QPointF(r.left() + 2, r.center().y()), QPointF(r.left() + 5, r.center().y()),
                                      QPointF(r.left() + 7, r.top() + 2), QPointF(r.left() + 9, r.bottom() - 2),
                                      QPointF(r.right() - 2, r.center().y())}));
        }
        p.setPen(Qt::NoPen);
    }
    return strip;
}

} // namespace

std::vector<SkinImage> paintSkin()
{
    std::vector<SkinImage> out;
    const auto add = [&](const char* name, QImage image) { out.push_back({QString::fromLatin1(name), std::move(image)}); };
    add("background", background());
    add("close", buttonStrip(35, 33, closeIcon));
    add("minimize", buttonStrip(31, 33, minimizeIcon));
    add("maximize", buttonStrip(32, 33, maximizeIcon));
    add("thumb", sliderThumb());
    add("progress", progressFill());
    add("front", idlePane(646, 363, QStringLiteral("FRONT")));
    add("rear", idlePane(326, 246, QStringLiteral("REAR")));
    add("panel", plain(322, 298, QColor(0x1f, 0x23, 0x29), QColor(0x17, 0x1a, 0x1e)));
    add("ci", plain(160, 40, QColor(0x2a, 0x2f, 0x37), QColor(0x1e, 0x22, 0x28)));
    add("stretch_bg", plain(64, 64, QColor(0x10, 0x12, 0x15), QColor(0x0c, 0x0d, 0x10)));
    add("controlpanel", controlPanel());
    add("information", tabStrip(QStringLiteral("Information")));
    add("record", tabStrip(QStringLiteral("Record")));
    add("clock", buttonStrip(54, 47, tool(clockIcon, QStringLiteral("Time"))));
    add("open", buttonStrip(56, 47, tool(folderIcon, QStringLiteral("Open"))));
    add("snapshot", buttonStrip(54, 47, tool(cameraIcon, QStringLiteral("Capture"))));
    add("configuration", buttonStrip(54, 47, tool(gearIcon, QStringLiteral("Settings"))));
    add("volume", buttonStrip(28, 26, volumeIcon, false));
    add("volume_muted", buttonStrip(28, 26, mutedIcon, false));
    add("fullscreen", buttonStrip(40, 35, fullscreenIcon));
    add("rewind", buttonStrip(23, 26, triangle(false, 2), false));
    add("play", buttonStrip(23, 26, triangle(true), false));
    add("pause", buttonStrip(23, 26, pauseIcon, false));
    add("swap", buttonStrip(40, 34, swapIcon));
    add("fastforward", buttonStrip(23, 26, triangle(true, 2), false));
    add("speedplus", buttonStrip(16, 20, sign(true), false));
    add("speedminus", buttonStrip(16, 20, sign(false), false));
    add("magnify", buttonStrip(39, 33, magnifyIcon));
    add("kinds", kindIcons());
    return out;
}

} // namespace dravonix::skin
