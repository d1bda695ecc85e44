#include "playback/libvlc_engine.h"
#include "playback/sound_output.h"

#include <cstdio>
#include <QFile>
#include <QMetaObject>

#include <vlc/vlc.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace dravonix {
namespace {

// The engine's start options. "--play-and-pause" is left out: with it libvlc
// pauses at the end of a file and never reports the end, so the list would
// not play on. A short file cache and a single decoder thread (no frame
// threading delay) bring the first picture of a pair well under 300 ms;
// one thread per channel decodes a dash camera's 1080p easily.
const char* const kOptions[] = {"--ignore-config", "--no-video-title-show", "--no-snapshot-preview", "--no-osd",
                                "--no-xlib", "--quiet", "--file-caching=50", "--avcodec-threads=1"};

const libvlc_event_e kEvents[] = {libvlc_MediaPlayerTimeChanged, libvlc_MediaPlayerEndReached,
                                  libvlc_MediaPlayerOpening,     libvlc_MediaPlayerPlaying,
                                  libvlc_MediaPlayerPaused,      libvlc_MediaPlayerVout,
                                  libvlc_MediaPlayerEncounteredError};

} // namespace

LibVlcEngine::LibVlcEngine(const QStringList& extraOptions, QObject* parent) : QObject(parent)
{
    std::vector<QByteArray> storage;
    std::vector<const char*> argv(std::begin(kOptions), std::end(kOptions));
    for (const QString& option : extraOptions)
        storage.push_back(option.toUtf8());
    const bool audioChosen = std::any_of(extraOptions.begin(), extraOptions.end(),
                                         [](const QString& o) { return o.startsWith(QLatin1String("--aout")); });
    if (!audioChosen && !soundOutputPresent())
        storage.emplace_back("--aout=dummy");
    for (const QByteArray& option : storage)
        argv.push_back(option.constData());
    instance_ = libvlc_new(static_cast<int>(argv.size()), argv.data());
    if (instance_ == nullptr)
        return;
    player_ = libvlc_media_player_new(instance_);
    if (player_ == nullptr)
        return;
    libvlc_video_set_callbacks(player_, &LibVlcEngine::onLock, &LibVlcEngine::onUnlock, &LibVlcEngine::onDisplay, this);
    libvlc_video_set_format_callbacks(player_, &LibVlcEngine::onFormat, &LibVlcEngine::onCleanup);
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(player_);
    for (const libvlc_event_e type : kEvents)
        libvlc_event_attach(events, type, &LibVlcEngine::onEvent, this);
}

LibVlcEngine::~LibVlcEngine()
{
    if (player_ != nullptr) {
        libvlc_media_player_stop(player_); // no callback runs after this returns
        libvlc_event_manager_t* events = libvlc_media_player_event_manager(player_);
        for (const libvlc_event_e type : kEvents)
            libvlc_event_detach(events, type, &LibVlcEngine::onEvent, this);
        libvlc_media_player_release(player_);
    }
    if (media_ != nullptr)
        libvlc_media_release(media_);
    if (instance_ != nullptr)
        libvlc_release(instance_);
}

void LibVlcEngine::onEvent(const libvlc_event_t* event, void* self)
{
    auto* engine = static_cast<LibVlcEngine*>(self);
    // Read here, on the player's thread: open() moves the stamp on only once
    // the player has let go of the file before, so this names the file the
    // event belongs to however long it then waits in the queue.
    const unsigned media = engine->mediaStamp_.load();
    switch (event->type) {
    case libvlc_MediaPlayerOpening: engine->deliver(EngineEvent::Opening, 0, media); break;
    case libvlc_MediaPlayerPlaying: engine->deliver(EngineEvent::Playing, 0, media); break;
    case libvlc_MediaPlayerPaused: engine->deliver(EngineEvent::Paused, 0, media); break;
    case libvlc_MediaPlayerEndReached: engine->deliver(EngineEvent::EndReached, 0, media); break;
    case libvlc_MediaPlayerTimeChanged:
        engine->deliver(EngineEvent::TimeChanged, event->u.media_player_time_changed.new_time, media);
        break;
    case libvlc_MediaPlayerVout: // also sent with a count of 0 when the output goes at the end
        if (event->u.media_player_vout.new_count > 0)
            engine->deliver(EngineEvent::VideoOutput, 0, media);
        break;
    case libvlc_MediaPlayerEncounteredError: engine->deliver(EngineEvent::EncounteredError, 0, media); break;
    default: break;
    }
}

void LibVlcEngine::deliver(EngineEvent event, std::int64_t time, unsigned media)
{
    // Never call back into the player from its own thread: post, and let the
    // UI thread act. The object is the context, so nothing runs after it is gone.
    QMetaObject::invokeMethod(
        this,
        [this, event, time, media] {
            if (handler_)
                handler_(event, time, media);
        },
        Qt::QueuedConnection);
}

QSize LibVlcEngine::trackSize() const
{
    if (media_ == nullptr)
        return {};
    libvlc_media_track_t** tracks = nullptr;
    const unsigned count = libvlc_media_tracks_get(media_, &tracks);
    QSize size;
    for (unsigned i = 0; i < count && size.isEmpty(); ++i)
        if (tracks[i]->i_type == libvlc_track_video)
            size = QSize(static_cast<int>(tracks[i]->video->i_width), static_cast<int>(tracks[i]->video->i_height));
    if (count > 0)
        libvlc_media_tracks_release(tracks, count);
    return size;
}

unsigned LibVlcEngine::onFormat(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                                unsigned* lines)
{
    auto* engine = static_cast<LibVlcEngine*>(*opaque);
    // The decoder's own planes (I420), at the picture's visible size: the
    // size offered is the decoder's buffer (1080 lines arrive as 1088), and
    // asking for that would make libvlc scale every picture to it.
    std::memcpy(chroma, "I420", 4);
    const QSize visible = engine->trackSize();
    if (!visible.isEmpty() && visible.width() <= static_cast<int>(*width) && visible.height() <= static_cast<int>(*height)) {
        *width = static_cast<unsigned>(visible.width());
        *height = static_cast<unsigned>(visible.height());
    }
    engine->frames_.setFormat(static_cast<int>(*width), static_cast<int>(*height), static_cast<int>(*width),
                              static_cast<int>(*height));
    const auto align = [](unsigned v) { return (v + 31u) & ~31u; };
    pitches[0] = align(*width);
    pitches[1] = pitches[2] = align((*width + 1) / 2);
    lines[0] = align(*height);
    lines[1] = lines[2] = align((*height + 1) / 2);
    return 1;
}

void LibVlcEngine::onCleanup(void* /*opaque*/) {}

void* LibVlcEngine::onLock(void* opaque, void** planes)
{
    return static_cast<LibVlcEngine*>(opaque)->frames_.lockPlanes(planes);
}

void LibVlcEngine::onUnlock(void* /*opaque*/, void* /*picture*/, void* const* /*planes*/) {}

void LibVlcEngine::onDisplay(void* opaque, void* /*picture*/)
{
    auto* engine = static_cast<LibVlcEngine*>(opaque);
    engine->frames_.publish();
    // One pending repaint at a time: a slow UI skips pictures instead of queueing them.
    if (!engine->framePending_.exchange(true)) {
        QMetaObject::invokeMethod(
            engine,
            [engine] {
                engine->framePending_ = false;
                emit engine->frameReady();
            },
            Qt::QueuedConnection);
    }
}

void LibVlcEngine::openAt(const QByteArray& nativePath, std::int64_t startMs)
{
    if (instance_ == nullptr || player_ == nullptr)
        return;
    // A media that can't be made leaves the player empty, not holding the file before.
    libvlc_media_t* media = libvlc_media_new_path(instance_, nativePath.constData());
    if (media != nullptr && startMs > 0) {
        // The input starts there: no picture of the file's start shows first.
        // Seconds with a point whatever the locale.
        char option[48];
        std::snprintf(option, sizeof option, ":start-time=%lld.%03lld", static_cast<long long>(startMs / 1000),
                      static_cast<long long>(startMs % 1000));
        libvlc_media_add_option(media, option);
    }
    if (media_ != nullptr)
        libvlc_media_release(media_);
    media_ = media;
    frames_.clear();
    // Setting the media ends the input of the file before and waits for its
    // thread, so every event of that file has read the old stamp by now.
    libvlc_media_player_set_media(player_, media_);
    ++mediaStamp_;
}

void LibVlcEngine::play()
{
    if (player_ != nullptr)
        libvlc_media_player_play(player_);
}

void LibVlcEngine::pause()
{
    // Not libvlc's toggle: that decides from a state which lags the commands,
    // so a pause right after a play would resume. A player that can't pause
    // yet (still opening) would stop instead, so it is left playing.
    if (player_ != nullptr && libvlc_media_player_can_pause(player_) != 0)
        libvlc_media_player_set_pause(player_, 1);
}

void LibVlcEngine::stop()
{
    if (player_ != nullptr)
        libvlc_media_player_stop(player_);
}

std::int64_t LibVlcEngine::length() const { return player_ != nullptr ? libvlc_media_player_get_length(player_) : 0; }

std::int64_t LibVlcEngine::time() const { return player_ != nullptr ? libvlc_media_player_get_time(player_) : 0; }

void LibVlcEngine::setTime(std::int64_t ms)
{
    if (player_ != nullptr)
        libvlc_media_player_set_time(player_, ms);
}

void LibVlcEngine::setMute(bool on)
{
    if (player_ != nullptr)
        libvlc_audio_set_mute(player_, on ? 1 : 0);
}

int LibVlcEngine::volume() const { return player_ != nullptr ? libvlc_audio_get_volume(player_) : 0; }

void LibVlcEngine::setVolume(int volume)
{
    if (player_ != nullptr)
        libvlc_audio_set_volume(player_, std::clamp(volume, 0, 100));
}

MediaState LibVlcEngine::state() const
{
    if (media_ == nullptr)
        return MediaState::Nothing;
    return static_cast<MediaState>(libvlc_media_get_state(media_));
}

bool LibVlcEngine::isSeekable() const { return player_ != nullptr && libvlc_media_player_is_seekable(player_) != 0; }

QSize LibVlcEngine::videoSize() const
{
    unsigned width = 0;
    unsigned height = 0;
    if (player_ != nullptr && libvlc_video_get_size(player_, 0, &width, &height) == 0)
        return QSize(static_cast<int>(width), static_cast<int>(height));
    return {};
}

int LibVlcEngine::lostPictures() const
{
    libvlc_media_stats_t stats{};
    if (media_ == nullptr || libvlc_media_get_stats(media_, &stats) == 0)
        return 0;
    return stats.i_lost_pictures;
}

bool LibVlcEngine::snapshot(const QString& pngPath)
{
    if (player_ == nullptr)
        return false;
    // Width and height 0: the picture at the video's own size.
    return libvlc_video_take_snapshot(player_, 0, QFile::encodeName(pngPath).constData(), 0, 0) == 0;
}

void LibVlcEngine::setRate(float rate)
{
    if (player_ != nullptr)
        libvlc_media_player_set_rate(player_, std::clamp(rate, 0.25f, 4.0f));
}

void LibVlcEngine::setFilter(const QString& name, bool on)
{
    // libvlc 3 can't switch a filter on a running player; the pane draws the
    // magnifier from the decoded picture instead, at once.
    if (name == QLatin1String("magnify") && on != magnifier_) {
        magnifier_ = on;
        emit magnifierToggled(on);
    }
}

} // namespace dravonix
