#pragma once
// A video engine that plays nothing: it remembers what it was told and lets
// the test say what the player reports.
#include "playback/playback_view.h"
#include "playback/video_engine.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

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

    void setEventHandler(EventHandler h) override { handler = std::move(h); }
    void open(const QByteArray& path) override
    {
        media = path;
        calls << "open " + QString::fromUtf8(path);
        currentState = MediaState::Opening;
    }
    void play() override { calls << "play"; if (!media.isEmpty()) currentState = MediaState::Playing; }
    void pause() override
    {
        calls << "pause";
        currentState = currentState == MediaState::Playing ? MediaState::Paused : MediaState::Playing;
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
