#pragma once
// Opening recordings with libavformat: read-only, cancellable while it waits
// on the file, closed however the caller leaves.

#include "toolkit/error.h"
#include "toolkit/expected.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <atomic>
#include <memory>
#include <string>

namespace dravonix {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
using MovieInput = std::unique_ptr<AVFormatContext, InputCloser>;

struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

// Unreferences a packet at the end of a loop turn, whichever way it ends.
struct PacketUnref {
    AVPacket* packet;
    ~PacketUnref() { av_packet_unref(packet); }
};

std::string mediaErrorText(int code);

enum class StreamProbe { HeaderOnly, DecodeSome };

// The file at a path of the file system (never taken as a URL). An MP4's
// header states all a stream copy needs; decoding needs the pixel format,
// which only decoding some pictures gives.
Expected<MovieInput, Error> openMovie(const std::string& path, const std::atomic<bool>* cancel, StreamProbe probe);

} // namespace dravonix
