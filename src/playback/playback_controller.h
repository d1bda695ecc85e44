#pragma once
// Decides what the two engines play: opening a recording with its partner
// channel, starting, following the front engine's clock with the seek bar
// and the graph, playing through the list, and the transport commands. It
// knows nothing of libvlc or widgets: engines, window and list come in
// through interfaces, so every rule is tested with fakes.

#include "playback/playback_view.h"
#include "playback/trip_playback.h"
#include "playback/video_engine.h"
#include "telemetry/telemetry_track.h"
#include "toolkit/slider_model.h"
#include "views/gsensor_graph_model.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace dravonix {

// A telemetry track read off the UI thread, stamped with the open it belongs to.
struct TrackDelivery {
    unsigned generation = 0;
    TelemetryTrack track;
};

enum class ChannelMode { Both = 0, FrontOnly = 1, RearOnly = 2 };
enum class TransportKey { Space, Enter, PageUp, PageDown, Left, Right, NextEvent, PreviousEvent };

class PlaybackController {
public:
    // Installs its own handlers on both engines and takes them away again when it goes.
    PlaybackController(VideoEngine* front, VideoEngine* rear, TelemetryTrack& store, GSensorGraphModel& graph,
                       PlaybackView& view, RecordingListAccess& list);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    // Opening and playing through the list. The pictures start at once; the
    // telemetry track is read on a worker and fills in the store, the graph
    // and the readout when it arrives. Anything but a regular file is refused
    // before an engine or the reader sees it: a FIFO or a device would block
    // whoever opens it.
    void openRecording(const QByteArray& nativePath, bool front);
    void listActivated(int row);
    // A new scan replaced the rows: the recording playing is followed to its
    // rows in the new list (the same path bytes), or no row is current.
    void listReplaced();
    void nextRecording();
    void previousRecording();

    // A trip played as one: the seek bar spans the whole trip, its files
    // open one after the other as the trip time reaches them, and the graph
    // shows a window of the trip's samples around the cursor once they are
    // given. Opening a recording or a list row leaves the trip.
    void playTrip(std::shared_ptr<const TripPlayback> trip, std::int64_t fromTripMs = 0);
    void leaveTrip();
    bool playingTrip() const { return trip_ != nullptr; }
    const std::shared_ptr<const TripPlayback>& trip() const { return trip_; }
    std::size_t tripPiece() const { return tripPiece_; }
    // The trip's merged acceleration, in trip time, for the graph.
    void setTripAcceleration(std::vector<TimedAcceleration> samples);
    // To a trip time, opening another of its files when it lies in one.
    void seekTrip(std::int64_t tripMs);
    void nextEvent();
    void previousEvent();
    // The open file's length and position, which the readout and the map
    // follow (the seek bar's own range in a single recording).
    std::pair<std::int64_t, std::int64_t> readoutScale() const;

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
    bool heldAtEnd() const { return atEnd_; }
    bool magnifier() const { return magnifier_; }
    int currentRow() const { return currentRow_; }
    const QByteArray& openedPath() const { return openedPath_; } // empty when nothing plays
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
    // Opening one file, in or out of a trip; without its partner channel
    // when `withPartner` is off.
    void openFile(const QByteArray& nativePath, bool front, std::int64_t startMs = 0, bool withPartner = true);
    void openTripTarget(const TripTarget& target, bool withPartner = true);
    // The piece playing has run out: the next one, or the trip's end.
    void advanceTrip();
    void moveToTripPiece(std::size_t piece);
    // The file on the front engine can't be played: the rear of the same
    // recording plays on in its place, else the trip goes on with the next
    // recording, else it ends.
    void tripFileFailed();
    // Pauses both engines and keeps asking until each says it has paused:
    // a player still opening its file ignores a pause.
    void holdPaused();
    void setTripCursor(std::int64_t tripMs);
    // Engine events of the files this controller opened; the handlers drop
    // those of files replaced since.
    void frontEvent(EngineEvent event, std::int64_t newTimeMs);
    void rearEvent(EngineEvent event, std::int64_t newTimeMs);
    void endOfFile();
    // The end of a recording that nothing follows: it stays loaded at its
    // end with its last pictures, and Play, Space, Left, skip backward or
    // the seek bar play it again.
    void holdAtEnd();
    void playAgainFrom(std::int64_t ms);
    void startPlayback();
    void enableSeekBar(bool on);
    void refreshSeekBar();
    void awaitLanding(std::int64_t fileMs, std::int64_t fromMs);
    bool clockBeforeLanding(std::int64_t fileMs);
    void skip(std::int64_t delta);
    void seekBoth(std::int64_t ms);
    void setGraphBySeekMaximum(std::int64_t ms);
    void setGraphByLength(std::int64_t ms, std::int64_t length);
    void setRateLabel(const QString& text);
    void setSpeed(bool twice);
    void showPlaying(bool playing); // the pause button while playing, else the play button
    void layout(PaneLayout layout);
    void applyMagnifier();
    // The first and last list row of the recording `row` shows: a front-rear
    // pair sits on two neighbouring rows, in either order.
    std::pair<int, int> recordingRows(int row) const;
    void openListRow(int row);
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
    int currentRow_ = -1; // the last row of the recording playing
    int firstRow_ = -1;   // and its first
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
    bool rearFailed_ = false; // the rear file of the current open can't be played
    std::int64_t volumeBeforeMute_ = 50;
    unsigned generation_ = 0;
    QByteArray openedPath_; // the path the recording playing was opened from; empty for none
    // The media stamps of the files opened on the engines; none while an engine holds nothing of ours.
    std::optional<unsigned> frontMedia_;
    std::optional<unsigned> rearMedia_;
    bool trackPending_ = false;
    bool started_ = false; // the engines of the current open were told to play
    bool playing_ = false; // what the buttons show
    bool atEnd_ = false;   // held at the end of the last recording
    // The user paused: a file of the trip opened by a seek lands paused too, until Play.
    bool userPaused_ = false;
    // An engine asked to pause that hasn't said it has.
    bool frontHold_ = false;
    bool rearHold_ = false;
    // Where a file of the trip opened while paused is to stand: each engine
    // plays until its clock runs there, then pauses and is sent back to it.
    std::optional<std::int64_t> frontLandAt_;
    std::optional<std::int64_t> rearLandAt_;
    QFutureWatcher<TrackDelivery> trackReader_;
    std::shared_ptr<const TripPlayback> trip_;
    std::size_t tripPiece_ = 0;
    std::optional<std::size_t> tripRecording_; // the trip's recording open on the engines
    // The rear in the large pane, as last chosen while both channels played:
    // kept over a stretch that plays one channel only.
    bool tripRearLarge_ = false;
    // Where a file of a trip was asked to start: the player may not take a
    // seek given before it is under way, and gets it again then.
    std::optional<std::int64_t> pendingSeek_;
    // Where a trip's file was last opened or sought to, until its clock gets there.
    std::optional<std::int64_t> landingMs_;
    bool landingFromBelow_ = true;
    int clocksBeforeLanding_ = 0;
    // The event the last N or P went to: the player's clock lands a little
    // before it, or has moved on a little, and the next press counts from it.
    std::optional<std::int64_t> lastEventJump_;
    SliderModel seekBar_;
    SliderModel volume_;
    PaneLayout layout_ = PaneLayout::FrontLargeRearSmall;
    QString rateLabel_ = QStringLiteral("1x");
};

} // namespace dravonix
