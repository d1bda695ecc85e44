#pragma once
// What the playback controller asks of the window: the visible side effects
// of opening, playing and seeking. The main window implements it; tests
// record the calls.

#include <cstdint>
#include <QByteArray>
#include <QString>

namespace dravonix {

enum class Pane { Large, Small };

// Where the two engines' pictures are shown.
enum class PaneLayout {
    FrontLargeRearSmall,
    FrontSmallRearLarge,
    FullScreenFront, // the front pane over the full-screen area, the rear hidden
    FullScreenRear,
    FullScreenBoth, // both panes side by side over the full-screen area
};

class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    virtual void seekBarChanged() = 0;    // range, position or enabled state
    virtual void volumeSliderChanged() = 0;
    virtual void graphChanged() = 0;       // reset or cursor moved
    virtual void showPlayButton(bool playVisible) = 0; // exactly one of play and pause shows
    virtual void setRateLabel(const QString& text) = 0;
    virtual void setPaneVideo(bool frontEngine, bool hasVideo) = 0;
    virtual void layoutPanes(PaneLayout layout) = 0;
    virtual void resetReadout() = 0;       // HDOP "1.0", satellites "0"
    virtual void setReadoutTimer(bool running) = 0;
    virtual void selectListRow(int row) = 0;
    virtual void magnifierChanged() = 0;
    // The open recording's telemetry has been read into the store.
    virtual void trackLoaded() {}
    // A trip playing has opened another of its files.
    virtual void tripFileOpened() {}
    // Why the recording asked for can't be played, shown where its pictures
    // would be; an empty text takes the message away.
    virtual void showOpenProblem(const QString& text) = 0;
    // Why the file one engine opened can't be played after all (damaged, not
    // a video), shown in that engine's pane until the next open.
    virtual void showPlaybackProblem(bool frontEngine, const QString& text) = 0;
};

// The recording list as the controller reads it, in display order.
class RecordingListAccess {
public:
    virtual ~RecordingListAccess() = default;
    virtual int recordingCount() const = 0;
    virtual QByteArray path(int row) const = 0;       // the file system's bytes; empty when it can't be read
    virtual QChar channelLetter(int row) const = 0;   // null when none
};

} // namespace dravonix
