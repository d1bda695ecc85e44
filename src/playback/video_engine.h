#pragma once
// One video player bound to one pane. The controller drives two of these
// through this interface; the program's engine is libvlc, tests use a fake.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>

namespace dravonix {

// The player's media states that the controller tests.
enum class MediaState { Nothing = 0, Opening = 1, Buffering = 2, Playing = 3, Paused = 4, Stopped = 5, Ended = 6, Error = 7 };

// VideoOutput: the player shows pictures of the media (its first picture is
// on its way). EncounteredError: the media can't be played at all.
enum class EngineEvent { Opening, Playing, Paused, EndReached, TimeChanged, VideoOutput, EncounteredError };

class VideoEngine {
public:
    virtual ~VideoEngine() = default;

    // Events arrive on the thread that owns the engine's receiver (the UI
    // thread for the program's engine), never on a player thread, and some
    // time after the player posted them. Each carries the media stamp that
    // was current when the player posted it: an event still queued when the
    // next file opens names the file it belongs to.
    using EventHandler = std::function<void(EngineEvent event, std::int64_t newTimeMs, unsigned mediaStamp)>;
    virtual void setEventHandler(EventHandler handler) = 0;

    // The file system's bytes; nothing starts playing. Every open moves the media stamp on.
    virtual void open(const QByteArray& nativePath) = 0;
    // The same, the file to start at `startMs` once played: its first picture
    // is from there. A seek given while a file is still opening may be lost.
    virtual void openAt(const QByteArray& nativePath, std::int64_t startMs)
    {
        open(nativePath);
        if (startMs > 0)
            setTime(startMs);
    }
    virtual unsigned mediaStamp() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0; // pauses a playing file; never resumes one
    virtual void stop() = 0;
    virtual std::int64_t length() const = 0;
    virtual std::int64_t time() const = 0;
    virtual void setTime(std::int64_t ms) = 0;
    virtual void setMute(bool on) = 0;
    virtual int volume() const = 0;
    virtual void setVolume(int volume) = 0;
    virtual MediaState state() const = 0; // Nothing before the first open
    virtual bool isSeekable() const = 0;
    virtual QSize videoSize() const = 0;
    virtual bool snapshot(const QString& pngPath) = 0; // at the video's own size
    virtual void setRate(float rate) = 0;
    virtual void setFilter(const QString& name, bool on) = 0;
};

} // namespace dravonix
