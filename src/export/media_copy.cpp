#include "export/media_copy.h"

#include "export/media_input.h"
#include "telemetry/camera_layout.h"
#include "toolkit/text_format.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace dravonix {
namespace {

constexpr AVRational kMs{1, 1000};

// How far a file's last picture may end before the length its header gives:
// the sound may run on a little past the pictures, never seconds.
constexpr std::int64_t kPictureShortfallMs = 1000;

struct OutputCloser {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb != nullptr)
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;

bool sameParameters(const AVCodecParameters* a, const AVCodecParameters* b)
{
    return a->codec_id == b->codec_id && a->width == b->width && a->height == b->height
           && a->extradata_size == b->extradata_size
           && (a->extradata_size == 0 || std::memcmp(a->extradata, b->extradata, static_cast<std::size_t>(a->extradata_size)) == 0);
}

std::int64_t packetTime(const AVPacket* p) { return p->pts != AV_NOPTS_VALUE ? p->pts : p->dts; }

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readExact(int fd, void* out, std::size_t size, off_t at)
{
    auto* p = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const ssize_t got = ::pread(fd, p, size, at);
        if (got <= 0)
            return false;
        p += got;
        size -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

bool writeExact(int fd, const std::uint8_t* p, std::size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t put = ::pwrite(fd, p, size, at);
        if (put <= 0)
            return false;
        p += put;
        size -= static_cast<std::size_t>(put);
        at += put;
    }
    return true;
}

struct TopBox {
    std::uint32_t size = 0;
    std::string type;
};

std::optional<TopBox> topBoxAt(int fd, off_t at)
{
    std::array<std::uint8_t, 8> h{};
    if (!readExact(fd, h.data(), h.size(), at))
        return std::nullopt;
    return TopBox{(std::uint32_t{h[0]} << 24) | (std::uint32_t{h[1]} << 16) | (std::uint32_t{h[2]} << 8) | h[3],
                  std::string(reinterpret_cast<const char*>(h.data() + 4), 4)};
}

Error systemError(const std::string& what)
{
    const int code = errno;
    return Error{what + ": " + std::strerror(code), code};
}

} // namespace

Expected<CopiedClip, Error> copyPieces(const std::vector<CopyPiece>& pieces, const std::string& outPath,
                                       const std::atomic<bool>& cancel, const std::function<void(double)>& progress)
{
    if (pieces.empty())
        return unexpected(Error{"nothing to copy", 0});
    CopiedClip clip;
    Output out;
    std::array<int, 2> outIndex{-1, -1};          // video, audio
    std::array<std::int64_t, 2> lastDts{std::numeric_limits<std::int64_t>::min(),
                                        std::numeric_limits<std::int64_t>::min()};
    std::array<AVCodecParameters*, 2> firstParameters{};
    bool clipStarted = false;
    PacketPtr packet(av_packet_alloc());

    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const CopyPiece& piece = pieces[k];
        auto opened = openMovie(piece.path, &cancel, StreamProbe::HeaderOnly);
        if (!opened)
            return unexpected(opened.error());
        AVFormatContext* in = opened->get();
        const std::array<int, 2> inIndex{av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                                         av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
        if (inIndex[0] < 0)
            return unexpected(Error{piece.path + ": no pictures", 0});

        if (!out) {
            AVFormatContext* made = nullptr;
            if (const int rc = avformat_alloc_output_context2(&made, nullptr, "mp4", nullptr); rc < 0)
                return unexpected(Error{"cannot make an MP4: " + mediaErrorText(rc), 0});
            out.reset(made);
            av_opt_set(out->priv_data, "brand", "avc1", 0);
            for (std::size_t s = 0; s < 2; ++s) {
                if (inIndex[s] < 0)
                    continue;
                AVStream* stream = avformat_new_stream(out.get(), nullptr);
                if (stream == nullptr || avcodec_parameters_copy(stream->codecpar, in->streams[inIndex[s]]->codecpar) < 0)
                    return unexpected(Error{"out of memory", ENOMEM});
                stream->codecpar->codec_tag = 0;
                stream->time_base = in->streams[inIndex[s]]->time_base;
                outIndex[s] = stream->index;
                firstParameters[s] = stream->codecpar;
            }
            if (const int rc = avio_open2(&out->pb, ("file:" + outPath).c_str(), AVIO_FLAG_WRITE, nullptr, nullptr); rc < 0)
                return unexpected(Error{outPath + ": " + mediaErrorText(rc), AVUNERROR(rc)});
            if (const int rc = avformat_write_header(out.get(), nullptr); rc < 0)
                return unexpected(Error{outPath + ": " + mediaErrorText(rc), AVUNERROR(rc)});
        } else if (!sameParameters(firstParameters[0], in->streams[inIndex[0]]->codecpar)) {
            return unexpected(Error{piece.path + ": its pictures are encoded unlike the first file's, so the two can't "
                                    "be joined without re-encoding; export them in separate ranges", 0});
        }

        AVStream* video = in->streams[inIndex[0]];
        if (piece.offsetFrom > 0)
            av_seek_frame(in, inIndex[0], av_rescale_q(piece.offsetFrom, kMs, video->time_base), AVSEEK_FLAG_BACKWARD);
        bool started = false;
        std::int64_t startMs = 0;
        std::array<bool, 2> done{false, inIndex[1] < 0 || outIndex[1] < 0};
        std::int64_t shiftMs = 0;
        std::int64_t picturesEndMs = 0; // where this file's pictures read so far end
        while (!(done[0] && done[1])) {
            if (cancel.load())
                return unexpected(Error{"cancelled", ECANCELED});
            const int rc = av_read_frame(in, packet.get());
            if (rc == AVERROR_EOF)
                break;
            if (rc < 0)
                return unexpected(cancel.load() ? Error{"cancelled", ECANCELED}
                                                : Error{piece.path + ": " + mediaErrorText(rc), AVUNERROR(rc)});
            const PacketUnref unref(packet.get());
            const std::size_t s = packet->stream_index == inIndex[0] ? 0 : packet->stream_index == inIndex[1] ? 1 : 2;
            if (s == 2 || outIndex[s] < 0 || done[s])
                continue;
            const AVRational tb = in->streams[packet->stream_index]->time_base;
            const std::int64_t ms = av_rescale_q(packetTime(packet.get()), tb, kMs);
            if (s == 0)
                picturesEndMs = std::max(picturesEndMs, ms + av_rescale_q(packet->duration, tb, kMs));
            if (!started) {
                const bool key = s == 0 && (packet->flags & AV_PKT_FLAG_KEY) != 0;
                if (!key || (k > 0 && ms < piece.offsetFrom))
                    continue;
                started = true;
                startMs = ms;
                if (!clipStarted) {
                    clip.start = piece.recordingStart + ms;
                    clipStarted = true;
                }
                shiftMs = piece.recordingStart - clip.start;
            }
            if (ms < startMs)
                continue; // sound from before the first picture
            const std::int64_t endMs = s == 0 ? av_rescale_q(packet->dts, tb, kMs) : ms;
            if (endMs >= piece.offsetTo) {
                done[s] = true;
                continue;
            }
            const std::int64_t shift = av_rescale_q(shiftMs, kMs, tb);
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts += shift;
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts += shift;
            AVStream* target = out->streams[outIndex[s]];
            av_packet_rescale_ts(packet.get(), tb, target->time_base);
            if (packet->dts != AV_NOPTS_VALUE) {
                if (packet->dts <= lastDts[s])
                    continue; // overlaps what the previous file gave
                lastDts[s] = packet->dts;
            }
            clip.end = std::max(clip.end, piece.recordingStart + ms + av_rescale_q(packet->duration, tb, kMs));
            clip.bytesRead += static_cast<std::uint64_t>(packet->size);
            packet->stream_index = outIndex[s];
            packet->pos = -1;
            if (const int wrc = av_interleaved_write_frame(out.get(), packet.get()); wrc < 0)
                return unexpected(Error{outPath + ": " + mediaErrorText(wrc), AVUNERROR(wrc)});
            if (progress && s == 0 && piece.offsetTo > piece.offsetFrom)
                progress((static_cast<double>(k)
                          + std::clamp(static_cast<double>(ms - piece.offsetFrom) / static_cast<double>(piece.offsetTo - piece.offsetFrom), 0.0, 1.0))
                         / static_cast<double>(pieces.size()));
        }
        // A header that claims more than the file holds would have the clip
        // taken from pictures before the range, or a stretch of it go missing
        // without a word.
        if (!done[0] && picturesEndMs + kPictureShortfallMs < piece.offsetTo) {
            const auto seconds = [](std::int64_t ms) { return formatText("%.3f", static_cast<double>(ms) / 1000.0); };
            return unexpected(Error{piece.path + ": its pictures end at " + seconds(picturesEndMs)
                                        + " s, but the range needs it from " + seconds(piece.offsetFrom) + " s to "
                                        + seconds(piece.offsetTo) + " s: the file holds less than its header says",
                                    0});
        }
    }
    if (!out || !clipStarted)
        return unexpected(Error{"the range holds no key frame to start a clip from", 0});
    if (const int rc = av_write_trailer(out.get()); rc < 0)
        return unexpected(Error{outPath + ": " + mediaErrorText(rc), AVUNERROR(rc)});
    if (const int rc = avio_closep(&out->pb); rc < 0)
        return unexpected(Error{outPath + ": " + mediaErrorText(rc), AVUNERROR(rc)});
    if (progress)
        progress(1.0);
    return clip;
}

Expected<bool, Error> finishInCameraLayout(const std::string& path, const std::vector<RawTelemetryRecord>& records)
{
    Fd file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
    if (file.fd < 0)
        return unexpected(systemError(path));
    const auto unexpectedLayout = [&] { return unexpected(Error{path + ": not the MP4 layout libavformat writes", 0}); };
    const std::optional<TopBox> ftyp = topBoxAt(file.fd, 0);
    if (!ftyp || ftyp->type != "ftyp" || ftyp->size < 8)
        return unexpectedLayout();
    const std::optional<TopBox> free = topBoxAt(file.fd, ftyp->size);
    if (!free || free->type != "free" || free->size != 8)
        return unexpectedLayout();
    const off_t mdatAt = static_cast<off_t>(ftyp->size) + 8;
    const std::optional<TopBox> mdat = topBoxAt(file.fd, mdatAt);
    if (!mdat || mdat->type != "mdat")
        return unexpectedLayout();
    if (mdat->size == 1)
        return unexpected(Error{"the clip is larger than 4 GB, more than the camera's layout can address; export a "
                                "shorter range", EFBIG});
    const off_t moovAt = mdatAt + static_cast<off_t>(mdat->size);
    const std::optional<TopBox> moov = topBoxAt(file.fd, moovAt);
    struct stat st {};
    if (!moov || moov->type != "moov" || ::fstat(file.fd, &st) != 0 || moovAt + static_cast<off_t>(moov->size) != st.st_size)
        return unexpectedLayout();

    mp4::Bytes movie(moov->size);
    if (!readExact(file.fd, movie.data(), movie.size(), moovAt))
        return unexpected(systemError(path));
    const mp4::Bytes chunks = mp4::chunkPayload(records);
    if (static_cast<std::uint64_t>(moovAt) + chunks.size() > 0xffffffffu)
        return unexpected(Error{"the clip is larger than 4 GB, more than the camera's layout can address; export a "
                                "shorter range", EFBIG});
    mp4::Bytes newMovie;
    mp4::Bytes newFtyp;
    try {
        newMovie = mp4::cameraMovie(movie, static_cast<std::uint32_t>(moovAt), records.size());
        newFtyp = mp4::cameraFtypOfSize(ftyp->size + 8);
    } catch (const std::exception& e) {
        return unexpected(Error{path + ": " + e.what(), 0});
    }
    mp4::Bytes mdatHeader;
    mp4::putU32(mdatHeader, static_cast<std::uint32_t>(mdat->size + chunks.size()));
    if (::ftruncate(file.fd, moovAt) != 0 || !writeExact(file.fd, chunks.data(), chunks.size(), moovAt)
        || !writeExact(file.fd, newMovie.data(), newMovie.size(), moovAt + static_cast<off_t>(chunks.size()))
        || !writeExact(file.fd, newFtyp.data(), newFtyp.size(), 0)
        || !writeExact(file.fd, mdatHeader.data(), mdatHeader.size(), mdatAt))
        return unexpected(systemError(path));
    return true;
}

std::optional<std::string> checkMovie(const std::string& path)
{
    auto opened = openMovie(path, nullptr, StreamProbe::HeaderOnly);
    if (!opened)
        return opened.error().message;
    if (av_find_best_stream(opened->get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) < 0)
        return path + ": no pictures";
    return std::nullopt;
}

} // namespace dravonix
