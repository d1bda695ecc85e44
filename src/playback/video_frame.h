#pragma once
// The newest decoded picture of an engine, in the decoder's own I420 planes,
// handed from the player's output thread to the pane that paints it. The
// conversion to RGB happens at the size it is shown, which costs a fraction
// of converting every full frame.

#include <QImage>
#include <QRect>

#include <cstdint>
#include <mutex>
#include <vector>

namespace dravonix {

struct I420Frame {
    int width = 0;  // visible picture
    int height = 0;
    int pitch[3] = {0, 0, 0};
    int lines[3] = {0, 0, 0};
    std::vector<std::uint8_t> plane[3];

    bool empty() const { return width <= 0 || height <= 0; }
    // Sets the buffer layout for a picture of `bufferWidth` x `bufferHeight`
    // (pitches and line counts rounded up to 32), of which `width` x `height` shows.
    void allocate(int bufferWidth, int bufferHeight, int width, int height);
};

// `source` (in picture pixels) scaled into an RGB32 image of `size`, nearest
// sample, BT.601 limited range as H.264 cameras record.
QImage renderI420(const I420Frame& frame, QRect source, QSize size);
// The same into `out`, whose buffer is reused when it has that size.
void renderI420(const I420Frame& frame, QRect source, QSize size, QImage& out);

// The player writes into `decoding` between lock and unlock; display
// exchanges it with `ready`, which the pane renders from.
class FrameExchange {
public:
    void setFormat(int bufferWidth, int bufferHeight, int width, int height);
    void* lockPlanes(void** planes); // returns nothing the caller needs
    void publish();                  // the decoded picture is complete
    // The newest picture rendered for a pane (into `out`'s own buffer when it
    // has that size); false when there is none.
    bool render(QRect source, QSize size, QImage& out) const;
    // Counts the pictures published: tells a pane whether it shows a new one.
    std::uint64_t serial() const;
    // Counts the clears: a new value means the pictures belong to a new file.
    std::uint64_t epoch() const;
    QSize pictureSize() const;
    void clear();

private:
    mutable std::mutex mutex_;
    I420Frame decoding_;
    I420Frame ready_;
    bool hasFrame_ = false;
    std::uint64_t serial_ = 0;
    std::uint64_t epoch_ = 0;
};

} // namespace dravonix
