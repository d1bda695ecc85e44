#pragma once
// Decides what the two engines play: opening a recording with its partner
// channel, starting, following the front engine's clock with the seek bar
// and the graph, playing through the list, and the transport commands. It
// knows nothing of libvlc or widgets: engines, window and list come in
// through interfaces, so every rule is tested with fakes.

#include "playback/playback_view.h"
#include "playback/video_engine.h"
#include "telemetry/telemetry_track.h"
#include "toolkit/slider_model.h"
#include "views/gsensor_graph_model.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QString>

namespace dravonix {

// A telemetry track read off the UI thread, stamped with the open it belongs to.
struct TrackDelivery {
    unsigned generation = 0;
    TelemetryTrack track;
};

enum class ChannelMode { Both = 0, FrontOnly = 1, RearOnly = 2 };
enum class TransportKey { Space, Enter, PageUp, PageDown, Left, Right };

class PlaybackController {
public:
    PlaybackController(VideoEngine* front, VideoEngine* rear, TelemetryTrack& store, GSensorGraphModel& graph,
                       PlaybackView& view, RecordingListAccess& list);

    // Opening and playing through the list. The pictures start at once; the
    // telemetry track is read on a worker and fills in the store, the graph
    // and the readout when it arrives. Anything but a regular file is refused
    // before an engine or the reader sees it: a FIFO or a device would block
    // whoever opens it.
    void openRecording(const QByteArray& nativePath, bool front);
    void listActivated(int row);
    // A new scan replaced the rows: no row is current any more.
    void listReplaced() { currentRow_ = -1; }
    void nextRecording();
    void previousRecording();
    // The end of a file, handed back by the window after the engine event
    // has been queued; a posting for a file that was replaced since is ignored.
    void endOfFilePosted(unsigned generation);

    // Engine events, on the UI thread.
    void frontEvent(EngineEvent event, std::int64_t newTimeMs);
    void rearEvent(EngineEvent event);

    // Transport.
    void play();
    void pause();
    void skipBackward() { skip(-10000); }
    void skipForward() { skip(+10000); }
    void doubleSpeed() { setSpeed(true); }
    void normalSpeed() { setSpeed(false); }
    void seekReleased();
    void volumeReleased();
    // The volume icon: to 0, and back to where the slider was before.
    void toggleMute();
    bool muted() const { return volume_.position() == 0; }
    void swap();
    void step(int direction); // -1 or +1: three seconds from the engine's time
    void key(TransportKey key);
    void toggleMagnifier();

    // Snapshot: which engine shows in the large pane, and the pause around the dialog.
    bool snapshotAllowed() const;
    bool pauseForSnapshot(); // true when it paused the engines
    void resumeAfterSnapshot(bool pausedHere);
    VideoEngine* largePaneEngine() const;

    // Full screen: the view the buttons ask for, and the pane layout on entering and leaving.
    int fullScreenViewRequest() const; // 1, or 2 when the panes are swapped
    void enterFullScreen(int view);
    void leaveFullScreen();

    // Readout tick (timer 258) inputs.
    bool frontPlaying() const;

    ChannelMode mode() const { return mode_; }
    bool swapped() const { return swapped_; }
    bool doubleSpeedOn() const { return doubleSpeed_; }
    bool fullScreen() const { return fullScreen_; }
    bool magnifier() const { return magnifier_; }
    int currentRow() const { return currentRow_; }
    unsigned generation() const { return generation_; }
    // True while the open recording's track is still being read.
    bool trackPending() const { return trackPending_; }
    bool paneHasVideo(bool frontEngine) const { return frontEngine ? frontVideo_ : rearVideo_; }
    SliderModel& seekBar() { return seekBar_; }
    SliderModel& volumeSlider() { return volume_; }
    const SliderModel& seekBar() const { return seekBar_; }
    PaneLayout paneLayout() const { return layout_; }
    QString rateLabel() const { return rateLabel_; }

private:
    void startPlayback();
    void enableSeekBar(bool on);
    void refreshSeekBar();
    void skip(std::int64_t delta);
    void seekBoth(std::int64_t ms);
    void setGraphBySeekMaximum(std::int64_t ms);
    void setGraphByLength(std::int64_t ms, std::int64_t length);
    void setRateLabel(const QString& text);
    void setSpeed(bool twice);
    void showPlayForState();
    void layout(PaneLayout layout);
    void applyMagnifier();
    void openRow(int row);
    void readTrackInBackground(const QByteArray& nativePath);
    void trackArrived(TrackDelivery delivery);
    void showUnplayable(bool frontEngine);

    VideoEngine* front_;
    VideoEngine* rear_;
    TelemetryTrack& store_;
    GSensorGraphModel& graph_;
    PlaybackView& view_;
    RecordingListAccess& list_;

    ChannelMode mode_ = ChannelMode::Both;
    bool swapped_ = false;
    bool doubleSpeed_ = false;
    int currentRow_ = -1;
    bool volumeInitialised_ = false;
    bool fullScreen_ = false;
    bool magnifier_ = false;
    bool frontVideo_ = false;
    bool rearVideo_ = false;
    // What each engine opened, and whether a picture of it was on its way:
    // a file that ends or fails without one can't be played.
    QByteArray frontPath_;
    QByteArray rearPath_;
    bool frontPicture_ = false;
    bool rearPicture_ = false;
    std::int64_t volumeBeforeMute_ = 50;
    unsigned generation_ = 0;
    bool trackPending_ = false;
    bool started_ = false; // the engines of the current open were told to play
    QFutureWatcher<TrackDelivery> trackReader_;
    SliderModel seekBar_;
    SliderModel volume_;
    PaneLayout layout_ = PaneLayout::FrontLargeRearSmall;
    QString rateLabel_ = QStringLiteral("1x");
};

} // namespace dravonix
