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

namespace {

// Three planes somewhere in memory, as libyuv takes them.
struct PlanesView {
    const std::uint8_t* y;
    const std::uint8_t* u;
    const std::uint8_t* v;
    int pitchY;
    int pitchUV;
    int width;
    int height;
};

// `from` scaled to `size` (nearest sample) into `buffer`, which is reused.
PlanesView scalePlanes(const PlanesView& from, QSize size, std::vector<std::uint8_t>& buffer)
{
    const auto w = static_cast<std::size_t>(size.width());
    const auto h = static_cast<std::size_t>(size.height());
    const std::size_t cw = (w + 1) / 2;
    const std::size_t ch = (h + 1) / 2;
    buffer.resize(w * h + 2 * cw * ch);
    std::uint8_t* y = buffer.data();
    std::uint8_t* u = y + w * h;
    std::uint8_t* v = u + cw * ch;
    libyuv::I420Scale(from.y, from.pitchY, from.u, from.pitchUV, from.v, from.pitchUV, from.width, from.height, y,
                      size.width(), u, static_cast<int>(cw), v, static_cast<int>(cw), size.width(), size.height(),
                      libyuv::kFilterNone);
    return {y, u, v, size.width(), static_cast<int>(cw), size.width(), size.height()};
}

} // namespace

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
    PlanesView planes{at(0, source.x(), source.y()), at(1, source.x() / 2, source.y() / 2),
                      at(2, source.x() / 2, source.y() / 2), frame.pitch[0], frame.pitch[1], source.width(),
                      source.height()};
    // Scaled as planes first (a third of the samples of RGB), then converted;
    // BT.601 limited range, as the camera records. A picture shown at half
    // its size or less is first halved: that step runs in vector code along
    // whole rows, fast even when the picture has left the cache, and the
    // sampler that follows reads from a quarter of the bytes (in all, about
    // 40% less time for a 1080p picture in the large pane).
    thread_local std::vector<std::uint8_t> halved;
    thread_local std::vector<std::uint8_t> scaled;
    if (planes.width >= 2 * size.width() && planes.height >= 2 * size.height())
        planes = scalePlanes(planes, QSize(planes.width / 2, planes.height / 2), halved);
    if (QSize(planes.width, planes.height) != size)
        planes = scalePlanes(planes, size, scaled);
    libyuv::I420ToARGB(planes.y, planes.pitchY, planes.u, planes.pitchUV, planes.v, planes.pitchUV, out.bits(),
                       static_cast<int>(out.bytesPerLine()), size.width(), size.height());
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
