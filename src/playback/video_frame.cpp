#include "playback/video_frame.h"

#include <libyuv.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace dravonix {
namespace {

int align32(int value) { return (value + 31) & ~31; }

} // namespace

void I420Frame::allocate(int bufferWidth, int bufferHeight, int visibleWidth, int visibleHeight)
{
    width = visibleWidth;
    height = visibleHeight;
    pitch[0] = align32(bufferWidth);
    pitch[1] = pitch[2] = align32((bufferWidth + 1) / 2);
    lines[0] = align32(bufferHeight);
    lines[1] = lines[2] = align32((bufferHeight + 1) / 2);
    for (int p = 0; p < 3; ++p)
        plane[p].assign(static_cast<std::size_t>(pitch[p]) * static_cast<std::size_t>(lines[p]), p == 0 ? 16 : 128);
}

QImage renderI420(const I420Frame& frame, QRect source, QSize size)
{
    QImage out;
    renderI420(frame, source, size, out);
    return out;
}

void renderI420(const I420Frame& frame, QRect source, QSize size, QImage& out)
{
    // A picture a second: reusing the image spares a fresh allocation (and
    // its page faults) for every one.
    if (out.size() != size || out.format() != QImage::Format_RGB32 || !out.isDetached())
        out = QImage(size, QImage::Format_RGB32);
    source = source.intersected(QRect(0, 0, frame.width, frame.height));
    if (frame.empty() || source.isEmpty() || size.isEmpty()) {
        out.fill(Qt::black);
        return;
    }
    // Chroma samples cover two by two pixels: start on one.
    source.setLeft(source.left() & ~1);
    source.setTop(source.top() & ~1);
    const auto at = [&](int p, int x, int y) {
        return frame.plane[p].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.pitch[p])
               + static_cast<std::size_t>(x);
    };
    const std::uint8_t* y = at(0, source.x(), source.y());
    const std::uint8_t* u = at(1, source.x() / 2, source.y() / 2);
    const std::uint8_t* v = at(2, source.x() / 2, source.y() / 2);
    int pitchY = frame.pitch[0];
    int pitchU = frame.pitch[1];
    int pitchV = frame.pitch[2];
    // Scaled as planes first (a third of the samples of RGB), then converted;
    // BT.601 limited range, as the camera records.
    thread_local std::vector<std::uint8_t> scaled;
    if (source.size() != size) {
        const int w = size.width();
        const int h = size.height();
        const int cw = (w + 1) / 2;
        const int ch = (h + 1) / 2;
        scaled.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)
                      + 2 * static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
        std::uint8_t* sy = scaled.data();
        std::uint8_t* su = sy + static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        std::uint8_t* sv = su + static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch);
        libyuv::I420Scale(y, pitchY, u, pitchU, v, pitchV, source.width(), source.height(), sy, w, su, cw, sv, cw, w,
                          h, libyuv::kFilterNone);
        y = sy;
        u = su;
        v = sv;
        pitchY = w;
        pitchU = pitchV = cw;
    }
    libyuv::I420ToARGB(y, pitchY, u, pitchU, v, pitchV, out.bits(), static_cast<int>(out.bytesPerLine()), size.width(),
                       size.height());
}

void FrameExchange::setFormat(int bufferWidth, int bufferHeight, int width, int height)
{
    std::lock_guard lock(mutex_);
    decoding_.allocate(bufferWidth, bufferHeight, width, height);
}

void* FrameExchange::lockPlanes(void** planes)
{
    // The decoding buffer belongs to the player thread alone; only the
    // exchange in publish() meets the painting side.
    for (int p = 0; p < 3; ++p)
        planes[p] = decoding_.plane[p].data();
    return nullptr;
}

void FrameExchange::publish()
{
    // The finished picture becomes the ready one by exchanging buffers; the
    // player decodes the next into the previous ready buffer, which nothing
    // reads any more once the exchange is done.
    std::lock_guard lock(mutex_);
    std::swap(decoding_, ready_);
    if (decoding_.plane[0].size() != ready_.plane[0].size() || decoding_.width != ready_.width
        || decoding_.height != ready_.height) {
        decoding_ = ready_; // the first picture of a format: both buffers get its layout
    }
    hasFrame_ = true;
    ++serial_;
}

std::uint64_t FrameExchange::serial() const
{
    std::lock_guard lock(mutex_);
    return serial_;
}

std::uint64_t FrameExchange::epoch() const
{
    std::lock_guard lock(mutex_);
    return epoch_;
}

bool FrameExchange::render(QRect source, QSize size, QImage& out) const
{
    std::lock_guard lock(mutex_);
    if (!hasFrame_)
        return false;
    renderI420(ready_, source, size, out);
    return true;
}

QSize FrameExchange::pictureSize() const
{
    std::lock_guard lock(mutex_);
    return hasFrame_ ? QSize(ready_.width, ready_.height) : QSize();
}

void FrameExchange::clear()
{
    std::lock_guard lock(mutex_);
    hasFrame_ = false;
    ++epoch_;
}

} // namespace dravonix
