#include "playback/playback_controller.h"

#include "fake_engine.h"
#include "telemetry/camera_layout.h"

#include "../qt_wait.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;
using namespace dravonix::test;

namespace {

// A card folder with real files: recordings with a telemetry track of 61
// samples where asked, plain bytes otherwise.
struct Card {
    QTemporaryDir dir;

    // QTemporaryDir removes by name as text, which misses names that aren't UTF-8.
    ~Card()
    {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(dir.path()).toStdString(), ignored);
    }

    // `name` is the file system's bytes: not necessarily UTF-8.
    QByteArray add(const QByteArray& name, int samples = 0)
    {
        const QByteArray path = QFile::encodeName(dir.path()) + "/" + name;
        const int handle = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(handle, 0) << path.constData();
        QFile file;
        EXPECT_TRUE(file.open(handle, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
        if (samples > 0) {
            std::vector<mp4::TelemetryRecord> records(static_cast<std::size_t>(samples));
            for (int i = 0; i < samples; ++i)
                records[static_cast<std::size_t>(i)].accelX = i;
            const mp4::Bytes bytes = mp4::syntheticRecording(records);
            file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        } else {
            file.write("not a recording");
        }
        return path;
    }
};

struct Rig {
    FakeEngine front;
    FakeEngine rear;
    TelemetryTrack store;
    GSensorGraphModel graph{store};
    FakeView view;
    FakeList list;
    PlaybackController controller{&front, &rear, store, graph, view, list};

    // The track of the last open, read on a worker, has been handed over.
    bool trackArrives() { return waitFor([&] { return !controller.trackPending(); }, 5000); }
};

} // namespace

TEST(PlaybackController, OpeningARearFilePlaysThePairWithTelemetryFromTheFront)
{
    Card card;
    const QByteArray f = card.add("event_20230615_142530_F.mp4", 61);
    const QByteArray r = card.add("event_20230615_142530_R.mp4");
    Rig rig;
    rig.controller.openRecording(r, false);
    ASSERT_TRUE(rig.trackArrives());
    EXPECT_EQ(rig.controller.mode(), ChannelMode::Both);
    EXPECT_EQ(rig.front.media, f);
    EXPECT_EQ(rig.rear.media, r);
    EXPECT_TRUE(rig.rear.muted);
    EXPECT_FALSE(rig.front.muted);
    EXPECT_EQ(rig.store.sampleCount(), 61u);
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_EQ(rig.rear.currentState, MediaState::Playing);
    EXPECT_TRUE(rig.view.readoutTimer);
    EXPECT_FALSE(rig.controller.swapped());
}

TEST(PlaybackController, ARearFileAlonePlaysInTheLargePane)
{
    Card card;
    const QByteArray r = card.add("alwa_20230615_142530_R.mp4");
    Rig rig;
    rig.controller.openRecording(r, false);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::RearOnly);
    EXPECT_EQ(rig.front.media, r);
    EXPECT_TRUE(rig.rear.media.isEmpty());
    EXPECT_TRUE(rig.controller.swapped());
    EXPECT_FALSE(rig.view.rearVideo);
    EXPECT_FALSE(rig.view.readoutTimer); // no telemetry track
    EXPECT_EQ(rig.controller.largePaneEngine(), &rig.front);
}

TEST(PlaybackController, AFrontFileAloneKeepsTheSwappedFlag)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4");
    const QByteArray r = card.add("alwa_20230615_150000_R.mp4");
    Rig rig;
    rig.controller.openRecording(r, false);
    ASSERT_TRUE(rig.controller.swapped());
    rig.controller.openRecording(f, true);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::FrontOnly);
    EXPECT_TRUE(rig.controller.swapped());
    EXPECT_EQ(rig.rear.currentState, MediaState::Stopped);
}

TEST(PlaybackController, EveryOpenResetsRatesAndVolumeIsSetOnlyOnce)
{
    Card card;
    const QByteArray a = card.add("alwa_20230615_142530_F.mp4");
    Rig rig;
    rig.controller.openRecording(a, true);
    EXPECT_EQ(rig.front.vol, 50);
    EXPECT_EQ(rig.controller.volumeSlider().position(), 50);
    rig.controller.doubleSpeed();
    EXPECT_EQ(rig.front.rate, 2.0f);
    EXPECT_EQ(rig.view.rate, "2x");
    rig.controller.volumeSlider().setPosition(80);
    rig.controller.volumeReleased();
    rig.controller.openRecording(a, true);
    EXPECT_EQ(rig.front.rate, 1.0f);
    EXPECT_EQ(rig.rear.rate, 1.0f);
    EXPECT_EQ(rig.view.rate, "1x");
    EXPECT_FALSE(rig.controller.doubleSpeedOn());
    EXPECT_EQ(rig.front.vol, 80); // the user's volume stays
}

TEST(PlaybackController, PlaysThroughTheListOnceForEachFile)
{
    Card card;
    Rig rig;
    rig.list.paths = {card.add("alwa_20230615_142500_F.mp4"), card.add("alwa_20230615_142500_R.mp4"),
                      card.add("alwa_20230615_142530_F.mp4"), card.add("event_20230615_142600_R.mp4")};
    rig.controller.listActivated(0);
    EXPECT_EQ(rig.controller.currentRow(), 1); // on the partner's row
    EXPECT_EQ(rig.front.media, rig.list.paths[0]);
    rig.front.send(EngineEvent::VideoOutput, 0);

    rig.front.timeMs = 59900;
    rig.front.send(EngineEvent::TimeChanged, 59900); // within 200 ms of the end
    EXPECT_EQ(rig.front.media, rig.list.paths[2]);
    EXPECT_EQ(rig.view.selectedRow, 2);
    EXPECT_EQ(rig.controller.currentRow(), 2);

    rig.front.send(EngineEvent::VideoOutput, 0);
    rig.front.send(EngineEvent::EndReached, 0);
    EXPECT_EQ(rig.front.media, rig.list.paths[3]);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::RearOnly);
    rig.front.send(EngineEvent::VideoOutput, 0);
    rig.front.send(EngineEvent::EndReached, 0);
    EXPECT_EQ(rig.front.media, rig.list.paths[3]); // the last row stays
    EXPECT_EQ(rig.controller.currentRow(), 3);

    rig.controller.previousRecording();
    EXPECT_EQ(rig.front.media, rig.list.paths[2]);
    rig.controller.key(TransportKey::PageDown);
    EXPECT_EQ(rig.front.media, rig.list.paths[3]);
}

TEST(PlaybackController, EventsOfTheFileBeforeStillQueuedChangeNothing)
{
    Card card;
    Rig rig;
    rig.list.paths = {card.add("alwa_20230615_142500_F.mp4"), card.add("alwa_20230615_142500_R.mp4"),
                      card.add("alwa_20230615_142530_F.mp4"), card.add("alwa_20230615_142530_R.mp4"),
                      card.add("alwa_20230615_142600_F.mp4"), card.add("alwa_20230615_142600_R.mp4")};
    rig.controller.listActivated(0);
    // The last time changes and the end of the first pair, all posted
    // before the UI thread gets to the first of them.
    rig.front.post(EngineEvent::VideoOutput);
    rig.rear.post(EngineEvent::VideoOutput);
    rig.front.timeMs = 59850;
    rig.front.post(EngineEvent::TimeChanged, 59850);
    rig.front.post(EngineEvent::TimeChanged, 59950);
    rig.front.post(EngineEvent::EndReached);
    rig.rear.post(EngineEvent::EndReached);
    rig.front.deliverPosted();
    rig.rear.deliverPosted();
    EXPECT_EQ(rig.front.media, rig.list.paths[2]);
    EXPECT_EQ(rig.rear.media, rig.list.paths[3]);
    EXPECT_EQ(rig.view.selectedRow, 2);
    EXPECT_EQ(rig.controller.currentRow(), 3);

    // The new pair's own end moves on once more.
    rig.front.send(EngineEvent::VideoOutput);
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, rig.list.paths[4]);

    // An open that is refused leaves no file of ours on the engines: the end
    // of the file before still queued doesn't move past the refused row.
    Card second;
    const QByteArray fifo = QFile::encodeName(second.dir.path()) + "/alwa_20230615_142630_F.mp4";
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    rig.list.paths = {second.add("alwa_20230615_142600_F.mp4"), fifo, second.add("alwa_20230615_142700_F.mp4")};
    rig.controller.listActivated(0);
    rig.front.post(EngineEvent::VideoOutput);
    rig.front.post(EngineEvent::TimeChanged, 59950);
    rig.front.post(EngineEvent::EndReached);
    rig.front.deliverPosted();
    EXPECT_EQ(rig.view.selectedRow, 1);
    EXPECT_EQ(rig.front.media, rig.list.paths[0]);
    EXPECT_FALSE(rig.view.problem.isEmpty());
}

TEST(PlaybackController, PageUpAndDownStepByRecording)
{
    Card card;
    Rig rig;
    rig.list.paths = {card.add("alwa_20230615_142500_F.mp4"), card.add("alwa_20230615_142500_R.mp4"),
                      card.add("alwa_20230615_142530_F.mp4"), card.add("alwa_20230615_142530_R.mp4"),
                      card.add("alwa_20230615_142600_F.mp4"),
                      card.add("alwa_20230615_142630_F.mp4"), card.add("alwa_20230615_142630_R.mp4")};
    const auto page = [&](TransportKey key, int expectedRow) {
        rig.controller.key(key);
        EXPECT_EQ(rig.view.selectedRow, expectedRow);
        EXPECT_EQ(rig.front.media, rig.list.paths[expectedRow]);
    };
    rig.controller.listActivated(2);
    page(TransportKey::PageUp, 0); // not the other row of the pair playing
    EXPECT_EQ(rig.controller.currentRow(), 1);
    page(TransportKey::PageDown, 2);
    page(TransportKey::PageDown, 4);
    page(TransportKey::PageDown, 5);
    EXPECT_EQ(rig.controller.currentRow(), 6);
    page(TransportKey::PageUp, 4);
    page(TransportKey::PageUp, 2); // the pair before, from its first row
    EXPECT_EQ(rig.controller.currentRow(), 3);

    // The rear row of a pair double-clicked: the pair covers both its rows.
    rig.controller.listActivated(1);
    EXPECT_EQ(rig.front.media, rig.list.paths[0]);
    EXPECT_EQ(rig.controller.currentRow(), 1);
    rig.front.send(EngineEvent::VideoOutput);
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, rig.list.paths[2]);
    rig.controller.listActivated(1);
    page(TransportKey::PageDown, 2);

    // Nothing before the first recording or after the last.
    rig.controller.listActivated(0);
    rig.front.calls.clear();
    rig.controller.key(TransportKey::PageUp);
    EXPECT_TRUE(rig.front.calls.isEmpty());
    rig.controller.listActivated(6);
    rig.front.calls.clear();
    rig.controller.key(TransportKey::PageDown);
    EXPECT_TRUE(rig.front.calls.isEmpty());
    EXPECT_EQ(rig.front.media, rig.list.paths[5]);
}

TEST(PlaybackController, ANewScanKeepsFollowingTheRecordingPlaying)
{
    Card card;
    Rig rig;
    const QByteArray x = card.add("alwa\xff_20230615_142500_F.mp4");
    const QByteArray xRear = card.add("alwa\xff_20230615_142500_R.mp4");
    const QByteArray y = card.add("alwa_20230615_142530_F.mp4");
    const QByteArray z = card.add("alwa_20230615_142600_F.mp4");
    // Shows the same text as x; only its bytes tell them apart.
    const QByteArray lookalike = card.add("alwa\xfe_20230615_142500_F.mp4");
    rig.list.paths = {x, xRear, y};
    rig.controller.listActivated(0);
    ASSERT_EQ(rig.front.media, x);

    rig.list.paths = {lookalike, z, x, xRear, y};
    rig.controller.listReplaced();
    EXPECT_EQ(rig.controller.currentRow(), 3);
    rig.front.send(EngineEvent::VideoOutput);
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, y);
    EXPECT_EQ(rig.view.selectedRow, 4);
    rig.controller.key(TransportKey::PageUp);
    EXPECT_EQ(rig.front.media, x);
    EXPECT_EQ(rig.view.selectedRow, 2);

    // Gone from the new list: nothing is current, nothing follows.
    rig.list.paths = {lookalike, y, z};
    rig.controller.listReplaced();
    EXPECT_EQ(rig.controller.currentRow(), -1);
    rig.front.send(EngineEvent::VideoOutput);
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, x);
}

TEST(PlaybackController, TheLastRecordingStaysAtItsEndAndPlaysAgain)
{
    Card card;
    Rig rig;
    rig.list.paths = {card.add("alwa_20230615_142500_F.mp4", 61), card.add("alwa_20230615_142500_R.mp4")};
    rig.controller.listActivated(0);
    ASSERT_TRUE(rig.trackArrives());
    rig.controller.doubleSpeed();
    const auto reachTheEnd = [&] {
        rig.front.send(EngineEvent::VideoOutput);
        rig.rear.send(EngineEvent::VideoOutput);
        rig.front.timeMs = 59950;
        rig.front.send(EngineEvent::TimeChanged, 59950);
        rig.front.send(EngineEvent::EndReached);
        rig.rear.send(EngineEvent::EndReached);
        ASSERT_TRUE(rig.controller.heldAtEnd());
        EXPECT_TRUE(rig.view.playVisible);
        EXPECT_EQ(rig.front.media, rig.list.paths[0]);
        EXPECT_NE(rig.front.currentState, MediaState::Playing);
        EXPECT_NE(rig.rear.currentState, MediaState::Playing);
        rig.front.calls.clear();
    };
    const auto playsFrom = [&](std::int64_t ms) {
        EXPECT_FALSE(rig.controller.heldAtEnd());
        EXPECT_FALSE(rig.view.playVisible);
        EXPECT_EQ(rig.front.currentState, MediaState::Playing);
        EXPECT_EQ(rig.rear.currentState, MediaState::Playing);
        EXPECT_EQ(rig.controller.seekBar().position(), ms);
        if (ms > 0) {
            EXPECT_EQ(rig.front.timeMs, ms);
            EXPECT_EQ(rig.rear.timeMs, ms);
        }
        EXPECT_EQ(rig.front.rate, 2.0f);
        EXPECT_EQ(rig.view.rate, "2x");
        EXPECT_TRUE(rig.view.readoutTimer);
    };

    reachTheEnd();
    // Its last pictures stay, the seek bar stands at the end, no readout ticks.
    EXPECT_TRUE(rig.view.frontVideo);
    EXPECT_TRUE(rig.view.rearVideo);
    EXPECT_TRUE(rig.controller.seekBar().enabled());
    EXPECT_EQ(rig.controller.seekBar().position(), 60000);
    EXPECT_EQ(rig.controller.seekBar().maximum(), 60000);
    EXPECT_EQ(rig.graph.currentSample(), 60);
    EXPECT_FALSE(rig.view.readoutTimer);
    EXPECT_FALSE(rig.controller.snapshotAllowed());
    // Forward and pause have nowhere to go.
    rig.controller.key(TransportKey::Right);
    rig.controller.skipForward();
    rig.controller.pause();
    rig.controller.key(TransportKey::PageDown);
    EXPECT_TRUE(rig.front.calls.isEmpty()) << rig.front.calls.join(", ").toStdString();
    EXPECT_TRUE(rig.view.playVisible);

    rig.controller.play();
    playsFrom(0);
    reachTheEnd();
    rig.controller.key(TransportKey::Space);
    playsFrom(0);
    reachTheEnd();
    rig.controller.key(TransportKey::Left);
    playsFrom(57000);
    reachTheEnd();
    rig.controller.skipBackward();
    playsFrom(50000);
    reachTheEnd();
    rig.controller.seekBar().setPosition(30000);
    rig.controller.seekReleased();
    playsFrom(30000);
}

TEST(PlaybackController, RowsThatCannotBeReadEndQuietly)
{
    Rig rig;
    rig.list.paths = {"", ""};
    rig.controller.listActivated(0);
    EXPECT_TRUE(rig.front.media.isEmpty());
    rig.controller.listActivated(7);
    rig.controller.nextRecording();
    EXPECT_EQ(rig.controller.currentRow(), 1); // next has moved on all the same
    EXPECT_TRUE(rig.front.media.isEmpty());
}

TEST(PlaybackController, TimeChangesMoveTheSeekBarAndTheGraph)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4", 61);
    Rig rig;
    rig.controller.openRecording(f, true);
    ASSERT_TRUE(rig.trackArrives());
    rig.front.timeMs = 30000;
    rig.front.send(EngineEvent::TimeChanged, 30000);
    EXPECT_EQ(rig.controller.seekBar().maximum(), 60000);
    EXPECT_EQ(rig.controller.seekBar().position(), 30000);
    EXPECT_EQ(rig.graph.currentSample(), 30);

    rig.controller.seekBar().setHeld(true);
    rig.front.timeMs = 40000;
    rig.front.send(EngineEvent::TimeChanged, 40000);
    EXPECT_EQ(rig.controller.seekBar().position(), 30000); // the held thumb is the user's
    rig.controller.seekBar().setHeld(false);
    rig.controller.seekBar().setPosition(45000);
    rig.controller.seekReleased();
    EXPECT_EQ(rig.front.timeMs, 45000);
    EXPECT_EQ(rig.rear.timeMs, 45000);
    EXPECT_EQ(rig.graph.currentSample(), 45);
}

TEST(PlaybackController, SkipsAndArrowSteps)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4", 61);
    Rig rig;
    rig.controller.openRecording(f, true);
    ASSERT_TRUE(rig.trackArrives());
    rig.controller.seekBar().setRange(0, 60000);
    rig.controller.seekBar().setPosition(4000);
    rig.controller.skipBackward();
    EXPECT_EQ(rig.front.timeMs, 0);
    rig.controller.seekBar().setPosition(55000);
    rig.controller.skipForward();
    EXPECT_EQ(rig.front.timeMs, 60000);
    EXPECT_EQ(rig.rear.timeMs, 60000); // the rear engine is set even with one channel

    rig.front.timeMs = 58000;
    rig.controller.key(TransportKey::Right); // within the last 3 s: nothing
    EXPECT_EQ(rig.front.timeMs, 58000);
    rig.front.timeMs = 2000;
    rig.controller.key(TransportKey::Left);
    EXPECT_EQ(rig.front.timeMs, 0);
    EXPECT_EQ(rig.graph.currentSample(), 0);

    rig.controller.pause();
    ASSERT_EQ(rig.front.currentState, MediaState::Paused);
    rig.front.timeMs = 20000;
    rig.controller.key(TransportKey::Left);
    EXPECT_EQ(rig.front.timeMs, 17000);
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    EXPECT_EQ(rig.controller.seekBar().position(), 17000);
}

TEST(PlaybackController, APauseWhileTheFileStillOpensTakesOnceItIsUnderWay)
{
    Card card;
    card.add("alwa_20230615_142530_R.mp4");
    Rig rig;
    // As the real player: a pause given while a file still opens is ignored.
    rig.front.ignoresEarlyPause = rig.rear.ignoresEarlyPause = true;
    rig.controller.openRecording(card.add("alwa_20230615_142530_F.mp4"), true);
    rig.controller.pause();
    EXPECT_TRUE(rig.view.playVisible);
    rig.front.send(EngineEvent::Playing); // the player starting is not the user's Play
    EXPECT_TRUE(rig.view.playVisible);
    rig.front.send(EngineEvent::VideoOutput);
    rig.rear.send(EngineEvent::VideoOutput);
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    EXPECT_EQ(rig.rear.currentState, MediaState::Paused);

    // Seeks within the file stay paused.
    rig.controller.seekBar().setRange(0, 60000);
    rig.controller.seekBar().setPosition(30000);
    rig.controller.seekReleased();
    rig.controller.skipForward();
    EXPECT_EQ(rig.front.timeMs, 40000);
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    EXPECT_TRUE(rig.view.playVisible);

    rig.controller.play();
    rig.front.send(EngineEvent::TimeChanged, 40250); // no longer held
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_EQ(rig.rear.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.view.playVisible);
}

TEST(PlaybackController, TheRateLabelNamesTheRateTheEnginesPlayAt)
{
    Card card;
    Rig rig;
    rig.controller.openRecording(card.add("alwa_20230615_142530_F.mp4"), true);
    rig.controller.doubleSpeed();
    rig.controller.doubleSpeed();
    EXPECT_EQ(rig.front.rate, 2.0f);
    EXPECT_EQ(rig.view.rate, "2x");
    // Pausing, skipping and playing again keep the rate and say so.
    rig.controller.pause();
    rig.controller.play();
    rig.controller.skipForward();
    rig.controller.skipBackward();
    EXPECT_EQ(rig.front.rate, 2.0f);
    EXPECT_EQ(rig.rear.rate, 2.0f);
    EXPECT_EQ(rig.view.rate, "2x");
    rig.controller.pause();
    rig.controller.normalSpeed();
    rig.controller.play();
    EXPECT_EQ(rig.front.rate, 1.0f);
    EXPECT_EQ(rig.rear.rate, 1.0f);
    EXPECT_EQ(rig.view.rate, "1x");
    rig.controller.skipForward();
    rig.controller.doubleSpeed();
    EXPECT_EQ(rig.front.rate, 2.0f);
    EXPECT_EQ(rig.view.rate, "2x");
}

TEST(PlaybackController, TheButtonsShowWhatTheCommandSetAndThenWhatThePlayerSays)
{
    Card card;
    card.add("alwa_20230615_142530_R.mp4");
    Rig rig;
    rig.front.delayed = rig.rear.delayed = true;
    rig.controller.openRecording(card.add("alwa_20230615_142530_F.mp4"), true);
    EXPECT_FALSE(rig.view.playVisible);
    rig.front.settle();
    rig.rear.settle();

    // The player still says "playing" when Space has asked it to pause.
    rig.controller.key(TransportKey::Space);
    EXPECT_TRUE(rig.view.playVisible);
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    rig.front.settle();
    rig.rear.settle();
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    EXPECT_EQ(rig.rear.currentState, MediaState::Paused);
    EXPECT_TRUE(rig.view.playVisible);

    rig.controller.key(TransportKey::Space);
    EXPECT_FALSE(rig.view.playVisible);
    // Twice before the player caught up: it ends where the last key asked.
    rig.controller.key(TransportKey::Space);
    rig.controller.key(TransportKey::Space);
    EXPECT_FALSE(rig.view.playVisible);
    rig.front.settle();
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.view.playVisible);

    // An arrow step right after a pause leaves it paused.
    rig.controller.key(TransportKey::Space);
    rig.front.timeMs = 20000;
    rig.controller.key(TransportKey::Left);
    rig.front.settle();
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    EXPECT_EQ(rig.front.timeMs, 17000);
    rig.controller.key(TransportKey::Space);
    rig.front.settle();

    // The player pausing or playing by itself is shown as it reports it.
    rig.front.currentState = MediaState::Paused;
    rig.front.send(EngineEvent::Paused);
    EXPECT_TRUE(rig.view.playVisible);
    rig.controller.key(TransportKey::Space);
    rig.front.settle();
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.view.playVisible);
}

TEST(PlaybackController, SwapOnlyWithBothChannelsAndTheMagnifierFollowsTheLargePane)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4");
    card.add("alwa_20230615_142530_R.mp4");
    const QByteArray single = card.add("user_20230615_150000_F.mp4");
    Rig rig;
    rig.controller.openRecording(single, true);
    rig.controller.swap();
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontLargeRearSmall);

    rig.controller.openRecording(f, true);
    rig.controller.toggleMagnifier();
    EXPECT_TRUE(rig.front.filterOn);
    rig.controller.swap();
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontSmallRearLarge);
    EXPECT_FALSE(rig.front.filterOn);
    EXPECT_TRUE(rig.rear.filterOn);
    EXPECT_EQ(rig.rear.filter, "magnify");
    rig.controller.toggleMagnifier();
    EXPECT_FALSE(rig.rear.filterOn);
}

TEST(PlaybackController, FullScreenRestoresTheArrangement)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4");
    card.add("alwa_20230615_142530_R.mp4");
    const QByteArray rearAlone = card.add("motion_20230615_150000_R.mp4");
    Rig rig;
    rig.controller.openRecording(f, true);
    rig.controller.swap();
    EXPECT_EQ(rig.controller.fullScreenViewRequest(), 2);
    rig.controller.enterFullScreen(2);
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenRear);
    rig.controller.swap();
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenFront);
    rig.controller.swap();
    rig.controller.leaveFullScreen();
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontSmallRearLarge);

    rig.controller.openRecording(rearAlone, false);
    EXPECT_EQ(rig.controller.fullScreenViewRequest(), 1);
    rig.controller.enterFullScreen(1);
    rig.controller.leaveFullScreen();
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontLargeRearSmall); // the single channel back in the large pane
}

TEST(PlaybackController, SnapshotPausesAndResumesOnlyWhatPlayed)
{
    Card card;
    Rig rig;
    EXPECT_FALSE(rig.controller.snapshotAllowed());
    rig.controller.openRecording(card.add("alwa_20230615_142530_F.mp4"), true);
    EXPECT_FALSE(rig.controller.snapshotAllowed()); // no video in the pane yet
    rig.front.send(EngineEvent::Opening, 0);
    EXPECT_TRUE(rig.controller.snapshotAllowed());
    rig.rear.calls.clear();
    const bool paused = rig.controller.pauseForSnapshot();
    EXPECT_TRUE(paused);
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);
    rig.controller.resumeAfterSnapshot(paused);
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.rear.calls.contains("play")); // no stale rear file starts

    rig.controller.pause();
    EXPECT_FALSE(rig.controller.pauseForSnapshot()); // already paused: stays paused afterwards
    rig.front.currentState = MediaState::Ended;
    EXPECT_FALSE(rig.controller.snapshotAllowed());
}

TEST(PlaybackController, ThePicturesStartBeforeTheTrackArrivesAndTheGraphCatchesUp)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4", 61);
    Rig rig;
    rig.controller.openRecording(f, true);
    // Nothing of the track yet: it is read on a worker and handed over through the event loop.
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_TRUE(rig.controller.trackPending());
    EXPECT_EQ(rig.store.sampleCount(), 0u);
    EXPECT_FALSE(rig.view.readoutTimer);
    rig.front.timeMs = 30000;
    rig.front.send(EngineEvent::TimeChanged, 30000);
    EXPECT_EQ(rig.controller.seekBar().position(), 30000);

    const int loadedBefore = rig.view.tracksLoaded;
    ASSERT_TRUE(rig.trackArrives());
    EXPECT_EQ(rig.store.sampleCount(), 61u);
    EXPECT_EQ(rig.graph.currentSample(), 30); // where the pictures are by now
    EXPECT_TRUE(rig.view.readoutTimer);
    EXPECT_EQ(rig.view.tracksLoaded, loadedBefore + 1);
}

TEST(PlaybackController, ATrackReadForAReplacedFileIsDropped)
{
    Card card;
    const QByteArray first = card.add("alwa_20230615_142530_F.mp4", 61);
    const QByteArray second = card.add("alwa_20230615_142600_F.mp4", 7);
    const QByteArray third = card.add("alwa_20230615_142700_F.mp4");
    Rig rig;
    rig.controller.openRecording(first, true);
    rig.controller.openRecording(second, true);
    ASSERT_TRUE(rig.trackArrives());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.store.sampleCount(), 7u);

    // A file without a track after one with: the old samples don't come back.
    rig.controller.openRecording(first, true);
    rig.controller.openRecording(third, true);
    ASSERT_TRUE(rig.trackArrives());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.store.sampleCount(), 0u);
    EXPECT_FALSE(rig.view.readoutTimer);
}

namespace {

// Opens the FIFO for writing if the test is still running after a while:
// whoever is stuck opening it for reading gets through, and the test fails
// on its time instead of hanging.
class FifoWatchdog {
public:
    explicit FifoWatchdog(QByteArray fifo) : fifo_(std::move(fifo)), thread_([this] { watch(); }) {}
    ~FifoWatchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    bool fired() const { return fired_; }

private:
    void watch()
    {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done_) {
            if (wake_.wait_until(lock, deadline) == std::cv_status::timeout && !done_) {
                fired_ = true;
                const int handle = ::open(fifo_.constData(), O_WRONLY | O_NONBLOCK);
                if (handle >= 0)
                    ::close(handle);
                wake_.wait_for(lock, std::chrono::milliseconds(200));
            }
        }
    }

    QByteArray fifo_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

} // namespace

TEST(PlaybackController, AFifoNamedLikeARecordingIsRefusedAtOnce)
{
    Card card;
    const QByteArray fifo = QFile::encodeName(card.dir.path()) + "/alwa_20230615_142500_F.mp4";
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);
    const QByteArray good = card.add("alwa_20230615_142530_F.mp4", 61);
    const QByteArray front = card.add("alwa_20230615_142600_F.mp4", 5);
    const QByteArray rearFifo = QFile::encodeName(card.dir.path()) + "/alwa_20230615_142600_R.mp4";
    ASSERT_EQ(::mkfifo(rearFifo.constData(), 0644), 0);

    FifoWatchdog watchdog(fifo);
    FifoWatchdog rearWatchdog(rearFifo);
    Rig rig;
    rig.list.paths = {fifo, good, front, rearFifo};
    QElapsedTimer clock;
    clock.start();
    rig.controller.listActivated(0);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_FALSE(watchdog.fired());
    EXPECT_TRUE(rig.front.media.isEmpty()); // the engine never saw it
    EXPECT_FALSE(rig.controller.trackPending());
    EXPECT_TRUE(rig.view.problem.contains("alwa_20230615_142500_F.mp4")) << rig.view.problem.toStdString();
    EXPECT_TRUE(rig.view.problem.contains("not a regular file"));
    rig.controller.play(); // the play button doesn't bring back the file before
    EXPECT_FALSE(rig.front.calls.contains("play"));

    // The list stays usable: the next row plays and the message goes.
    rig.controller.listActivated(1);
    EXPECT_EQ(rig.front.media, good);
    EXPECT_TRUE(rig.view.problem.isEmpty());
    ASSERT_TRUE(rig.trackArrives());
    EXPECT_EQ(rig.store.sampleCount(), 61u);

    // A FIFO as the partner: the front file plays alone.
    rig.controller.listActivated(2);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::FrontOnly);
    EXPECT_EQ(rig.front.media, front);
    EXPECT_TRUE(rig.rear.media.isEmpty());
    ASSERT_TRUE(rig.trackArrives());
    EXPECT_FALSE(rearWatchdog.fired());
}

TEST(PlaybackController, NamesThatAreNotUtf8OpenWithTheirOwnBytes)
{
    Card card;
    const QByteArray f = card.add("alwa\xff_20230615_142530_F.mp4", 61);
    const QByteArray r = card.add("alwa\xff_20230615_142530_R.mp4");
    card.add("alwa\xfe_20230615_142530_F.mp4", 3); // shows the same text as f
    Rig rig;
    rig.controller.openRecording(r, false);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::Both);
    EXPECT_EQ(rig.front.media, f);
    EXPECT_EQ(rig.rear.media, r);
    ASSERT_TRUE(rig.trackArrives());
    EXPECT_EQ(rig.store.sampleCount(), 61u);
}

TEST(PlaybackController, AFileWithoutAPictureSaysWhyInItsPaneAndTheListStaysOnIt)
{
    Card card;
    Rig rig;
    rig.list.paths = {card.add("alwa_20230615_142500_F.mp4"), card.add("alwa_20230615_142530_F.mp4"),
                      card.add("alwa_20230615_142600_F.mp4"), card.add("alwa_20230615_142600_R.mp4")};
    QFile::resize(QFile::decodeName(rig.list.paths[1]), 0);

    // The player reads it, finds no picture in it and ends at once.
    rig.controller.listActivated(0);
    rig.front.send(EngineEvent::EndReached, 0);
    EXPECT_EQ(rig.view.problem, "alwa_20230615_142500_F.mp4 can't be played: it is damaged or not a video.");
    EXPECT_EQ(rig.front.media, rig.list.paths[0]); // not passed over unseen
    EXPECT_EQ(rig.controller.currentRow(), 0);
    EXPECT_TRUE(rig.view.playVisible);
    EXPECT_FALSE(rig.controller.seekBar().enabled());

    rig.controller.nextRecording();
    EXPECT_TRUE(rig.view.problem.isEmpty()); // a new open takes the message away
    rig.front.send(EngineEvent::EncounteredError, 0);
    EXPECT_EQ(rig.view.problem, "alwa_20230615_142530_F.mp4 can't be played: the file is empty.");
    EXPECT_EQ(rig.controller.currentRow(), 1);

    // A pair whose rear file fails: the rear pane says so, the front plays on.
    rig.controller.nextRecording();
    rig.front.send(EngineEvent::VideoOutput, 0);
    rig.rear.send(EngineEvent::Opening);
    rig.rear.send(EngineEvent::EncounteredError);
    EXPECT_TRUE(rig.view.problem.isEmpty());
    EXPECT_EQ(rig.view.rearProblem, "alwa_20230615_142600_R.mp4 can't be played: it is damaged or not a video.");
    EXPECT_FALSE(rig.view.rearVideo);
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    // A file that showed pictures ends as usual: the last row stays, no message.
    rig.front.send(EngineEvent::EndReached, 0);
    EXPECT_TRUE(rig.view.problem.isEmpty());
}

TEST(PlaybackController, NothingOpenLeavesTheSeekBarDisabled)
{
    Rig rig;
    EXPECT_FALSE(rig.controller.seekBar().enabled());
    rig.controller.play();
    EXPECT_TRUE(rig.front.calls.isEmpty());
}

TEST(PlaybackController, TheVolumeIconMutesAndGoesBackToTheLastVolume)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4");
    Rig rig;
    rig.controller.toggleMute(); // before anything plays: the first open keeps it muted
    EXPECT_TRUE(rig.controller.muted());
    rig.controller.openRecording(f, true);
    EXPECT_EQ(rig.front.vol, 0);
    rig.controller.toggleMute();
    EXPECT_EQ(rig.front.vol, 50);
    EXPECT_FALSE(rig.controller.muted());

    rig.controller.volumeSlider().setPosition(30);
    rig.controller.volumeReleased();
    rig.controller.volumeSlider().setPosition(0); // dragged down to nothing: muted too
    rig.controller.volumeReleased();
    EXPECT_TRUE(rig.controller.muted());
    EXPECT_EQ(rig.front.vol, 0);
    rig.controller.toggleMute();
    EXPECT_EQ(rig.front.vol, 30);
    EXPECT_EQ(rig.controller.volumeSlider().position(), 30);
}

TEST(PlaybackController, TheWindowsFullViewShowsBothChannelsSideBySide)
{
    Card card;
    const QByteArray f = card.add("alwa_20230615_142530_F.mp4");
    card.add("alwa_20230615_142530_R.mp4");
    const QByteArray frontAlone = card.add("user_20230615_150000_F.mp4");
    Rig rig;
    rig.controller.enterFullScreen(0); // nothing open: the two idle panes
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenBoth);
    rig.controller.openRecording(f, true);
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenBoth);
    rig.controller.swap(); // the sides change places
    EXPECT_TRUE(rig.controller.swapped());
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenBoth);
    rig.controller.openRecording(frontAlone, true); // one channel fills the view
    EXPECT_EQ(rig.view.panes, PaneLayout::FullScreenFront);
    rig.controller.leaveFullScreen();
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontLargeRearSmall);
}
