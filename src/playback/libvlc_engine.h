#pragma once
// The program's video engine: one libvlc instance and player, decoding into
// our own buffers through the video callbacks so that it needs no native
// window and works with no display at all. libvlc calls back on its own
// threads; those callbacks only copy and post, and every event reaches the
// handler on the thread of this object.

#include "playback/video_engine.h"
#include "playback/video_frame.h"

#include <QFile>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
struct libvlc_event_t;

namespace dravonix {

class LibVlcEngine final : public QObject, public VideoEngine {
    Q_OBJECT
public:
    // `extraOptions` go to libvlc after ours (tests pass "--aout=dummy").
    explicit LibVlcEngine(const QStringList& extraOptions = {}, QObject* parent = nullptr);
    ~LibVlcEngine() override;

    bool valid() const { return player_ != nullptr; }
    const FrameExchange& frames() const { return frames_; }
    bool magnifierOn() const { return magnifier_; }
    // Pictures the player decoded but could not show in time, for this media.
    int lostPictures() const;

    void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }
    void open(const QByteArray& nativePath) override { openAt(nativePath, 0); }
    void openAt(const QByteArray& nativePath, std::int64_t startMs) override;
    unsigned mediaStamp() const override { return mediaStamp_.load(); }
    // A path given as text, for names that are valid in the file system's encoding.
    void open(const QString& path) { open(QFile::encodeName(path)); }
    void play() override;
    void pause() override;
    void stop() override;
    std::int64_t length() const override;
    std::int64_t time() const override;
    void setTime(std::int64_t ms) override;
    void setMute(bool on) override;
    int volume() const override;
    void setVolume(int volume) override;
    MediaState state() const override;
    bool isSeekable() const override;
    QSize videoSize() const override;
    bool snapshot(const QString& pngPath) override;
    void setRate(float rate) override;
    void setFilter(const QString& name, bool on) override;

signals:
    void frameReady();             // a new picture to paint (coalesced)
    void magnifierToggled(bool on);

private:
    static void onEvent(const libvlc_event_t* event, void* self);
    static unsigned onFormat(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                             unsigned* lines);
    static void onCleanup(void* opaque);
    static void* onLock(void* opaque, void** planes);
    static void onUnlock(void* opaque, void* picture, void* const* planes);
    static void onDisplay(void* opaque, void* picture);
    void deliver(EngineEvent event, std::int64_t time, unsigned media);
    QSize trackSize() const;

    libvlc_instance_t* instance_ = nullptr;
    libvlc_media_player_t* player_ = nullptr;
    libvlc_media_t* media_ = nullptr;
    EventHandler handler_;
    FrameExchange frames_;
    std::atomic<bool> framePending_{false};
    std::atomic<unsigned> mediaStamp_{0}; // read by the player's threads when they post an event
    bool magnifier_ = false;
};

} // namespace dravonix
