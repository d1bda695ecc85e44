#include "playback/playback_controller.h"

#include "catalogue/recording_name.h"
#include "telemetry/track_reader.h"

#include <QFile>
#include <QLoggingCategory>
#include <QtConcurrent>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>
#include <tuple>

Q_LOGGING_CATEGORY(playbackLog, "dravonix.playback")

namespace dravonix {
namespace {

enum class FileCheck { Regular, Missing, NotRegular };

// Only the status is asked for: that never opens the file, so it can't block
// on a FIFO the way an open does.
FileCheck checkRecordingFile(const QByteArray& nativePath)
{
    std::error_code ec;
    const auto status = std::filesystem::status(std::filesystem::path(nativePath.toStdString()), ec);
    if (ec || !std::filesystem::exists(status))
        return FileCheck::Missing;
    return std::filesystem::is_regular_file(status) ? FileCheck::Regular : FileCheck::NotRegular;
}

QString openProblemText(const QByteArray& nativePath, FileCheck check)
{
    const QString name = QFile::decodeName(nativePath.mid(nativePath.lastIndexOf('/') + 1));
    return check == FileCheck::Missing
               ? QStringLiteral("%1 can't be played: the file is gone or can't be reached.").arg(name)
               : QStringLiteral("%1 can't be played: it is not a regular file (a pipe, a device or a folder).").arg(name);
}

// Why a file that opened shows no picture, by what can be seen without
// opening it.
QString unplayableText(const QByteArray& nativePath)
{
    const QString name = QFile::decodeName(nativePath.mid(nativePath.lastIndexOf('/') + 1));
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::path(nativePath.toStdString()), ec);
    return !ec && size == 0 ? QStringLiteral("%1 can't be played: the file is empty.").arg(name)
                            : QStringLiteral("%1 can't be played: it is damaged or not a video.").arg(name);
}

// How far the player's clock may be from an event just jumped to (a seek
// lands a little early, or it has played on a little) for the event to
// still count as the one the user is at.
constexpr std::int64_t kEventLandingMs = 1000;
// A clock this close to where a file was sent has got there.
constexpr std::int64_t kLandedWithinMs = 1000;

// The length as the seek bar takes it: its low 32 bits, sign-extended.
std::int64_t seekLength(std::int64_t length) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(length)); }

} // namespace

PlaybackController::PlaybackController(VideoEngine* front, VideoEngine* rear, TelemetryTrack& store,
                                       GSensorGraphModel& graph, PlaybackView& view, RecordingListAccess& list)
    : front_(front), rear_(rear), store_(store), graph_(graph), view_(view), list_(list)
{
    volume_.setRange(0, 99);
    volume_.setPosition(50);
    seekBar_.setEnabled(false); // nothing is open yet
    // Finished reads are handed over on this thread, through its event loop.
    QObject::connect(&trackReader_, &QFutureWatcherBase::finished, &trackReader_, [this] {
        if (trackReader_.future().isValid() && trackReader_.future().resultCount() > 0)
            trackArrived(trackReader_.future().takeResult());
    });
    if (front_ != nullptr)
        front_->setEventHandler([this](EngineEvent event, std::int64_t time, unsigned media) {
            if (frontMedia_ == media)
                frontEvent(event, time);
        });
    if (rear_ != nullptr)
        rear_->setEventHandler([this](EngineEvent event, std::int64_t time, unsigned media) {
            if (rearMedia_ == media)
                rearEvent(event, time);
        });
}

PlaybackController::~PlaybackController()
{
    for (VideoEngine* engine : {front_, rear_})
        if (engine != nullptr)
            engine->setEventHandler({});
}

void PlaybackController::openRecording(const QByteArray& nativePath, bool front)
{
    leaveTrip();
    openFile(nativePath, front);
}

void PlaybackController::openFile(const QByteArray& nativePath, bool front, std::int64_t startMs, bool withPartner)
{
    ++generation_; // tracks read for the file being replaced are ignored from now on
    atEnd_ = false;
    frontMedia_.reset(); // and so are its engines' events still queued
    rearMedia_.reset();
    openedPath_.clear();
    trackPending_ = false;
    started_ = false;
    frontPicture_ = rearPicture_ = false;
    rearFailed_ = false;
    frontHold_ = rearHold_ = false;
    frontLandAt_.reset();
    rearLandAt_.reset();
    frontPath_.clear();
    rearPath_.clear();
    pendingSeek_.reset();
    landingMs_.reset();
    view_.setReadoutTimer(false);
    view_.showOpenProblem(QString());
    if (front_ != nullptr)
        front_->setRate(1.0f);
    if (rear_ != nullptr)
        rear_->setRate(1.0f);
    doubleSpeed_ = false;
    setRateLabel(QStringLiteral("1x"));
    for (VideoEngine* engine : {front_, rear_})
        if (engine != nullptr)
            engine->stop();
    for (VideoEngine* engine : {front_, rear_}) {
        if (engine == nullptr)
            continue;
        if (engine->isSeekable())
            engine->setTime(0);
        engine->setMute(false);
    }
    if (!fullScreen_)
        layout(PaneLayout::FrontLargeRearSmall);
    else if (layout_ != PaneLayout::FullScreenBoth)
        layout(PaneLayout::FullScreenFront);
    enableSeekBar(false);
    if (nativePath.isEmpty() || front_ == nullptr || rear_ == nullptr)
        return;

    store_.clear();
    if (!trip_) { // a trip's bar keeps its range and place while the next file opens
        seekBar_.setRange(0, 0);
        view_.seekBarChanged();
    }
    graph_.reset();
    view_.graphChanged();
    view_.resetReadout();

    const FileCheck check = checkRecordingFile(nativePath);
    if (check != FileCheck::Regular) {
        frontVideo_ = rearVideo_ = false;
        view_.setPaneVideo(true, false);
        view_.setPaneVideo(false, false);
        view_.trackLoaded();
        view_.showOpenProblem(openProblemText(nativePath, check));
        return;
    }

    openedPath_ = nativePath;
    QByteArray path = nativePath;
    QByteArray partner = withPartner ? partnerPath(path, front) : QByteArray();
    mode_ = front ? ChannelMode::FrontOnly : ChannelMode::RearOnly;
    if (!partner.isEmpty() && checkRecordingFile(partner) == FileCheck::Regular) {
        if (!front)
            std::swap(path, partner);
        swapped_ = false;
        mode_ = ChannelMode::Both;
    } else {
        partner.clear();
    }

    readTrackInBackground(path);
    frontPath_ = path;
    rearPath_ = partner;
    if (layout_ == PaneLayout::FullScreenBoth) // the sides follow the swapped flag; one channel fills the view
        layout(mode_ == ChannelMode::Both ? PaneLayout::FullScreenBoth : PaneLayout::FullScreenFront);

    if (mode_ == ChannelMode::RearOnly) {
        // A rear recording alone plays in the large pane on the front engine.
        rear_->stop();
        front_->openAt(path, startMs);
        frontMedia_ = front_->mediaStamp();
        swapped_ = true;
        rearVideo_ = false;
        view_.setPaneVideo(false, false);
        startPlayback();
    } else {
        front_->openAt(path, startMs);
        frontMedia_ = front_->mediaStamp();
        if (partner.isEmpty()) {
            mode_ = ChannelMode::FrontOnly;
            rear_->stop();
            rearVideo_ = false;
            view_.setPaneVideo(false, false);
        } else {
            rear_->openAt(partner, startMs);
            rearMedia_ = rear_->mediaStamp();
            rear_->setMute(true);
        }
        startPlayback();
    }
    graph_.reset();
    view_.graphChanged();
}

void PlaybackController::readTrackInBackground(const QByteArray& nativePath)
{
    trackPending_ = true;
    const unsigned generation = generation_;
    trackReader_.setFuture(QtConcurrent::run([nativePath, generation] {
        TrackDelivery delivery;
        delivery.generation = generation;
        // A track that can't be read leaves the store empty: the pictures play without it.
        try {
            readTelemetryTrack(std::filesystem::path(nativePath.toStdString()), delivery.track);
        } catch (const std::exception& e) { // out of memory, say: nothing may stay pending
            qCWarning(playbackLog, "reading the track of %s failed: %s", nativePath.constData(), e.what());
            delivery.track.clear();
        }
        return delivery;
    }));
}

void PlaybackController::playTrip(std::shared_ptr<const TripPlayback> trip, std::int64_t fromTripMs)
{
    if (trip == nullptr || trip->pieceCount() == 0 || front_ == nullptr)
        return;
    trip_ = std::move(trip);
    atEnd_ = false;
    userPaused_ = false; // a trip starts playing
    tripRearLarge_ = false; // unless both channels play swapped now
    lastEventJump_.reset();
    firstRow_ = currentRow_ = -1; // the list's neighbours are not what follows in a trip
    tripRecording_.reset();
    fromTripMs = std::clamp<std::int64_t>(fromTripMs, 0, trip_->lengthMs());
    graph_.showWindow({}, trip_->lengthMs(), trip_->eventTimes());
    seekBar_.setRange(0, trip_->lengthMs());
    seekBar_.setPosition(fromTripMs);
    openTripTarget(*trip_->locate(fromTripMs));
    seekBar_.setPosition(fromTripMs);
    setTripCursor(fromTripMs);
    view_.seekBarChanged();
}

void PlaybackController::leaveTrip()
{
    if (!trip_)
        return;
    trip_.reset();
    tripRecording_.reset();
    pendingSeek_.reset();
    graph_.leaveWindow();
    view_.graphChanged();
}

void PlaybackController::setTripAcceleration(std::vector<TimedAcceleration> samples)
{
    if (!trip_)
        return;
    const std::int64_t cursor = seekBar_.position();
    graph_.showWindow(std::move(samples), trip_->lengthMs(), trip_->eventTimes());
    setTripCursor(cursor);
}

void PlaybackController::openTripTarget(const TripTarget& target, bool withPartner)
{
    // What the user set stays set from one file of the trip to the next.
    const bool twice = doubleSpeed_;
    if (mode_ == ChannelMode::Both)
        tripRearLarge_ = swapped_;
    tripPiece_ = target.piece;
    tripRecording_ = target.recording;
    atEnd_ = false;
    openFile(QByteArray::fromStdString(target.path), target.front, target.offsetMs, withPartner);
    if (!frontMedia_)
        return; // refused: the pane says why, and the bar can take the user past it
    pendingSeek_ = target.offsetMs; // until the file's clock runs
    awaitLanding(target.offsetMs, 0); // a file starts at its start
    if (twice)
        setSpeed(true);
    if (tripRearLarge_ && mode_ == ChannelMode::Both && !swapped_)
        swap();
    if (userPaused_) {
        // Played, silent, only until each engine's clock runs at the place.
        frontLandAt_ = target.offsetMs;
        if (mode_ == ChannelMode::Both)
            rearLandAt_ = target.offsetMs;
        front_->setMute(true);
        showPlaying(false);
    }
    view_.tripFileOpened();
}

void PlaybackController::seekTrip(std::int64_t tripMs)
{
    if (!trip_ || front_ == nullptr)
        return;
    tripMs = std::clamp<std::int64_t>(tripMs, 0, trip_->lengthMs());
    const std::optional<TripTarget> target = trip_->locate(tripMs);
    if (!target)
        return;
    if (atEnd_ || !frontMedia_ || tripRecording_ != target->recording) {
        openTripTarget(*target);
    } else {
        tripPiece_ = target->piece;
        const std::int64_t from = front_->time();
        seekBoth(target->offsetMs);
        awaitLanding(target->offsetMs, from);
        if (pendingSeek_) // still opening: the player may drop this seek, so it is given again
            pendingSeek_ = target->offsetMs;
        for (std::optional<std::int64_t>* landing : {&frontLandAt_, &rearLandAt_})
            if (landing->has_value())
                *landing = target->offsetMs;
    }
    seekBar_.setPosition(tripMs);
    setTripCursor(tripMs);
    view_.seekBarChanged();
}

void PlaybackController::advanceTrip()
{
    if (tripPiece_ + 1 >= trip_->pieceCount())
        return; // the trip's end: the file's end holds it there
    moveToTripPiece(tripPiece_ + 1);
}

void PlaybackController::moveToTripPiece(std::size_t piece)
{
    const TripTarget next = trip_->startOf(piece);
    if (next.recording == tripRecording_ && frontMedia_) {
        // The same file again further on (an Event file around a shorter Always one).
        tripPiece_ = next.piece;
        const std::int64_t from = front_->time();
        seekBoth(next.offsetMs);
        awaitLanding(next.offsetMs, from);
    } else {
        openTripTarget(next);
    }
    seekBar_.setPosition(trip_->piece(next.piece).tripFrom);
    setTripCursor(seekBar_.position());
    view_.seekBarChanged();
}

void PlaybackController::tripFileFailed()
{
    const QByteArray failed = frontPath_;
    if (mode_ == ChannelMode::Both && !rearFailed_ && tripRecording_) {
        // The trip's clock is the front engine's: the rear file opens there,
        // alone, in the large pane, where the bar stands.
        const TripTarget rear{tripPiece_, *tripRecording_, rearPath_.toStdString(), false,
                              trip_->fileTimeIn(tripPiece_, seekBar_.position())};
        openTripTarget(rear, false);
        if (frontMedia_) {
            view_.showPlaybackProblem(false, unplayableText(failed));
            return;
        }
    }
    showUnplayable(true);
    // Nothing of this recording plays: on to the first piece of another one.
    std::size_t next = tripPiece_ + 1;
    while (next < trip_->pieceCount() && trip_->piece(next).recording == tripRecording_)
        ++next;
    if (next < trip_->pieceCount())
        moveToTripPiece(next);
    else
        holdAtEnd();
}

void PlaybackController::setTripCursor(std::int64_t tripMs)
{
    graph_.setCursorTime(tripMs);
    view_.graphChanged();
}

void PlaybackController::nextEvent()
{
    if (!trip_)
        return;
    std::int64_t from = seekBar_.position();
    if (lastEventJump_ && std::llabs(from - *lastEventJump_) < kEventLandingMs)
        from = std::max(from, *lastEventJump_);
    if (const auto at = trip_->nextEvent(from)) {
        seekTrip(*at);
        lastEventJump_ = *at;
    }
}

void PlaybackController::previousEvent()
{
    if (!trip_)
        return;
    std::int64_t from = seekBar_.position();
    if (lastEventJump_ && std::llabs(from - *lastEventJump_) < kEventLandingMs)
        from = std::min(from, *lastEventJump_);
    if (const auto at = trip_->previousEvent(from)) {
        seekTrip(*at);
        lastEventJump_ = *at;
    }
}

std::pair<std::int64_t, std::int64_t> PlaybackController::readoutScale() const
{
    if (trip_ && front_ != nullptr)
        return {front_->length(), front_->time()};
    return {seekBar_.maximum(), seekBar_.position()};
}

void PlaybackController::trackArrived(TrackDelivery delivery)
{
    if (delivery.generation != generation_)
        return; // read for a file that has been replaced since
    trackPending_ = false;
    store_ = std::move(delivery.track);
    graph_.reset();
    setGraphBySeekMaximum(seekBar_.position());
    view_.graphChanged();
    view_.trackLoaded();
    if (started_ && store_.sampleCount() > 0)
        view_.setReadoutTimer(true);
}

void PlaybackController::startPlayback()
{
    if (front_ == nullptr)
        return;
    front_->play();
    if (mode_ == ChannelMode::Both)
        rear_->play();
    enableSeekBar(true);
    showPlaying(true);
    if (!volumeInitialised_) {
        // 50 unless the user moved or muted it before the first recording.
        view_.volumeSliderChanged();
        front_->setVolume(static_cast<int>(volume_.position()));
        volumeInitialised_ = true;
    }
    if (mode_ != ChannelMode::RearOnly)
        rear_->setMute(true);
    started_ = true;
    if (store_.sampleCount() > 0)
        view_.setReadoutTimer(true);
}

void PlaybackController::enableSeekBar(bool on)
{
    if (trip_) {
        // The bar spans the trip whichever of its files is open, and stays
        // usable while one opens or fails, so the user can seek past it.
        if (seekBar_.minimum() != 0 || seekBar_.maximum() != trip_->lengthMs()) {
            const std::int64_t keep = seekBar_.position();
            seekBar_.setRange(0, trip_->lengthMs());
            seekBar_.setPosition(keep);
        }
        seekBar_.setEnabled(true);
        view_.seekBarChanged();
        return;
    }
    if (front_ != nullptr && on && front_->isSeekable()) {
        seekBar_.setEnabled(true);
        seekBar_.setRange(0, seekLength(front_->length()));
    } else {
        seekBar_.setPosition(0);
        seekBar_.setEnabled(false);
    }
    view_.seekBarChanged();
}

void PlaybackController::awaitLanding(std::int64_t fileMs, std::int64_t fromMs)
{
    // Only a clock far from the place, on the side it was sent from, can be
    // one from before it.
    landingMs_.reset();
    if (std::llabs(fileMs - fromMs) <= kLandedWithinMs)
        return;
    landingMs_ = fileMs;
    landingFromBelow_ = fromMs < fileMs;
    clocksBeforeLanding_ = 0;
}

bool PlaybackController::clockBeforeLanding(std::int64_t fileMs)
{
    // A clock from before the file reached the place it was opened or
    // sought to says nothing of where the trip is: it moves neither the bar
    // nor the trip on (for a few clocks at most, should the player never
    // get there).
    constexpr int kMostClocksBeforeLanding = 8;
    if (!landingMs_)
        return false;
    const bool notThere = landingFromBelow_ ? fileMs < *landingMs_ - kLandedWithinMs
                                            : fileMs > *landingMs_ + kLandedWithinMs;
    if (notThere && ++clocksBeforeLanding_ <= kMostClocksBeforeLanding)
        return true;
    landingMs_.reset();
    return false;
}

void PlaybackController::refreshSeekBar()
{
    // While the user holds the thumb, the thumb is theirs.
    if (seekBar_.held())
        return;
    if (trip_) {
        if (front_->state() != MediaState::Playing)
            return;
        const std::int64_t at = trip_->tripTimeIn(tripPiece_, front_->time());
        seekBar_.setPosition(at);
        setTripCursor(at);
        view_.seekBarChanged();
        return;
    }
    std::int64_t length = front_->length();
    if (front_->state() != MediaState::Playing || length == 0)
        return;
    seekBar_.setRange(0, seekLength(length));
    std::int64_t time = front_->time();
    length = front_->length();
    if (time >= length || time < 0) {
        seekBar_.setPosition(time);
    } else if (front_->isSeekable()) {
        const std::int64_t now = front_->time();
        if (now != 0) {
            seekBar_.setPosition(now);
            setGraphBySeekMaximum(now);
        }
    }
    view_.seekBarChanged();
}

void PlaybackController::frontEvent(EngineEvent event, std::int64_t newTimeMs)
{
    if (front_ == nullptr)
        return;
    switch (event) {
    case EngineEvent::Opening:
        frontVideo_ = true;
        view_.setPaneVideo(true, true);
        enableSeekBar(true);
        break;
    // The player's own word on its state wins over what the last command set,
    // except while it is being paused or only plays to land at a place.
    case EngineEvent::Playing:
        if (!frontHold_ && !frontLandAt_)
            showPlaying(true);
        break;
    case EngineEvent::Paused:
        frontHold_ = false;
        showPlaying(false);
        break;
    case EngineEvent::EndReached:
    case EngineEvent::EncounteredError: {
        enableSeekBar(false);
        frontVideo_ = false;
        view_.setPaneVideo(true, false);
        // Without a single picture the file was never played: say why and
        // stay on it, rather than pass over it to the next one unseen.
        if (event == EngineEvent::EncounteredError || !frontPicture_) {
            if (trip_)
                tripFileFailed(); // the trip plays on without it
            else
                showUnplayable(true);
            break;
        }
        const unsigned before = generation_;
        endOfFile();
        if (generation_ == before)
            holdAtEnd(); // nothing follows
        break;
    }
    case EngineEvent::TimeChanged: {
        if (frontHold_)
            front_->pause();
        const bool beforeLanding = trip_ && clockBeforeLanding(newTimeMs);
        if (front_->state() == MediaState::Playing && !frontLandAt_ && !beforeLanding) {
            // The media may not have been seekable yet when it opened.
            if (!seekBar_.enabled() && front_->isSeekable())
                enableSeekBar(true);
            refreshSeekBar();
        }
        if (trip_) {
            if (const std::optional<std::int64_t> asked = std::exchange(pendingSeek_, std::nullopt)) {
                // The first clock of a file: a seek the player dropped while
                // opening is given again, and this clock is not where it will be.
                if (newTimeMs + 1000 < *asked) {
                    seekBoth(*asked);
                    break;
                }
            }
            if (frontLandAt_) {
                // A player paused or sought while it starts or settles after a
                // seek may show a picture from before the place; once its
                // clock has run past the place, it takes both. A clock at the
                // place itself is only the seek's report.
                if (newTimeMs > *frontLandAt_) {
                    front_->pause();
                    front_->setTime(*std::exchange(frontLandAt_, std::nullopt));
                    front_->setMute(false);
                    frontHold_ = true;
                }
                break;
            }
            if (!beforeLanding && frontPicture_ && trip_->pieceEnded(tripPiece_, newTimeMs, front_->length()))
                advanceTrip();
            break;
        }
        const std::int64_t length = front_->length();
        if (frontPicture_ && length > 0 && std::llabs(length - newTimeMs) <= 200)
            endOfFile();
        break;
    }
    case EngineEvent::VideoOutput:
        frontPicture_ = true;
        if (frontHold_)
            front_->pause(); // the first picture still shows
        break;
    }
}

void PlaybackController::rearEvent(EngineEvent event, std::int64_t newTimeMs)
{
    // Held at the end, the rear pane keeps its last picture too.
    if (event == EngineEvent::EndReached && atEnd_)
        return;
    if (event == EngineEvent::VideoOutput)
        rearPicture_ = true;
    if (event == EngineEvent::TimeChanged && rearLandAt_ && newTimeMs > *rearLandAt_) {
        rear_->pause(); // landed, as the front engine does
        rear_->setTime(*std::exchange(rearLandAt_, std::nullopt));
        rearHold_ = true;
    } else if (event == EngineEvent::Paused) {
        rearHold_ = false;
    } else if (rearHold_ && (event == EngineEvent::VideoOutput || event == EngineEvent::TimeChanged)) {
        rear_->pause();
    }
    const bool failed = event == EngineEvent::EncounteredError || (event == EngineEvent::EndReached && !rearPicture_);
    if (failed && mode_ == ChannelMode::Both && !rearPath_.isEmpty()) {
        rearFailed_ = true;
        rearVideo_ = false;
        view_.setPaneVideo(false, false);
        showUnplayable(false);
        return;
    }
    if (event == EngineEvent::Opening || event == EngineEvent::EndReached) {
        rearVideo_ = event == EngineEvent::Opening;
        view_.setPaneVideo(false, rearVideo_);
    }
}

void PlaybackController::showUnplayable(bool frontEngine)
{
    view_.showPlaybackProblem(frontEngine, unplayableText(frontEngine ? frontPath_ : rearPath_));
    if (frontEngine) {
        view_.setReadoutTimer(false);
        showPlaying(false);
    }
}

void PlaybackController::endOfFile()
{
    if (trip_) {
        advanceTrip();
        return;
    }
    // One advance per file: the open that follows stamps the front engine's
    // media anew, so the end event and the last time changes of this file
    // still in the queue are dropped by the handler.
    nextRecording();
}

void PlaybackController::holdAtEnd()
{
    std::int64_t length = trip_ ? trip_->lengthMs() : seekLength(front_->length());
    if (length <= 0)
        length = seekBar_.maximum();
    // libvlc plays a file that has ended again only after a stop.
    front_->stop();
    rear_->stop();
    atEnd_ = true;
    userPaused_ = false; // from the end, a seek plays again
    frontHold_ = rearHold_ = false;
    frontLandAt_.reset();
    rearLandAt_.reset();
    showPlaying(false);
    view_.setReadoutTimer(false);
    // A pane that never had a picture (a trip ending on a file that can't be
    // played) keeps saying why.
    frontVideo_ = frontPicture_;
    view_.setPaneVideo(true, frontVideo_);
    if (mode_ == ChannelMode::Both) {
        rearVideo_ = rearPicture_;
        view_.setPaneVideo(false, rearVideo_);
    }
    seekBar_.setEnabled(true);
    seekBar_.setRange(0, length);
    seekBar_.setPosition(length);
    if (trip_)
        setTripCursor(length);
    else
        setGraphBySeekMaximum(length);
    view_.seekBarChanged();
}

void PlaybackController::playAgainFrom(std::int64_t ms)
{
    if (trip_) {
        seekTrip(ms); // the engines let go of the last file: it opens again
        return;
    }
    atEnd_ = false;
    front_->play();
    if (mode_ == ChannelMode::Both)
        rear_->play();
    // The new input takes the player's rate, but say it again rather than rely on that.
    front_->setRate(doubleSpeed_ ? 2.0f : 1.0f);
    rear_->setRate(doubleSpeed_ ? 2.0f : 1.0f);
    if (ms > 0)
        seekBoth(ms);
    seekBar_.setPosition(ms);
    setGraphBySeekMaximum(ms);
    view_.seekBarChanged();
    showPlaying(true);
    if (store_.sampleCount() > 0)
        view_.setReadoutTimer(true);
}

std::pair<int, int> PlaybackController::recordingRows(int row) const
{
    const QByteArray path = list_.path(row);
    const QChar letter = list_.channelLetter(row);
    if (path.isEmpty() || (letter != QLatin1Char('F') && letter != QLatin1Char('R')))
        return {row, row};
    const QByteArray partner = partnerPath(path, letter == QLatin1Char('F'));
    if (partner.isEmpty())
        return {row, row};
    if (row + 1 < list_.recordingCount() && list_.path(row + 1) == partner)
        return {row, row + 1};
    if (row > 0 && list_.path(row - 1) == partner)
        return {row - 1, row};
    return {row, row};
}

void PlaybackController::openListRow(int row)
{
    firstRow_ = currentRow_ = row;
    const QByteArray path = list_.path(row);
    if (path.isEmpty())
        return;
    view_.selectListRow(row);
    openRecording(path, list_.channelLetter(row) == QLatin1Char('F'));
    // A pair playing covers both its rows, whichever of them was opened.
    if (frontMedia_ && mode_ == ChannelMode::Both)
        std::tie(firstRow_, currentRow_) = recordingRows(row);
}

void PlaybackController::listReplaced()
{
    firstRow_ = currentRow_ = -1;
    if (openedPath_.isEmpty())
        return;
    for (int row = 0; row < list_.recordingCount(); ++row) {
        if (list_.path(row) == openedPath_) {
            firstRow_ = currentRow_ = row;
            if (mode_ == ChannelMode::Both)
                std::tie(firstRow_, currentRow_) = recordingRows(row);
            return;
        }
    }
}

void PlaybackController::nextRecording()
{
    if (trip_) { // the next piece of the trip
        if (tripPiece_ + 1 < trip_->pieceCount())
            seekTrip(trip_->piece(tripPiece_ + 1).tripFrom);
        return;
    }
    if (currentRow_ == -1 || currentRow_ + 1 >= list_.recordingCount())
        return;
    openListRow(currentRow_ + 1);
}

void PlaybackController::previousRecording()
{
    if (trip_) {
        seekTrip(tripPiece_ > 0 ? trip_->piece(tripPiece_ - 1).tripFrom : 0);
        return;
    }
    // The recording before the first row of the one playing, from its first row.
    if (currentRow_ == -1 || firstRow_ <= 0)
        return;
    openListRow(recordingRows(firstRow_ - 1).first);
}

void PlaybackController::listActivated(int row)
{
    if (row < 0 || row >= list_.recordingCount())
        return;
    openListRow(row);
}

void PlaybackController::play()
{
    userPaused_ = false;
    // After a refused open the engines still hold the file before: play nothing.
    if (front_ == nullptr || !started_)
        return;
    frontHold_ = rearHold_ = false;
    if (std::exchange(frontLandAt_, std::nullopt))
        front_->setMute(false);
    rearLandAt_.reset();
    if (atEnd_) {
        playAgainFrom(0);
        return;
    }
    front_->play();
    if (mode_ == ChannelMode::Both)
        rear_->play();
    showPlaying(true);
}

void PlaybackController::pause()
{
    if (front_ != nullptr && !atEnd_) {
        userPaused_ = true;
        holdPaused();
    }
}

void PlaybackController::holdPaused()
{
    frontHold_ = true;
    rearHold_ = mode_ == ChannelMode::Both;
    front_->pause();
    if (rearHold_)
        rear_->pause();
    showPlaying(false);
}

void PlaybackController::skip(std::int64_t delta)
{
    const std::int64_t from = seekBar_.position();
    if (trip_) {
        if (!atEnd_ || delta < 0)
            seekTrip(from + delta);
        return;
    }
    if (front_ != nullptr && atEnd_) {
        if (delta < 0)
            playAgainFrom(std::max<std::int64_t>(0, from + delta));
    } else if (front_ != nullptr) {
        std::int64_t to = from + delta;
        if (delta < 0 && to < 0)
            to = 0;
        if (delta > 0 && to > front_->length())
            to = front_->length();
        seekBoth(to);
        seekBar_.setPosition(to);
        setGraphBySeekMaximum(to);
        view_.seekBarChanged();
    }
}

void PlaybackController::seekBoth(std::int64_t ms)
{
    front_->setTime(ms);
    rear_->setTime(ms);
}

void PlaybackController::setGraphBySeekMaximum(std::int64_t ms)
{
    if (trip_) { // the bar's own time is the trip's
        setTripCursor(ms);
        return;
    }
    const std::int64_t maximum = seekBar_.maximum();
    if (maximum == 0)
        return; // no range yet: the graph stays where it is
    const auto n = static_cast<std::int64_t>(store_.sampleCount());
    graph_.setCurrentSample(ms * (n - 1) / maximum);
    view_.graphChanged();
}

void PlaybackController::setGraphByLength(std::int64_t ms, std::int64_t length)
{
    const auto n = static_cast<std::int64_t>(store_.sampleCount());
    graph_.setCurrentSample(ms * std::max<std::int64_t>(n - 1, 1) / length);
    view_.graphChanged();
}

void PlaybackController::setSpeed(bool twice)
{
    if (front_ == nullptr)
        return;
    // Both engines, the flag and the label together, every time: the label
    // must never name a rate the engines don't play at.
    front_->setRate(twice ? 2.0f : 1.0f);
    rear_->setRate(twice ? 2.0f : 1.0f);
    doubleSpeed_ = twice;
    setRateLabel(twice ? QStringLiteral("2x") : QStringLiteral("1x"));
}

void PlaybackController::seekReleased()
{
    if (front_ == nullptr)
        return;
    if (trip_) {
        if (!atEnd_ || seekBar_.position() < seekBar_.maximum())
            seekTrip(seekBar_.position());
        return;
    }
    if (atEnd_) {
        // The player has let go of the ended file and knows no length now.
        if (seekBar_.position() < seekBar_.maximum())
            playAgainFrom(seekBar_.position());
        return;
    }
    const std::int64_t length = front_->length();
    if (length == 0)
        return;
    const std::int64_t position = seekBar_.position();
    seekBoth(position);
    setGraphByLength(position, length);
}

void PlaybackController::volumeReleased()
{
    if (volume_.position() > 0)
        volumeBeforeMute_ = volume_.position(); // what unmuting goes back to
    if (front_ != nullptr)
        front_->setVolume(static_cast<int>(volume_.position()));
}

void PlaybackController::toggleMute()
{
    if (volume_.position() > 0) {
        volumeBeforeMute_ = volume_.position();
        volume_.setPosition(0);
    } else {
        volume_.setPosition(volumeBeforeMute_ > 0 ? volumeBeforeMute_ : 50);
    }
    view_.volumeSliderChanged();
    if (front_ != nullptr)
        front_->setVolume(static_cast<int>(volume_.position()));
}

void PlaybackController::swap()
{
    if (mode_ != ChannelMode::Both || front_ == nullptr)
        return;
    if (!fullScreen_) {
        swapped_ = !swapped_;
        layout(swapped_ ? PaneLayout::FrontSmallRearLarge : PaneLayout::FrontLargeRearSmall);
    } else if (layout_ == PaneLayout::FullScreenBoth) {
        swapped_ = !swapped_; // the two sides change places
        layout(PaneLayout::FullScreenBoth);
    } else if (layout_ == PaneLayout::FullScreenRear) {
        swapped_ = false;
        layout(PaneLayout::FullScreenFront);
    } else {
        swapped_ = true;
        layout(PaneLayout::FullScreenRear);
    }
    if (magnifier_)
        applyMagnifier();
}

void PlaybackController::step(int direction)
{
    if (front_ == nullptr)
        return;
    if (trip_) {
        if (!atEnd_ || direction < 0)
            seekTrip(seekBar_.position() + direction * 3000);
        return;
    }
    if (atEnd_) {
        if (direction < 0)
            playAgainFrom(std::max<std::int64_t>(0, seekBar_.maximum() - 3000));
        return;
    }
    // Playing as the last command left it: the player's own state may not have caught up.
    const bool wasPlaying = playing_;
    const std::int64_t length = front_->length();
    const std::int64_t to = front_->time() + direction * 3000;
    if (to > 0 && to <= length) {
        seekBoth(to);
        seekBar_.setPosition(to);
        setGraphBySeekMaximum(to);
    } else if (direction < 0) {
        seekBoth(0);
        seekBar_.setPosition(0);
        graph_.setCurrentSample(0);
        view_.graphChanged();
    }
    view_.seekBarChanged();
    if (wasPlaying)
        front_->play();
}

void PlaybackController::key(TransportKey key)
{
    switch (key) {
    case TransportKey::Space:
        // Decided by what the buttons show: the player's state changes some
        // time after a command, so reading it back here can be stale.
        if (playing_)
            pause();
        else
            play();
        break;
    case TransportKey::Enter: break;
    case TransportKey::PageUp: previousRecording(); break;
    case TransportKey::PageDown: nextRecording(); break;
    case TransportKey::Left: step(-1); break;
    case TransportKey::Right: step(+1); break;
    case TransportKey::NextEvent: nextEvent(); break;
    case TransportKey::PreviousEvent: previousEvent(); break;
    }
}

VideoEngine* PlaybackController::largePaneEngine() const
{
    // A single channel always plays on the front engine, in the large pane.
    return mode_ != ChannelMode::Both || !swapped_ ? front_ : rear_;
}

void PlaybackController::applyMagnifier()
{
    if (front_ == nullptr)
        return;
    VideoEngine* large = largePaneEngine();
    for (VideoEngine* engine : {front_, rear_})
        if (engine != large || !magnifier_)
            engine->setFilter(QStringLiteral("magnify"), false);
    if (magnifier_)
        large->setFilter(QStringLiteral("magnify"), true);
    view_.magnifierChanged();
}

void PlaybackController::toggleMagnifier()
{
    magnifier_ = !magnifier_;
    applyMagnifier();
}

bool PlaybackController::snapshotAllowed() const
{
    return front_ != nullptr && frontVideo_ && !atEnd_ && front_->state() != MediaState::Ended;
}

bool PlaybackController::pauseForSnapshot()
{
    if (front_ == nullptr || front_->state() != MediaState::Playing)
        return false;
    front_->pause();
    if (mode_ == ChannelMode::Both)
        rear_->pause();
    return true;
}

void PlaybackController::resumeAfterSnapshot(bool pausedHere)
{
    if (!pausedHere || front_ == nullptr)
        return;
    front_->play();
    // The rear engine holds a file only when both channels are open.
    if (mode_ == ChannelMode::Both)
        rear_->play();
}

int PlaybackController::fullScreenViewRequest() const { return mode_ != ChannelMode::Both || !swapped_ ? 1 : 2; }

void PlaybackController::enterFullScreen(int view)
{
    fullScreen_ = true;
    if (view == 1)
        layout(PaneLayout::FullScreenFront);
    else if (view == 2)
        layout(PaneLayout::FullScreenRear);
    else // the window's own full view: both channels side by side, or the one that is open
        layout(mode_ == ChannelMode::Both ? PaneLayout::FullScreenBoth : PaneLayout::FullScreenFront);
}

void PlaybackController::leaveFullScreen()
{
    fullScreen_ = false;
    layout(mode_ == ChannelMode::Both && swapped_ ? PaneLayout::FrontSmallRearLarge : PaneLayout::FrontLargeRearSmall);
    view_.showPlayButton(!playing_);
}

bool PlaybackController::frontPlaying() const { return front_ != nullptr && front_->state() == MediaState::Playing; }

void PlaybackController::setRateLabel(const QString& text)
{
    rateLabel_ = text;
    view_.setRateLabel(text);
}

void PlaybackController::showPlaying(bool playing)
{
    playing_ = playing;
    view_.showPlayButton(!playing);
}

void PlaybackController::layout(PaneLayout layout)
{
    layout_ = layout;
    view_.layoutPanes(layout);
}

} // namespace dravonix
