#include "app/viewer/video_pane.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>

namespace dravonix {
namespace {

// How many pictures each pane painted, for measuring the window from outside:
// QT_LOGGING_RULES="dravonix.pane.info=true".
Q_LOGGING_CATEGORY(paneLog, "dravonix.pane", QtWarningMsg)

constexpr double kZoom = 3.0;
const QSize kLoupe(240, 160);

} // namespace

VideoPane::VideoPane(LibVlcEngine& engine, const QPixmap& idle, QWidget* parent)
    : QWidget(parent), engine_(engine), idle_(idle)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    connect(&engine_, &LibVlcEngine::frameReady, this, [this] {
        if (hasVideo_)
            update();
    });
    connect(&engine_, &LibVlcEngine::magnifierToggled, this, [this] { update(); });
}

VideoPane::~VideoPane()
{
    qCInfo(paneLog, "%s: %d pictures painted", qPrintable(objectName()), picturesPainted_);
}

void VideoPane::setHasVideo(bool on)
{
    hasVideo_ = on;
    update();
}

void VideoPane::setMessage(const QString& text)
{
    message_ = text;
    update();
}

QImage VideoPane::grabPicture() const
{
    QImage frame;
    const QSize picture = engine_.frames().pictureSize();
    if (hasVideo_ && engine_.frames().render(QRect(QPoint(0, 0), picture), size(), frame))
        return frame;
    return idle_.scaled(size()).toImage();
}

void VideoPane::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QSize picture = engine_.frames().pictureSize();
    QImage& frame = shown_;
    // Other widgets' updates repaint the pane too: a picture already
    // converted at this size is drawn again as it is.
    const std::uint64_t serial = engine_.frames().serial();
    const bool converted = hasVideo_ && picture.isValid() && serial == shownSerial_ && frame.size() == size();
    if (!converted)
        shownSerial_ = 0;
    if (!converted && (!hasVideo_ || !engine_.frames().render(QRect(QPoint(0, 0), picture), size(), frame))) {
        if (idle_.isNull())
            p.fillRect(rect(), Qt::black);
        else
            p.drawPixmap(rect(), idle_);
        if (!message_.isEmpty())
            paintMessage(p);
        return;
    }
    p.drawImage(0, 0, frame);
    shownSerial_ = serial;
    if (serial != paintedSerial_) {
        paintedSerial_ = serial;
        ++picturesPainted_;
    }
    if (const std::uint64_t epoch = engine_.frames().epoch(); epoch != paintedEpoch_) {
        paintedEpoch_ = epoch;
        qCInfo(paneLog, "%s: first picture of a file at %lld ms since the epoch", qPrintable(objectName()),
               static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    }
    if (engine_.magnifierOn())
        paintMagnifier(p, picture);
}

void VideoPane::paintMessage(QPainter& p)
{
    // A band across the middle, as tall as the wrapped text; a long file name
    // breaks anywhere rather than run off the pane.
    QTextOption option(Qt::AlignCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const QRectF textArea(12, 0, width() - 24, height());
    QTextDocument measure;
    measure.setDefaultFont(font());
    measure.setDefaultTextOption(option);
    measure.setPlainText(message_);
    measure.setTextWidth(textArea.width());
    const int textHeight = std::min(height(), static_cast<int>(measure.size().height()) + 4);
    const QRect band(0, (height() - textHeight) / 2 - 10, width(), textHeight + 20);
    p.fillRect(band, QColor(0, 0, 0, 170));
    p.setPen(QColor(0xf0, 0xf0, 0xf0));
    p.drawText(QRectF(textArea.left(), band.top(), textArea.width(), band.height()), message_, option);
}

void VideoPane::paintMagnifier(QPainter& p, QSize picture)
{
    // The spot under the pointer, in picture pixels, enlarged into the loupe;
    // with the pointer elsewhere, the middle of the picture, so that the
    // loupe shows as soon as it is switched on.
    const QPoint at = rect().contains(pointer_) ? pointer_ : rect().center();
    const double sx = static_cast<double>(picture.width()) / width();
    const double sy = static_cast<double>(picture.height()) / height();
    // kZoom times as large as the pane shows it.
    const int srcW = std::max(1, static_cast<int>(kLoupe.width() * sx / kZoom));
    const int srcH = std::max(1, static_cast<int>(kLoupe.height() * sy / kZoom));
    QRect source(static_cast<int>(at.x() * sx) - srcW / 2, static_cast<int>(at.y() * sy) - srcH / 2, srcW, srcH);
    source.moveLeft(std::clamp(source.left(), 0, std::max(0, picture.width() - srcW)));
    source.moveTop(std::clamp(source.top(), 0, std::max(0, picture.height() - srcH)));
    QImage zoomed;
    if (!engine_.frames().render(source, kLoupe, zoomed))
        return;
    QRect loupe(at + QPoint(16, 16), kLoupe);
    if (at != pointer_)
        loupe.moveCenter(at); // over the spot it enlarges
    if (loupe.right() > width())
        loupe.moveRight(at.x() - 16);
    if (loupe.bottom() > height())
        loupe.moveBottom(at.y() - 16);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(loupe, 10, 10);
    p.save();
    p.setClipPath(clip);
    p.drawImage(loupe, zoomed);
    p.restore();
    p.setPen(QPen(QColor(0x3d, 0x9b, 0xff), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(loupe, 10, 10);
    // The overview: where the loupe looks within the whole picture.
    const QRect overview(width() - 108, 8, 100, 100 * picture.height() / std::max(1, picture.width()));
    p.fillRect(overview.adjusted(-1, -1, 1, 1), QColor(0, 0, 0, 140));
    p.setPen(QPen(QColor(255, 255, 255, 160), 1));
    p.drawRect(overview);
    const QRect spot(overview.left() + source.left() * overview.width() / picture.width(),
                     overview.top() + source.top() * overview.height() / picture.height(),
                     std::max(2, source.width() * overview.width() / picture.width()),
                     std::max(2, source.height() * overview.height() / picture.height()));
    p.setPen(QPen(QColor(0x3d, 0x9b, 0xff), 1.5));
    p.drawRect(spot);
}

void VideoPane::mouseMoveEvent(QMouseEvent* event)
{
    pointer_ = event->position().toPoint();
    if (engine_.magnifierOn())
        update();
    QWidget::mouseMoveEvent(event);
}

void VideoPane::leaveEvent(QEvent*)
{
    pointer_ = QPoint(-1, -1);
    if (engine_.magnifierOn())
        update();
}

void VideoPane::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

} // namespace dravonix
