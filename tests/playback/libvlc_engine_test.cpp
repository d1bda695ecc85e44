// The real libvlc engine on demo recordings: events arrive on the test's own
// thread in order, pictures arrive at the video's visible size, snapshots
// are taken at that size, and the end of a file is reported.
#include "playback/libvlc_engine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include "../qt_wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace dravonix;

namespace {

QString demoCard() { return qEnvironmentVariable("DRAVONIX_TEST_CARD"); }

QString recording(const char* folder, const char* suffix)
{
    QDir dir(demoCard() + "/" + folder);
    const QStringList names = dir.entryList({QString("*") + suffix}, QDir::Files, QDir::Name);
    return names.isEmpty() ? QString() : dir.filePath(names.front());
}


struct Recorder {
    std::vector<EngineEvent> events;
    std::vector<unsigned> stamps;
    std::int64_t lastTime = -1;
    bool wrongThread = false;

    VideoEngine::EventHandler handler()
    {
        return [this](EngineEvent e, std::int64_t t, unsigned media) {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                wrongThread = true;
            events.push_back(e);
            stamps.push_back(media);
            if (e == EngineEvent::TimeChanged)
                lastTime = t;
        };
    }
    bool saw(EngineEvent e) const { return std::find(events.begin(), events.end(), e) != events.end(); }
};

} // namespace

TEST(LibVlcEngine, PlaysADemoRecordingToItsEndWithEventsOnTheOwnThread)
{
    const QString front = recording("Event", "_F.mp4");
    ASSERT_FALSE(front.isEmpty()) << "no demo card at " << demoCard().toStdString();
    LibVlcEngine engine({"--aout=dummy"});
    ASSERT_TRUE(engine.valid());
    EXPECT_EQ(engine.state(), MediaState::Nothing);
    Recorder recorder;
    engine.setEventHandler(recorder.handler());
    int frames = 0;
    QObject::connect(&engine, &LibVlcEngine::frameReady, [&] { ++frames; });

    engine.open(front);
    engine.play();
    ASSERT_TRUE(waitFor([&] { return recorder.saw(EngineEvent::Playing) && frames > 5; }, 10000));
    EXPECT_EQ(engine.frames().pictureSize(), QSize(1920, 1080));
    EXPECT_TRUE(engine.isSeekable());
    EXPECT_NEAR(static_cast<double>(engine.length()), 4000.0, 100.0);

    QImage shown;
    ASSERT_TRUE(engine.frames().render(QRect(0, 0, 1920, 1080), QSize(646, 363), shown));
    EXPECT_EQ(shown.size(), QSize(646, 363));
    // The sky of the demo scene is blue-grey, the road below dark grey.
    EXPECT_GT(qBlue(shown.pixel(320, 150)), qRed(shown.pixel(320, 150)));
    EXPECT_LT(qGray(shown.pixel(100, 300)), 90);

    QTemporaryDir dir;
    const QString png = dir.filePath("shot.png");
    ASSERT_TRUE(engine.snapshot(png));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(png) && QImage(png).width() > 0; }, 5000));
    EXPECT_EQ(QImage(png).size(), QSize(1920, 1080));

    ASSERT_TRUE(waitFor([&] { return recorder.saw(EngineEvent::EndReached); }, 15000));
    EXPECT_FALSE(recorder.wrongThread);
    EXPECT_EQ(recorder.events.front(), EngineEvent::Opening);
    EXPECT_GT(recorder.lastTime, 3000);
    EXPECT_EQ(engine.state(), MediaState::Ended);
}

TEST(LibVlcEngine, SeeksRatesAndASecondFileOnTheSamePlayer)
{
    const QString rear = recording("Event", "_R.mp4");
    const QString other = recording("Manual", "_R.mp4");
    ASSERT_FALSE(rear.isEmpty());
    LibVlcEngine engine({"--aout=dummy"});
    Recorder recorder;
    engine.setEventHandler(recorder.handler());
    engine.open(rear);
    engine.play();
    ASSERT_TRUE(waitFor([&] { return recorder.saw(EngineEvent::Playing) && engine.frames().pictureSize().isValid(); }, 10000));
    EXPECT_EQ(engine.frames().pictureSize(), QSize(1280, 720));
    engine.setTime(2500);
    ASSERT_TRUE(waitFor([&] { return recorder.lastTime >= 2500; }, 5000));
    // Clamped, never refused. Set after the seek: at that rate the short file
    // could end before a time past the seek is reported.
    engine.setRate(8.0f);
    EXPECT_NE(engine.state(), MediaState::Error);

    const unsigned first = engine.mediaStamp();
    EXPECT_TRUE(std::all_of(recorder.stamps.begin(), recorder.stamps.end(), [&](unsigned s) { return s == first; }));
    recorder.events.clear();
    recorder.stamps.clear();
    engine.open(other);
    const unsigned second = engine.mediaStamp();
    EXPECT_NE(second, first);
    engine.play();
    ASSERT_TRUE(waitFor([&] { return recorder.saw(EngineEvent::Playing); }, 10000));
    EXPECT_EQ(engine.state(), MediaState::Playing);
    // Events of the first file still queued at the open keep its stamp.
    const auto playing = std::find(recorder.events.begin(), recorder.events.end(), EngineEvent::Playing);
    EXPECT_EQ(recorder.stamps[static_cast<std::size_t>(playing - recorder.events.begin())], second);
    for (std::size_t i = 0; i < recorder.stamps.size(); ++i)
        EXPECT_TRUE(recorder.stamps[i] == first || recorder.stamps[i] == second);
    engine.pause();
    ASSERT_TRUE(waitFor([&] { return engine.state() == MediaState::Paused; }, 5000));
}

TEST(LibVlcEngine, FilesThatCannotPlayLeaveTheEngineUsable)
{
    QTemporaryDir dir;
    const QString garbage = dir.filePath("garbage.mp4");
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100000, 'x'));
    file.close();
    LibVlcEngine engine({"--aout=dummy"});
    Recorder recorder;
    engine.setEventHandler(recorder.handler());
    for (const QString& path : {garbage, dir.filePath("deleted.mp4")}) {
        engine.open(path);
        engine.play();
        waitFor([&] { return engine.state() == MediaState::Error || engine.state() == MediaState::Ended; }, 5000);
        EXPECT_NE(engine.state(), MediaState::Playing) << path.toStdString();
        EXPECT_FALSE(engine.frames().pictureSize().isValid());
    }
    engine.stop();
    const QString front = recording("Normal", "_F.mp4");
    engine.open(front);
    engine.play();
    EXPECT_TRUE(waitFor([&] { return recorder.saw(EngineEvent::Playing); }, 10000));
}

TEST(I420Render, ConvertsLimitedRangeColours)
{
    I420Frame frame;
    frame.allocate(64, 32, 64, 32);
    // Left half white (Y 235), right half black (Y 16), grey chroma.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            frame.plane[0][static_cast<std::size_t>(y * frame.pitch[0] + x)] = x < 32 ? 235 : 16;
    const QImage out = renderI420(frame, QRect(0, 0, 64, 32), QSize(8, 4));
    EXPECT_EQ(out.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(6, 2), qRgb(0, 0, 0));
    // Colour as the camera records it (BT.601, limited range), scaled or not.
    for (std::size_t i = 0; i < frame.plane[0].size(); ++i)
        frame.plane[0][i] = 81;
    std::fill(frame.plane[1].begin(), frame.plane[1].end(), std::uint8_t{90});
    std::fill(frame.plane[2].begin(), frame.plane[2].end(), std::uint8_t{240});
    for (const QSize size : {QSize(64, 32), QSize(13, 7), QSize(128, 64)}) {
        const QRgb red = renderI420(frame, QRect(1, 1, 63, 31), size).pixel(size.width() / 2, size.height() / 2);
        EXPECT_GE(qRed(red), 250) << size.width();
        EXPECT_LE(qGreen(red), 3) << size.width();
        EXPECT_LE(qBlue(red), 3) << size.width();
    }
    // A source rectangle outside the picture gives black, not a crash.
    EXPECT_EQ(renderI420(frame, QRect(100, 100, 5, 5), QSize(4, 4)).pixel(0, 0), qRgb(0, 0, 0));
}

TEST(I420Render, ShrinkingFarSamplesTheSourceRectangleInEveryPlane)
{
    // Four bands across, each with its own brightness and colour; a part of
    // the picture shrunk eightfold (halved first, then sampled) shows the
    // same bands as the part drawn at its own size.
    I420Frame frame;
    frame.allocate(256, 128, 256, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 256; ++x) {
            const auto band = static_cast<std::uint8_t>(x / 64);
            frame.plane[0][static_cast<std::size_t>(y * frame.pitch[0] + x)] = static_cast<std::uint8_t>(40 + 50 * band);
            if (x % 2 == 0 && y % 2 == 0) {
                const auto at = static_cast<std::size_t>(y / 2 * frame.pitch[1] + x / 2);
                frame.plane[1][at] = static_cast<std::uint8_t>(100 + 20 * band);
                frame.plane[2][at] = static_cast<std::uint8_t>(180 - 25 * band);
            }
        }
    const QRect part(64, 32, 128, 64); // bands 1 and 2
    const QImage whole = renderI420(frame, part, part.size());
    const QImage small = renderI420(frame, part, QSize(16, 8));
    EXPECT_EQ(small.pixel(2, 4), whole.pixel(16, 32));
    EXPECT_EQ(small.pixel(13, 4), whole.pixel(100, 32));
    EXPECT_NE(small.pixel(2, 4), small.pixel(13, 4));
}
