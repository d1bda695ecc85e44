#include "export/combined_video.h"

#include "export/media_input.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <chrono>
#include <cstring>
#include <filesystem>

namespace dravonix {
namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
struct GraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct OutputFree {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};

Error mediaFailure(const std::string& what, int rc) { return Error{what + ": " + mediaErrorText(rc), AVUNERROR(rc)}; }

// A clip's pictures, decoded one by one.
class PictureReader {
public:
    Expected<bool, Error> open(const std::string& path, const std::atomic<bool>& cancel)
    {
        auto opened = openMovie(path, &cancel, StreamProbe::DecodeSome);
        if (!opened)
            return unexpected(opened.error());
        input_ = std::move(*opened);
        stream_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream_ < 0)
            return unexpected(Error{path + ": no pictures", 0});
        audio_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        const AVCodecParameters* par = input_->streams[stream_]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (codec == nullptr)
            return unexpected(Error{path + ": no decoder for its pictures", 0});
        decoder_.reset(avcodec_alloc_context3(codec));
        if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), par) < 0)
            return unexpected(Error{"out of memory", ENOMEM});
        decoder_->thread_count = 0;
        decoder_->pkt_timebase = input_->streams[stream_]->time_base;
        if (const int rc = avcodec_open2(decoder_.get(), codec, nullptr); rc < 0)
            return unexpected(mediaFailure(path, rc));
        return true;
    }

    // The next picture into `frame`; false at the end. Sound packets go to
    // `onSound` when given.
    Expected<bool, Error> next(AVFrame* frame, const std::function<Expected<bool, Error>(AVPacket*)>& onSound = {})
    {
        for (;;) {
            const int got = avcodec_receive_frame(decoder_.get(), frame);
            if (got == 0)
                return true;
            if (got == AVERROR_EOF)
                return false;
            if (got != AVERROR(EAGAIN))
                return unexpected(mediaFailure("decoding", got));
            if (drained_) {
                avcodec_send_packet(decoder_.get(), nullptr);
                continue;
            }
            const int rc = av_read_frame(input_.get(), packet_.get());
            if (rc == AVERROR_EOF) {
                drained_ = true;
                avcodec_send_packet(decoder_.get(), nullptr);
                continue;
            }
            if (rc < 0)
                return unexpected(mediaFailure("reading", rc));
            const PacketUnref unref(packet_.get());
            if (packet_->stream_index == stream_) {
                const int sent = avcodec_send_packet(decoder_.get(), packet_.get());
                if (sent < 0 && sent != AVERROR_INVALIDDATA)
                    return unexpected(mediaFailure("decoding", sent));
            } else if (packet_->stream_index == audio_ && onSound) {
                if (auto written = onSound(packet_.get()); !written)
                    return written;
            }
        }
    }

    AVStream* stream() const { return input_->streams[stream_]; }
    AVStream* sound() const { return audio_ >= 0 ? input_->streams[audio_] : nullptr; }
    AVCodecContext* decoder() const { return decoder_.get(); }

private:
    MovieInput input_;
    int stream_ = -1;
    int audio_ = -1;
    CodecPtr decoder_;
    PacketPtr packet_{av_packet_alloc()};
    bool drained_ = false;
};

FramePtr blackPicture(int width, int height, AVPixelFormat format)
{
    FramePtr frame(av_frame_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    const bool fullRange = format == AV_PIX_FMT_YUVJ420P;
    for (int y = 0; y < height; ++y)
        std::memset(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0], fullRange ? 0 : 16,
                    static_cast<std::size_t>(width));
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < (height + 1) / 2; ++y)
            std::memset(frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane], 128,
                        static_cast<std::size_t>((width + 1) / 2));
    return frame;
}

std::string bufferArguments(int width, int height, int format, AVRational timeBase, AVRational aspect)
{
    return "video_size=" + std::to_string(width) + "x" + std::to_string(height) + ":pix_fmt=" + std::to_string(format)
           + ":time_base=" + std::to_string(timeBase.num) + "/" + std::to_string(timeBase.den) + ":pixel_aspect="
           + std::to_string(aspect.num == 0 ? 1 : aspect.num) + "/" + std::to_string(aspect.den == 0 ? 1 : aspect.den);
}

} // namespace

std::string escapedFilterValue(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == ':' || c == '\'' || c == ',' || c == ';' || c == '[' || c == ']' || c == '=')
            out += '\\';
        out += c;
    }
    return out;
}

std::string combinedFilterGraph(CombinedLayout layout, bool overlay, const std::string& fontFile)
{
    std::string graph;
    if (layout == CombinedLayout::SideBySide)
        graph = "[front]scale=960:540,setsar=1[a];[rear]scale=960:540,setsar=1[b];[a][b]hstack=inputs=2";
    else
        graph = "[front]scale=1920:1080,setsar=1[a];[rear]scale=640:360,setsar=1[b];"
                "[a][b]overlay=x=W-w-24:y=24:eof_action=repeat";
    if (overlay) {
        const std::string font = fontFile.empty() ? "font=Sans" : "fontfile=" + fontFile;
        graph += ",drawtext=" + font + ":expansion=none:text=-:fontsize=30:fontcolor=white:box=1:"
                 "boxcolor=black@0.6:boxborderw=10:x=24:y=h-th-24";
    }
    return graph + ",format=yuv420p[out]";
}

Expected<CombinedStats, Error> encodeCombined(const std::string& frontClip, const std::string& rearClip,
                                              const std::string& outPath, const CombinedOptions& options,
                                              const std::atomic<bool>& cancel,
                                              const std::function<void(double)>& progress)
{
    const auto started = std::chrono::steady_clock::now();
    PictureReader front;
    if (auto opened = front.open(frontClip, cancel); !opened)
        return unexpected(opened.error());
    PictureReader rear;
    const bool hasRear = !rearClip.empty();
    if (hasRear) {
        if (auto opened = rear.open(rearClip, cancel); !opened)
            return unexpected(opened.error());
    }

    // The graph: two sources, the composition, a sink.
    std::unique_ptr<AVFilterGraph, GraphFree> graph(avfilter_graph_alloc());
    AVFilterContext* frontSource = nullptr;
    AVFilterContext* rearSource = nullptr;
    AVFilterContext* sink = nullptr;
    const AVCodecContext* fd = front.decoder();
    const int rearWidth = hasRear ? rear.decoder()->width : 1280;
    const int rearHeight = hasRear ? rear.decoder()->height : 720;
    const auto rearFormat = hasRear ? rear.decoder()->pix_fmt : AV_PIX_FMT_YUV420P;
    const AVRational timeBase = front.stream()->time_base;
    if (avfilter_graph_create_filter(&frontSource, avfilter_get_by_name("buffer"), "front",
                                     bufferArguments(fd->width, fd->height, fd->pix_fmt, timeBase, fd->sample_aspect_ratio).c_str(),
                                     nullptr, graph.get()) < 0
        || avfilter_graph_create_filter(&rearSource, avfilter_get_by_name("buffer"), "rear",
                                        bufferArguments(rearWidth, rearHeight, rearFormat, timeBase, {1, 1}).c_str(),
                                        nullptr, graph.get()) < 0
        || avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, graph.get()) < 0)
        return unexpected(Error{"cannot set up the picture composition", 0});
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* rearOutput = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("front");
    outputs->filter_ctx = frontSource;
    outputs->next = rearOutput;
    rearOutput->name = av_strdup("rear");
    rearOutput->filter_ctx = rearSource;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    const std::string font = std::filesystem::exists(kFontFile) ? kFontFile : "";
    const std::string description = combinedFilterGraph(options.layout, !options.overlay.empty(), font);
    int rc = avfilter_graph_parse_ptr(graph.get(), description.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (rc < 0 || (rc = avfilter_graph_config(graph.get(), nullptr)) < 0)
        return unexpected(mediaFailure("cannot set up the picture composition", rc));

    // The encoder and the file.
    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (h264 == nullptr)
        h264 = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (h264 == nullptr)
        return unexpected(Error{"no H.264 encoder in this system's libavcodec", 0});
    CodecPtr encoder(avcodec_alloc_context3(h264));
    encoder->width = av_buffersink_get_w(sink);
    encoder->height = av_buffersink_get_h(sink);
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->sample_aspect_ratio = {1, 1};
    encoder->time_base = timeBase;
    AVRational rate = front.stream()->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = {30, 1};
    encoder->framerate = rate;
    encoder->gop_size = 2 * rate.num / rate.den;
    encoder->thread_count = 0;
    av_opt_set(encoder->priv_data, "preset", "veryfast", 0);
    av_opt_set(encoder->priv_data, "crf", "23", 0);

    std::unique_ptr<AVFormatContext, OutputFree> out;
    {
        AVFormatContext* made = nullptr;
        if ((rc = avformat_alloc_output_context2(&made, nullptr, "mp4", nullptr)) < 0)
            return unexpected(mediaFailure("cannot make an MP4", rc));
        out.reset(made);
    }
    if (out->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((rc = avcodec_open2(encoder.get(), h264, nullptr)) < 0)
        return unexpected(mediaFailure("cannot start the H.264 encoder", rc));
    AVStream* videoOut = avformat_new_stream(out.get(), nullptr);
    avcodec_parameters_from_context(videoOut->codecpar, encoder.get());
    videoOut->time_base = encoder->time_base;
    AVStream* soundOut = nullptr;
    if (front.sound() != nullptr) {
        soundOut = avformat_new_stream(out.get(), nullptr);
        avcodec_parameters_copy(soundOut->codecpar, front.sound()->codecpar);
        soundOut->codecpar->codec_tag = 0;
        soundOut->time_base = front.sound()->time_base;
    }
    if ((rc = avio_open2(&out->pb, ("file:" + outPath).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr)) < 0
        || (rc = avformat_write_header(out.get(), nullptr)) < 0)
        return unexpected(mediaFailure(outPath, rc));

    PacketPtr encoded(av_packet_alloc());
    const auto drainEncoder = [&]() -> Expected<bool, Error> {
        for (;;) {
            const int got = avcodec_receive_packet(encoder.get(), encoded.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0)
                return unexpected(mediaFailure("encoding", got));
            av_packet_rescale_ts(encoded.get(), encoder->time_base, videoOut->time_base);
            encoded->stream_index = videoOut->index;
            if (const int w = av_interleaved_write_frame(out.get(), encoded.get()); w < 0)
                return unexpected(mediaFailure(outPath, w));
        }
    };
    FramePtr composed(av_frame_alloc());
    const auto pullComposed = [&]() -> Expected<bool, Error> {
        for (;;) {
            const int got = av_buffersink_get_frame(sink, composed.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0)
                return unexpected(mediaFailure("composing", got));
            composed->pict_type = AV_PICTURE_TYPE_NONE;
            const int sent = avcodec_send_frame(encoder.get(), composed.get());
            av_frame_unref(composed.get());
            if (sent < 0)
                return unexpected(mediaFailure("encoding", sent));
            if (auto drained = drainEncoder(); !drained)
                return drained;
        }
    };
    const auto copySound = [&](AVPacket* packet) -> Expected<bool, Error> {
        if (soundOut == nullptr)
            return true;
        av_packet_rescale_ts(packet, front.sound()->time_base, soundOut->time_base);
        packet->stream_index = soundOut->index;
        packet->pos = -1;
        if (const int w = av_interleaved_write_frame(out.get(), packet); w < 0)
            return unexpected(mediaFailure(outPath, w));
        return true;
    };

    FramePtr picture(av_frame_alloc());
    FramePtr rearCurrent;
    FramePtr rearNext(av_frame_alloc());
    bool rearLeft = false;
    if (hasRear) {
        auto got = rear.next(rearNext.get());
        if (!got)
            return unexpected(got.error());
        rearLeft = *got;
    }
    const FramePtr black = blackPicture(rearWidth, rearHeight, rearFormat);
    if (!black)
        return unexpected(Error{"out of memory", ENOMEM});
    const double rearUnit = hasRear ? av_q2d(rear.stream()->time_base) : 0.0;
    const double frontUnit = av_q2d(timeBase);
    const double expectedFrames = front.stream()->nb_frames > 0
                                      ? static_cast<double>(front.stream()->nb_frames)
                                      : av_q2d(rate) * static_cast<double>(front.stream()->duration) * frontUnit;
    std::size_t overlayAt = 0;
    CombinedStats stats;
    for (;;) {
        if (cancel.load())
            return unexpected(Error{"cancelled", ECANCELED});
        auto got = front.next(picture.get(), copySound);
        if (!got)
            return unexpected(got.error());
        if (!*got)
            break;
        const std::int64_t pts = picture->best_effort_timestamp;
        const double seconds = static_cast<double>(pts) * frontUnit;
        // The latest rear picture not after this one.
        while (rearLeft && static_cast<double>(rearNext->best_effort_timestamp) * rearUnit <= seconds + 1e-6) {
            rearCurrent.reset(av_frame_clone(rearNext.get()));
            av_frame_unref(rearNext.get());
            auto more = rear.next(rearNext.get());
            if (!more)
                return unexpected(more.error());
            rearLeft = *more;
        }
        const AVFrame* rearSourceFrame = rearCurrent ? rearCurrent.get() : black.get();
        FramePtr rearCopy(av_frame_clone(rearSourceFrame));
        rearCopy->pts = pts;
        picture->pts = pts;
        const auto shownMs = static_cast<std::int64_t>(seconds * 1000.0);
        bool changed = false;
        while (overlayAt < options.overlay.size() && options.overlay[overlayAt].fromMs <= shownMs) {
            ++overlayAt;
            changed = true;
        }
        if (changed) {
            const std::string argument = "text=" + escapedFilterValue(options.overlay[overlayAt - 1].text);
            avfilter_graph_send_command(graph.get(), "drawtext", "reinit", argument.c_str(), nullptr, 0, 0);
        }
        if ((rc = av_buffersrc_add_frame(frontSource, picture.get())) < 0
            || (rc = av_buffersrc_add_frame(rearSource, rearCopy.get())) < 0)
            return unexpected(mediaFailure("composing", rc));
        if (auto pulled = pullComposed(); !pulled)
            return unexpected(pulled.error());
        ++stats.frames;
        if (progress && expectedFrames > 0)
            progress(std::min(1.0, static_cast<double>(stats.frames) / expectedFrames));
    }
    if ((rc = av_buffersrc_add_frame(frontSource, nullptr)) < 0 || (rc = av_buffersrc_add_frame(rearSource, nullptr)) < 0)
        return unexpected(mediaFailure("composing", rc));
    if (auto pulled = pullComposed(); !pulled)
        return unexpected(pulled.error());
    avcodec_send_frame(encoder.get(), nullptr);
    if (auto drained = drainEncoder(); !drained)
        return unexpected(drained.error());
    if ((rc = av_write_trailer(out.get())) < 0 || (rc = avio_closep(&out->pb)) < 0)
        return unexpected(mediaFailure(outPath, rc));
    stats.encodeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return stats;
}

} // namespace dravonix
