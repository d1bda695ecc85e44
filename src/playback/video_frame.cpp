#include "playback/video_frame.h"

#include <algorithm>
#include <cstring>

namespace dravonix {
namespace {

int align32(int value) { return (value + 31) & ~31; }

std::uint8_t clampByte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

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

namespace {

// BT.601 limited range in integer tables: one lookup per term instead of
// multiplications, and clamping by index.
struct YuvTables {
    int y[256];
    int rv[256];
    int gu[256];
    int gv[256];
    int bu[256];
    std::uint8_t clamp[1024]; // index value + 384

    YuvTables()
    {
        for (int i = 0; i < 256; ++i) {
            y[i] = 298 * (i - 16) + 128;
            rv[i] = 409 * (i - 128);
            gu[i] = -100 * (i - 128);
            gv[i] = -208 * (i - 128);
            bu[i] = 516 * (i - 128);
        }
        for (int i = 0; i < 1024; ++i)
            clamp[i] = clampByte(i - 384);
    }
};

const YuvTables& tables()
{
    static const YuvTables t;
    return t;
}

} // namespace

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
    const YuvTables& t = tables();
    // Fixed-point steps through the source for each output pixel.
    const std::int64_t stepX = (std::int64_t{source.width()} << 16) / size.width();
    const std::int64_t stepY = (std::int64_t{source.height()} << 16) / size.height();
    std::vector<int> columns(static_cast<std::size_t>(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[static_cast<std::size_t>(x)] = source.x() + static_cast<int>((x * stepX + stepX / 2) >> 16);
    for (int y = 0; y < size.height(); ++y) {
        const int sy = source.y() + static_cast<int>((y * stepY + stepY / 2) >> 16);
        const std::uint8_t* rowY = frame.plane[0].data() + static_cast<std::size_t>(sy) * static_cast<std::size_t>(frame.pitch[0]);
        const std::uint8_t* rowU = frame.plane[1].data() + static_cast<std::size_t>(sy / 2) * static_cast<std::size_t>(frame.pitch[1]);
        const std::uint8_t* rowV = frame.plane[2].data() + static_cast<std::size_t>(sy / 2) * static_cast<std::size_t>(frame.pitch[2]);
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int sx = columns[static_cast<std::size_t>(x)];
            const int c = t.y[rowY[sx]];
            const int u = rowU[sx >> 1];
            const int v = rowV[sx >> 1];
            line[x] = 0xff000000u | (std::uint32_t{t.clamp[((c + t.rv[v]) >> 8) + 384]} << 16)
                      | (std::uint32_t{t.clamp[((c + t.gu[u] + t.gv[v]) >> 8) + 384]} << 8)
                      | std::uint32_t{t.clamp[((c + t.bu[u]) >> 8) + 384]};
        }
    }
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
