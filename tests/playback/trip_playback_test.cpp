#include "playback/playback_controller.h"
#include "playback/trip_playback.h"

#include "fake_engine.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace dravonix;
using namespace dravonix::test;

namespace {

constexpr std::int64_t kS = 1000;

// A drive on 2023-06-15 from 14:00:00: Always A (60 s), an Event file from
// 14:00:30 to 14:01:30 over its end, then Always B from 14:01:33 (3 s after
// the Event file: the same trip) for 60 s. Played: A 0-60 s, the Event file
// 60-90 s (from 30 s into it), B 90-150 s.
struct Drive {
    QTemporaryDir dir;
    RecordingSet set;
    TripSummary summary{Trip{}, TripTimeline({}, Trip{}), {}, 0.0, std::nullopt, {}};

    std::string file(const char* name)
    {
        const QString path = dir.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("pictures");
        return QFile::encodeName(path).toStdString();
    }

    explicit Drive(bool rearOnlyB = false)
    {
        std::vector<std::string> paths{file("alwa_20230615_140000_F.mp4"), file("alwa_20230615_140000_R.mp4"),
                                       file("event_20230615_140030_F.mp4"), file("event_20230615_140030_R.mp4"),
                                       file("alwa_20230615_140133_R.mp4")};
        if (!rearOnlyB)
            paths.push_back(file("alwa_20230615_140133_F.mp4"));
        set = collectRecordings(paths);
        for (TripRecording& r : set.recordings)
            r.durationMs = 60 * kS;
        std::vector<Trip> trips = groupTrips(set.recordings);
        EXPECT_EQ(trips.size(), 1u);
        summary.trip = trips.front();
        summary.timeline = TripTimeline(set.recordings, summary.trip);
        // An event file at its start (30 s of the trip), an impact in B.
        summary.events = {{TripEventKind::EventFile, 0, 30 * kS, 1, 0, 0.0},
                          {TripEventKind::Impact, 0, 30 * kS, 0, 30 * kS, 1.2},
                          {TripEventKind::Impact, 0, 100 * kS, 2, 10 * kS, 0.9}};
    }
    const std::string& path(std::size_t recording, bool front = true) const
    {
        return front ? set.recordings[recording].frontPath : set.recordings[recording].rearPath;
    }
    TripPlayback playback() const { return TripPlayback(summary, set.recordings); }
};

} // namespace

TEST(TripPlayback, ATripTimeNamesTheFileAndThePlaceInIt)
{
    const Drive drive;
    const TripPlayback trip = drive.playback();
    ASSERT_EQ(trip.pieceCount(), 3u);
    EXPECT_EQ(trip.lengthMs(), 150 * kS);

    const auto a = trip.locate(20 * kS);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->path, drive.path(0));
    EXPECT_EQ(a->offsetMs, 20 * kS);
    // The Event file takes over where A ends, 30 s into itself.
    const auto event = trip.locate(75 * kS);
    EXPECT_EQ(event->path, drive.path(1));
    EXPECT_EQ(event->offsetMs, 45 * kS);
    // A piece's first moment is that piece's, not the end of the one before.
    const auto b = trip.locate(90 * kS);
    EXPECT_EQ(b->path, drive.path(2));
    EXPECT_EQ(b->offsetMs, 0);
    // Outside the trip: its ends.
    EXPECT_EQ(trip.locate(-5 * kS)->offsetMs, 0);
    EXPECT_EQ(trip.locate(10'000 * kS)->offsetMs, 60 * kS);
    EXPECT_EQ(trip.locate(10'000 * kS)->path, drive.path(2));
}

TEST(TripPlayback, ARecordingWithoutItsFrontFilePlaysItsRear)
{
    const Drive drive(true);
    const auto b = drive.playback().locate(120 * kS);
    EXPECT_FALSE(b->front);
    EXPECT_EQ(b->path, drive.path(2, false));
}

TEST(TripPlayback, TheTripTimeStaysInsideThePiecePlaying)
{
    const TripPlayback trip = Drive().playback();
    // The Event file still at 0 (its seek not landed yet) or any stale clock
    // doesn't take the bar back into A's stretch, nor past the piece's end.
    EXPECT_EQ(trip.tripTimeIn(1, 0), 60 * kS);
    EXPECT_EQ(trip.tripTimeIn(1, 40 * kS), 70 * kS);
    EXPECT_EQ(trip.tripTimeIn(1, 500 * kS), 90 * kS);
    EXPECT_EQ(trip.tripTimeIn(2, -1), 90 * kS);
    EXPECT_EQ(trip.tripTimeIn(7, 0), trip.lengthMs());
}

TEST(TripPlayback, APieceEndsAtItsEndOrWhereThePlayerSaysItsFileEnds)
{
    const TripPlayback trip = Drive().playback();
    EXPECT_FALSE(trip.pieceEnded(0, 59 * kS, 60 * kS));
    EXPECT_TRUE(trip.pieceEnded(0, 60 * kS - 150, 60 * kS));
    // The player finds A a little shorter than its header says.
    EXPECT_TRUE(trip.pieceEnded(0, 59'400, 59'500));
    EXPECT_FALSE(trip.pieceEnded(1, 45 * kS, 60 * kS));
    EXPECT_TRUE(trip.pieceEnded(1, 60 * kS, 60 * kS));

    // Pieces that end inside their file: A (Event) 14:00:00-14:01:00 under an
    // Always file from 14:00:20 to 14:00:40 plays Always from 20 to 40 s, then
    // the Event file again from 40 s on.
    QTemporaryDir dir;
    const auto make = [&](const char* name) {
        QFile f(dir.path() + "/" + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return QFile::encodeName(f.fileName()).toStdString();
    };
    RecordingSet set = collectRecordings(std::vector<std::string>{make("event_20230615_140000_F.mp4"),
                                                                  make("alwa_20230615_140020_F.mp4")});
    set.recordings[0].durationMs = 60 * kS;
    set.recordings[1].durationMs = 20 * kS;
    const Trip t = groupTrips(set.recordings).front();
    const TripSummary summary{t, TripTimeline(set.recordings, t), {}, 0.0, std::nullopt, {}};
    const TripPlayback nested(summary, set.recordings);
    ASSERT_EQ(nested.pieceCount(), 3u);
    EXPECT_TRUE(nested.pieceEnded(0, 20 * kS - 100, 60 * kS));
    EXPECT_FALSE(nested.pieceEnded(0, 19 * kS, 60 * kS)); // mid-file: the file's own length doesn't end it
    EXPECT_EQ(nested.startOf(2).recording, nested.startOf(0).recording);
    EXPECT_EQ(nested.startOf(2).offsetMs, 40 * kS);
}

TEST(TripPlayback, NextAndPreviousEvents)
{
    const TripPlayback trip = Drive().playback();
    // Two events at the same moment are one stop.
    EXPECT_EQ(trip.eventTimes(), (std::vector<std::int64_t>{30 * kS, 100 * kS}));
    EXPECT_EQ(trip.nextEvent(0), 30 * kS);
    EXPECT_EQ(trip.nextEvent(30 * kS), 100 * kS); // one at the time asked counts as passed
    EXPECT_FALSE(trip.nextEvent(100 * kS));
    EXPECT_EQ(trip.previousEvent(120 * kS), 100 * kS);
    EXPECT_EQ(trip.previousEvent(100 * kS), 30 * kS);
    EXPECT_FALSE(trip.previousEvent(30 * kS));
    EXPECT_FALSE(Drive().playback().previousEvent(0));
}

TEST(TripPlayback, EventsOutsideTheTripAreKeptAtItsEnds)
{
    Drive drive;
    drive.summary.events = {{TripEventKind::EventFile, 0, -40 * kS, 0, 0, 0.0},
                            {TripEventKind::Impact, 0, 900 * kS, 0, 0, 0.0}};
    EXPECT_EQ(drive.playback().eventTimes(), (std::vector<std::int64_t>{0, 150 * kS}));
}

namespace {

struct TripRig {
    FakeEngine front;
    FakeEngine rear;
    TelemetryTrack store;
    GSensorGraphModel graph{store};
    FakeView view;
    FakeList list;
    PlaybackController controller{&front, &rear, store, graph, view, list};
    Drive drive;

    void play(std::int64_t from = 0)
    {
        controller.playTrip(std::make_shared<const TripPlayback>(drive.summary, drive.set.recordings), from);
    }
    QByteArray frontFile(std::size_t recording) const { return QByteArray::fromStdString(drive.path(recording)); }
    // The player under way: it opened, shows pictures and reports its clock.
    void runTo(std::int64_t fileMs)
    {
        front.timeMs = fileMs;
        front.send(EngineEvent::VideoOutput);
        front.send(EngineEvent::TimeChanged, fileMs);
    }
};

} // namespace

TEST(TripPlaybackController, PlaysTheTripFileAfterFileUnderOneSeekBar)
{
    TripRig rig;
    rig.play();
    EXPECT_TRUE(rig.controller.playingTrip());
    EXPECT_EQ(rig.front.media, rig.frontFile(0));
    EXPECT_EQ(rig.rear.media, QByteArray::fromStdString(rig.drive.path(0, false)));
    EXPECT_TRUE(rig.controller.seekBar().enabled());
    EXPECT_EQ(rig.controller.seekBar().maximum(), 150 * kS);

    rig.runTo(30 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    EXPECT_TRUE(rig.graph.windowShown());
    EXPECT_EQ(rig.graph.cursorTime(), 30 * kS);

    // Near A's end the Event file opens, 30 s in, and the bar goes on from 60 s.
    rig.front.calls.clear();
    const unsigned oldMedia = rig.front.stamp;
    rig.runTo(60 * kS - 100);
    EXPECT_EQ(rig.front.media, rig.frontFile(1));
    EXPECT_TRUE(rig.front.calls.contains("time 30000"));
    EXPECT_EQ(rig.controller.seekBar().position(), 60 * kS);
    EXPECT_TRUE(rig.controller.seekBar().enabled());

    // A's last clock and its end, still queued, change nothing.
    rig.front.handler(EngineEvent::TimeChanged, 59'950, oldMedia);
    rig.front.handler(EngineEvent::EndReached, 0, oldMedia);
    EXPECT_EQ(rig.front.media, rig.frontFile(1));
    // The new file's clock before its seek lands: the bar doesn't go back.
    rig.front.timeMs = 0;
    rig.front.send(EngineEvent::TimeChanged, 0);
    EXPECT_EQ(rig.controller.seekBar().position(), 60 * kS);

    rig.runTo(45 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 75 * kS);
    // The file ends: B follows at 90 s.
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_EQ(rig.controller.seekBar().position(), 90 * kS);
    EXPECT_EQ(rig.controller.tripPiece(), 2u);
}

TEST(TripPlaybackController, TheTripEndsHeldAtItsEndAndPlaysAgainFromTheStart)
{
    TripRig rig;
    rig.play(100 * kS);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_TRUE(rig.front.calls.contains("time 10000"));
    rig.runTo(59 * kS);
    rig.front.send(EngineEvent::EndReached);
    EXPECT_TRUE(rig.controller.heldAtEnd());
    EXPECT_EQ(rig.controller.seekBar().position(), 150 * kS);
    EXPECT_EQ(rig.graph.cursorTime(), 150 * kS);
    rig.controller.play();
    EXPECT_FALSE(rig.controller.heldAtEnd());
    EXPECT_EQ(rig.front.media, rig.frontFile(0));
    EXPECT_EQ(rig.controller.seekBar().position(), 0);
}

TEST(TripPlaybackController, SeekingOpensTheFileThatHoldsTheMomentOnlyWhenItChanges)
{
    TripRig rig;
    rig.play();
    rig.runTo(5 * kS);
    const unsigned opened = rig.front.stamp;
    rig.controller.seekBar().setPosition(40 * kS);
    rig.controller.seekReleased();
    EXPECT_EQ(rig.front.stamp, opened); // still A: just a seek
    EXPECT_EQ(rig.front.timeMs, 40 * kS);
    EXPECT_EQ(rig.rear.timeMs, 40 * kS);

    rig.controller.seekBar().setPosition(130 * kS);
    rig.controller.seekReleased();
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_EQ(rig.front.timeMs, 40 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 130 * kS);

    // Ten seconds back over the boundary into the Event file.
    rig.controller.seekTrip(92 * kS);
    rig.controller.skipBackward();
    EXPECT_EQ(rig.front.media, rig.frontFile(1));
    EXPECT_EQ(rig.front.timeMs, 52 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 82 * kS);
}

TEST(TripPlaybackController, NextAndPreviousEventKeys)
{
    TripRig rig;
    // A second event right after the first: the keys stop at both.
    rig.drive.summary.events.push_back({TripEventKind::Impact, 0, 30 * kS + 700, 0, 30 * kS + 700, 0.8});
    rig.play();
    rig.controller.key(TransportKey::NextEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    EXPECT_EQ(rig.front.media, rig.frontFile(0));
    // The seek landed a little early: the next press still goes on.
    rig.runTo(30 * kS - 300);
    rig.controller.key(TransportKey::NextEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS + 700);
    // And once it has played on a little past it, back goes to the one before.
    rig.runTo(30 * kS + 1200);
    rig.controller.key(TransportKey::PreviousEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    rig.controller.key(TransportKey::NextEvent);
    rig.controller.key(TransportKey::NextEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 100 * kS);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    rig.controller.key(TransportKey::NextEvent); // none after
    EXPECT_EQ(rig.controller.seekBar().position(), 100 * kS);
    rig.controller.key(TransportKey::PreviousEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS + 700);
    rig.controller.key(TransportKey::PreviousEvent);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    rig.controller.key(TransportKey::PreviousEvent); // none before
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
}

TEST(TripPlaybackController, ClocksFromBeforeASeekLandsMoveNeitherTheBarNorTheKeys)
{
    TripRig rig;
    const auto clock = [&](std::int64_t ms) { // what the player says of itself
        rig.front.timeMs = ms;
        rig.front.send(EngineEvent::TimeChanged, ms);
    };
    rig.play();
    rig.runTo(5 * kS);
    // To the event at 30 s in A: a clock from where A was still comes.
    rig.controller.key(TransportKey::NextEvent);
    clock(5 * kS + 200);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    // On to the one at 100 s, 10 s into B: its first clocks say 0 (the
    // player took the seek late, or dropped it and is given it again).
    rig.controller.key(TransportKey::NextEvent);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    rig.front.send(EngineEvent::VideoOutput);
    clock(0);
    clock(200);
    EXPECT_EQ(rig.controller.seekBar().position(), 100 * kS);
    EXPECT_EQ(rig.graph.cursorTime(), 100 * kS);
    rig.controller.key(TransportKey::PreviousEvent); // from the event it stands on, not from B's start
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    EXPECT_EQ(rig.front.media, rig.frontFile(0));
    clock(0);
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS);
    rig.runTo(30 * kS + 250); // there
    EXPECT_EQ(rig.controller.seekBar().position(), 30 * kS + 250);

    // Back within A: a clock from further on is the stale one.
    rig.runTo(50 * kS);
    rig.controller.seekTrip(20 * kS);
    clock(50 * kS + 100);
    EXPECT_EQ(rig.controller.seekBar().position(), 20 * kS);
    // A player that never gets there is followed after a few clocks.
    for (int i = 0; i < 12; ++i)
        rig.runTo(40 * kS + i * 100);
    EXPECT_EQ(rig.controller.seekBar().position(), 40 * kS + 1100);
}

TEST(TripPlaybackController, SettingsCarryOverFromFileToFile)
{
    TripRig rig;
    rig.play();
    rig.controller.doubleSpeed();
    rig.controller.swap();
    rig.runTo(60 * kS - 100);
    EXPECT_EQ(rig.front.media, rig.frontFile(1));
    EXPECT_EQ(rig.controller.rateLabel(), "2x");
    EXPECT_FLOAT_EQ(rig.front.rate, 2.0f);
    EXPECT_TRUE(rig.controller.swapped());
    EXPECT_EQ(rig.view.panes, PaneLayout::FrontSmallRearLarge);
}

TEST(TripPlaybackController, AMissingFileSaysSoAndTheBarStillTakesTheUserPastIt)
{
    TripRig rig;
    rig.play();
    QFile::remove(QString::fromStdString(rig.drive.path(1)));
    QFile::remove(QString::fromStdString(rig.drive.path(1, false)));
    rig.runTo(60 * kS - 100);
    EXPECT_FALSE(rig.view.problem.isEmpty());
    EXPECT_TRUE(rig.controller.seekBar().enabled());
    rig.controller.seekTrip(120 * kS);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_TRUE(rig.view.problem.isEmpty());
}

TEST(TripPlaybackController, OpeningARecordingLeavesTheTrip)
{
    TripRig rig;
    rig.play(70 * kS);
    rig.controller.setTripAcceleration({{0, {0.1f, 0.2f, 1.0f}}, {1000, {0.1f, 0.2f, 1.0f}}});
    rig.controller.openRecording(rig.frontFile(2), true);
    EXPECT_FALSE(rig.controller.playingTrip());
    EXPECT_FALSE(rig.graph.windowShown());
    rig.front.lengthMs = 60 * kS;
    rig.front.send(EngineEvent::Opening);
    EXPECT_EQ(rig.controller.seekBar().maximum(), 60 * kS);
    rig.controller.key(TransportKey::PreviousEvent); // no trip, no events
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_FALSE(rig.controller.playingTrip());
}

TEST(TripPlaybackController, ATripWithoutPiecesIsNotPlayed)
{
    TripRig rig;
    const TripSummary empty{Trip{}, TripTimeline({}, Trip{}), {}, 0.0, std::nullopt, {}};
    rig.controller.playTrip(std::make_shared<const TripPlayback>(empty, rig.drive.set.recordings));
    EXPECT_FALSE(rig.controller.playingTrip());
    EXPECT_TRUE(rig.front.media.isEmpty());
}

TEST(TripPlaybackController, ASeekWhilePausedLandsPausedInWhicheverFileHoldsTheMoment)
{
    TripRig rig;
    rig.play();
    rig.runTo(5 * kS);
    rig.rear.send(EngineEvent::VideoOutput);
    rig.controller.pause();
    ASSERT_EQ(rig.front.currentState, MediaState::Paused);
    rig.front.send(EngineEvent::Paused);
    rig.rear.send(EngineEvent::Paused);

    rig.controller.seekBar().setPosition(40 * kS);
    rig.controller.seekReleased();
    EXPECT_EQ(rig.front.timeMs, 40 * kS);
    EXPECT_EQ(rig.front.currentState, MediaState::Paused);

    // Another file plays, silent, only until its clock runs at the place:
    // the player then pauses and is sent back there. Paused as it starts, it
    // would show a picture from before the place and drop the seek.
    const auto landsPausedIn = [&rig](const std::function<void()>& seek, bool firstClockBefore, std::size_t recording,
                                      std::int64_t tripMs, std::int64_t fileMs) {
        seek();
        EXPECT_EQ(rig.front.media, rig.frontFile(recording));
        EXPECT_TRUE(rig.view.playVisible);
        EXPECT_TRUE(rig.front.muted);
        rig.front.send(EngineEvent::Playing); // the player starting is not playing for the user
        rig.front.send(EngineEvent::VideoOutput);
        rig.rear.send(EngineEvent::VideoOutput);
        EXPECT_TRUE(rig.view.playVisible);
        if (firstClockBefore) { // the seek was lost while the file opened: it is given again
            rig.front.send(EngineEvent::TimeChanged, 0);
            EXPECT_EQ(rig.front.currentState, MediaState::Playing);
        }
        rig.front.timeMs = rig.rear.timeMs = fileMs + 400;
        rig.front.send(EngineEvent::TimeChanged, fileMs + 400);
        rig.rear.send(EngineEvent::TimeChanged, fileMs + 400);
        EXPECT_EQ(rig.front.currentState, MediaState::Paused);
        EXPECT_EQ(rig.rear.currentState, MediaState::Paused);
        EXPECT_EQ(rig.front.timeMs, fileMs);
        EXPECT_EQ(rig.rear.timeMs, fileMs);
        EXPECT_FALSE(rig.front.muted);
        rig.front.send(EngineEvent::Paused);
        rig.rear.send(EngineEvent::Paused);
        EXPECT_TRUE(rig.view.playVisible);
        EXPECT_EQ(rig.controller.seekBar().position(), tripMs);
    };
    landsPausedIn(
        [&rig] {
            rig.controller.seekBar().setPosition(130 * kS);
            rig.controller.seekReleased();
        },
        false, 2, 130 * kS, 40 * kS);
    landsPausedIn([&rig] { rig.controller.key(TransportKey::PageUp); }, true, 1, 60 * kS, 30 * kS);
    landsPausedIn([&rig] { rig.controller.key(TransportKey::NextEvent); }, false, 2, 100 * kS, 10 * kS);
    // The map's route, then three seconds back into A before the Event file is under way.
    landsPausedIn(
        [&rig] {
            rig.controller.seekTrip(62 * kS);
            rig.controller.step(-1);
        },
        true, 0, 59 * kS, 59 * kS);

    // Playing, a seek to another file plays on.
    rig.controller.play();
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.view.playVisible);
    rig.controller.seekTrip(120 * kS);
    rig.front.send(EngineEvent::VideoOutput);
    rig.rear.send(EngineEvent::VideoOutput);
    EXPECT_EQ(rig.front.currentState, MediaState::Playing);
    EXPECT_EQ(rig.rear.currentState, MediaState::Playing);
    EXPECT_FALSE(rig.view.playVisible);
}

TEST(TripPlaybackController, AFrontFileThatCantBePlayedGivesWayToItsRearAndTheTripGoesOn)
{
    TripRig rig;
    rig.play();
    rig.controller.swap();
    rig.runTo(60 * kS - 100);
    ASSERT_EQ(rig.front.media, rig.frontFile(1));
    // The Event file's front is damaged: the player fails at once.
    rig.front.send(EngineEvent::EncounteredError);
    EXPECT_EQ(rig.front.media, QByteArray::fromStdString(rig.drive.path(1, false)));
    EXPECT_EQ(rig.front.timeMs, 30 * kS);
    EXPECT_EQ(rig.controller.mode(), ChannelMode::RearOnly);
    EXPECT_EQ(rig.controller.seekBar().position(), 60 * kS);
    EXPECT_FALSE(rig.view.playVisible);
    // The small pane says why the front is missing.
    EXPECT_TRUE(rig.view.problem.isEmpty());
    EXPECT_EQ(rig.view.rearProblem, "event_20230615_140030_F.mp4 can't be played: it is damaged or not a video.");

    rig.runTo(45 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 75 * kS);
    // B plays both channels again, the rear large as chosen before.
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_EQ(rig.controller.mode(), ChannelMode::Both);
    EXPECT_TRUE(rig.controller.swapped());
    EXPECT_EQ(rig.controller.seekBar().position(), 90 * kS);
}

TEST(TripPlaybackController, RecordingsThatCantBePlayedArePassedOverAndATripOfNothingElseEnds)
{
    TripRig rig;
    rig.play();
    // A plays a while, then its front breaks off: the rear goes on from there.
    rig.runTo(20 * kS);
    rig.front.send(EngineEvent::EncounteredError);
    EXPECT_EQ(rig.front.media, QByteArray::fromStdString(rig.drive.path(0, false)));
    EXPECT_EQ(rig.front.timeMs, 20 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 20 * kS);
    // It ends without a picture: on to the Event file, 30 s into it.
    rig.front.send(EngineEvent::EndReached);
    EXPECT_EQ(rig.front.media, rig.frontFile(1));
    EXPECT_EQ(rig.front.timeMs, 30 * kS);
    EXPECT_EQ(rig.controller.seekBar().position(), 60 * kS);
    // A rear that has already failed is not tried again.
    rig.rear.send(EngineEvent::EncounteredError);
    rig.front.send(EngineEvent::EncounteredError);
    EXPECT_EQ(rig.front.media, rig.frontFile(2));
    EXPECT_EQ(rig.controller.seekBar().position(), 90 * kS);

    // B, the last, fails in both channels: the trip ends, held at its end.
    rig.front.send(EngineEvent::EncounteredError);
    EXPECT_EQ(rig.front.media, QByteArray::fromStdString(rig.drive.path(2, false)));
    const unsigned opens = rig.front.stamp;
    rig.front.send(EngineEvent::EncounteredError);
    EXPECT_EQ(rig.front.stamp, opens);
    EXPECT_TRUE(rig.controller.heldAtEnd());
    EXPECT_TRUE(rig.view.playVisible);
    EXPECT_EQ(rig.controller.seekBar().position(), 150 * kS);
    EXPECT_FALSE(rig.view.frontVideo);
    EXPECT_EQ(rig.view.problem, "alwa_20230615_140133_R.mp4 can't be played: it is damaged or not a video.");
    // Play goes round once more from the start.
    rig.controller.play();
    EXPECT_EQ(rig.front.media, rig.frontFile(0));
    EXPECT_EQ(rig.controller.seekBar().position(), 0);
    EXPECT_FALSE(rig.view.playVisible);
}
