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

QImage renderI420(const I420Frame& frame, QRect source, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    source = source.intersected(QRect(0, 0, frame.width, frame.height));
    if (frame.empty() || source.isEmpty() || size.isEmpty()) {
        out.fill(Qt::black);
        return out;
    }
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
            const int c = 298 * (rowY[sx] - 16);
            const int d = rowU[sx / 2] - 128;
            const int e = rowV[sx / 2] - 128;
            line[x] = qRgb(clampByte((c + 409 * e + 128) >> 8), clampByte((c - 100 * d - 208 * e + 128) >> 8),
                           clampByte((c + 516 * d + 128) >> 8));
        }
    }
    return out;
}

void FrameExchange::setFormat(int bufferWidth, int bufferHeight, int width, int height)
{
    std::lock_guard lock(mutex_);
    decoding_.allocate(bufferWidth, bufferHeight, width, height);
}

void* FrameExchange::lockPlanes(void** planes)
{
    // The decoding buffer belongs to the player thread alone; only the copy
    // in publish() meets the painting side.
    for (int p = 0; p < 3; ++p)
        planes[p] = decoding_.plane[p].data();
    return nullptr;
}

void FrameExchange::publish()
{
    std::lock_guard lock(mutex_);
    ready_.width = decoding_.width;
    ready_.height = decoding_.height;
    for (int p = 0; p < 3; ++p) {
        ready_.pitch[p] = decoding_.pitch[p];
        ready_.lines[p] = decoding_.lines[p];
        ready_.plane[p].resize(decoding_.plane[p].size());
        std::memcpy(ready_.plane[p].data(), decoding_.plane[p].data(), decoding_.plane[p].size());
    }
    hasFrame_ = true;
}

bool FrameExchange::render(QRect source, QSize size, QImage& out) const
{
    std::lock_guard lock(mutex_);
    if (!hasFrame_)
        return false;
    out = renderI420(ready_, source, size);
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
}

} // namespace dravonix
