#pragma once
// A video engine that plays nothing: it remembers what it was told and lets
// the test say what the player reports.
#include "playback/playback_view.h"
#include "playback/video_engine.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>
#include <vector>

namespace dravonix::test {

class FakeEngine : public VideoEngine {
public:
    QStringList calls;
    QByteArray media;
    std::int64_t lengthMs = 60000;
    std::int64_t timeMs = 0;
    MediaState currentState = MediaState::Nothing;
    bool seekable = true;
    bool muted = false;
    int vol = 100;
    float rate = 1.0f;
    QString filter;
    bool filterOn = false;
    EventHandler handler;
    unsigned stamp = 0;

    // An event the player has posted for the file it holds; the handler sees it later.
    struct Posted {
        EngineEvent event;
        std::int64_t time;
        unsigned media;
    };
    std::vector<Posted> posted;

    void post(EngineEvent event, std::int64_t time = 0)
    {
        if (event == EngineEvent::VideoOutput || event == EngineEvent::TimeChanged)
            underWay = true;
        posted.push_back({event, time, stamp});
    }
    // What the UI thread's event loop does with the posted events, in order.
    void deliverPosted()
    {
        const std::vector<Posted> queue = std::move(posted);
        posted.clear();
        for (const Posted& p : queue)
            if (handler)
                handler(p.event, p.time, p.media);
    }
    void send(EngineEvent event, std::int64_t time = 0)
    {
        post(event, time);
        deliverPosted();
    }

    void setEventHandler(EventHandler h) override { handler = std::move(h); }
    void open(const QByteArray& path) override
    {
        media = path;
        calls << "open " + QString::fromUtf8(path);
        currentState = MediaState::Opening;
        underWay = false;
        ++stamp;
    }
    unsigned mediaStamp() const override { return stamp; }
    // When set, play and pause take effect at settle(), as the real player's
    // do some time after the call, and the player then reports its state.
    bool delayed = false;
    std::optional<MediaState> pending;
    // When set, a pause is ignored until the file is under way (it has
    // posted a picture or a clock), as the real player ignores one while it
    // still opens the file.
    bool ignoresEarlyPause = false;
    bool underWay = false;

    void play() override
    {
        calls << "play";
        if (!media.isEmpty())
            become(MediaState::Playing);
    }
    void pause() override
    {
        calls << "pause";
        if (ignoresEarlyPause && !underWay)
            return;
        if (pending.value_or(currentState) == MediaState::Playing)
            become(MediaState::Paused);
    }
    void become(MediaState state)
    {
        if (delayed)
            pending = state;
        else
            currentState = state;
    }
    void settle()
    {
        if (!pending)
            return;
        currentState = *pending;
        pending.reset();
        send(currentState == MediaState::Playing ? EngineEvent::Playing : EngineEvent::Paused);
    }
    void stop() override { calls << "stop"; currentState = MediaState::Stopped; }
    std::int64_t length() const override { return lengthMs; }
    std::int64_t time() const override { return timeMs; }
    void setTime(std::int64_t ms) override { timeMs = ms; calls << QString("time %1").arg(ms); }
    void setMute(bool on) override { muted = on; }
    int volume() const override { return vol; }
    void setVolume(int v) override { vol = v; calls << QString("volume %1").arg(v); }
    MediaState state() const override { return currentState; }
    bool isSeekable() const override { return seekable; }
    QSize videoSize() const override { return {1920, 1080}; }
    bool snapshot(const QString& path) override { calls << "snapshot " + path; return true; }
    void setRate(float r) override { rate = r; }
    void setFilter(const QString& name, bool on) override { filter = name; filterOn = on; }
};

class FakeView : public PlaybackView {
public:
    bool playVisible = false;
    QString rate = "1x";
    PaneLayout panes = PaneLayout::FrontLargeRearSmall;
    bool frontVideo = false;
    bool rearVideo = false;
    bool readoutTimer = false;
    int resets = 0;
    int selectedRow = -1;
    int tracksLoaded = 0;
    QString problem;     // the front pane's message
    QString rearProblem; // the rear pane's

    void seekBarChanged() override {}
    void volumeSliderChanged() override {}
    void graphChanged() override {}
    void showPlayButton(bool v) override { playVisible = v; }
    void setRateLabel(const QString& t) override { rate = t; }
    void setPaneVideo(bool front, bool has) override { (front ? frontVideo : rearVideo) = has; }
    void layoutPanes(PaneLayout l) override { panes = l; }
    void resetReadout() override { ++resets; }
    void setReadoutTimer(bool on) override { readoutTimer = on; }
    void selectListRow(int row) override { selectedRow = row; }
    void magnifierChanged() override {}
    void trackLoaded() override { ++tracksLoaded; }
    void showOpenProblem(const QString& text) override { problem = text; }
    void showPlaybackProblem(bool front, const QString& text) override { (front ? problem : rearProblem) = text; }
};

class FakeList : public RecordingListAccess {
public:
    QList<QByteArray> paths;
    int recordingCount() const override { return static_cast<int>(paths.size()); }
    QByteArray path(int row) const override { return paths.value(row); }
    QChar channelLetter(int row) const override
    {
        const QByteArray p = paths.value(row);
        return p.size() >= 5 ? QChar::fromLatin1(p.at(p.size() - 5)) : QChar();
    }
};

} // namespace dravonix::test
