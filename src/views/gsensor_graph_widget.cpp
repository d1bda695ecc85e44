#include "views/gsensor_graph_widget.h"

#include <QPainter>

namespace dravonix {
namespace {

const QColor kBackground(0x1C, 0x1C, 0x1C);
const QColor kGrey(0xA0, 0xA0, 0xA0);
const QColor kLabel(0x80, 0x80, 0x80);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(128, 128, 255);
const QColor kEventMark(255, 170, 0);

} // namespace

GSensorGraphWidget::GSensorGraphWidget(GSensorGraphModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    valueFont_.setPixelSize(17);
}

QImage GSensorGraphWidget::render() const
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter p(&image);
    using M = GSensorGraphModel;
    p.fillRect(image.rect(), kBackground);
    const QPen grey(kGrey, 1);
    p.setPen(grey);
    p.drawLine(M::kOriginX, M::kOriginY, M::kOriginX + M::kPlotWidth, M::kOriginY);
    p.drawLine(M::kOriginX, M::kOriginY - 2 * M::kScale, M::kOriginX, M::kOriginY + 2 * M::kScale);
    for (const int dy : {-M::kScale, M::kScale, -2 * M::kScale, 2 * M::kScale})
        p.drawLine(M::kOriginX, M::kOriginY + dy, M::kOriginX + M::kPlotWidth, M::kOriginY + dy);

    p.setPen(kLabel);
    QFont labels = font();
    labels.setPixelSize(11);
    p.setFont(labels);
    const char* texts[] = {"+2", "+1", " 0", "-1", "-2"};
    for (int i = 0; i < 5; ++i)
        p.drawText(QRect(0, 3 + 20 * i, 20, 14), Qt::AlignCenter, QString::fromLatin1(texts[i]));

    // Events under the traces, so the traces stay readable over them.
    p.setPen(QPen(kEventMark, 2, Qt::DashLine));
    for (const int x : model_.markXs())
        p.drawLine(x, M::kOriginY - 2 * M::kScale - 6, x, M::kOriginY + 2 * M::kScale + 6);

    const std::pair<M::Axis, QColor> traces[] = {{M::Axis::X, kRed}, {M::Axis::Y, kGreen}, {M::Axis::Z, kBlue}};
    for (const auto& [axis, colour] : traces) {
        p.setPen(QPen(colour, 1));
        const std::vector<GraphPoint> points = model_.trace(axis);
        for (std::size_t i = 1; i < points.size(); ++i)
            p.drawLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
    }
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(model_.cursorX(), M::kOriginY - 2 * M::kScale, model_.cursorX(), M::kOriginY + 2 * M::kScale);

    p.setFont(valueFont_);
    const std::pair<M::Axis, QColor> values[] = {{M::Axis::X, kRed}, {M::Axis::Y, kGreen}, {M::Axis::Z, kBlue}};
    int left = 20;
    for (const auto& [axis, colour] : values) {
        p.setPen(colour);
        p.drawText(QRect(left, 105, 200, 13), Qt::AlignCenter, QString::fromStdString(model_.valueText(axis)));
        left += 200;
    }
    p.setPen(grey);
    p.drawLine(M::kOriginX, M::kOriginY - 2 * M::kScale, M::kOriginX, M::kOriginY + 2 * M::kScale);
    return image;
}

void GSensorGraphWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, render());
}

} // namespace dravonix
