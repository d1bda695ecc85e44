// The viewer's goals, each against a baseline measured in the same run:
// - CPU of playing a 1080p front and a 720p rear recording together for 10 s
//   through our engines (pictures converted for the panes as the viewer
//   does), against decoding the same 10 s with `ffmpeg -f null`, and the
//   pictures shown against those in the files;
// - the time from a double-click to the first picture of both panes;
// - listing a 20,000-file card: the time to the first rows, and the longest
//   time the UI thread was unavailable meanwhile.
#include "app/viewer/main_window.h"
#include "demo_card.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

using namespace dravonix;

namespace {

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Waits in the event loop, asleep between events (a busy wait would count
// its own spinning as the player's CPU time).
template <typename Done>
bool waitFor(Done done, int ms)
{
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    check.start();
    if (!done())
        loop.exec();
    return done();
}

QString firstFile(const QString& folder, const char* suffix)
{
    return QDir(folder).filePath(QDir(folder).entryList({QString("*") + suffix}, QDir::Files, QDir::Name).value(0));
}

void playbackCpu(const QString& card)
{
    const QString front = firstFile(card + "/Normal", "_F.mp4");
    const QString rear = firstFile(card + "/Normal", "_R.mp4");
    const double before = cpuSeconds(RUSAGE_CHILDREN);
    for (const QString& file : {front, rear})
        QProcess::execute("ffmpeg", {"-v", "quiet", "-t", "10", "-i", file, "-f", "null", "-"});
    const double ffmpeg = cpuSeconds(RUSAGE_CHILDREN) - before;

    LibVlcEngine frontEngine({"--aout=dummy"});
    LibVlcEngine rearEngine({"--aout=dummy"});
    int shownFront = 0;
    int shownRear = 0;
    QImage picture;
    QObject::connect(&frontEngine, &LibVlcEngine::frameReady, [&] {
        frontEngine.frames().render(QRect(0, 0, 1920, 1080), QSize(646, 363), picture);
    });
    QObject::connect(&rearEngine, &LibVlcEngine::frameReady, [&] {
        rearEngine.frames().render(QRect(0, 0, 1280, 720), QSize(326, 246), picture);
    });
    frontEngine.setEventHandler([](EngineEvent, std::int64_t, unsigned) {});
    rearEngine.setEventHandler([](EngineEvent, std::int64_t, unsigned) {});
    QObject::connect(&frontEngine, &LibVlcEngine::frameReady, [&] { ++shownFront; });
    QObject::connect(&rearEngine, &LibVlcEngine::frameReady, [&] { ++shownRear; });
    frontEngine.open(front);
    rearEngine.open(rear);
    const double start = cpuSeconds(RUSAGE_SELF);
    frontEngine.play();
    rearEngine.play();
    waitFor([&] { return frontEngine.time() >= 10000 || frontEngine.state() == MediaState::Ended; }, 20000);
    const double ours = cpuSeconds(RUSAGE_SELF) - start;
    const double seconds = static_cast<double>(frontEngine.time()) / 1000.0;
    const int lost = frontEngine.lostPictures() + rearEngine.lostPictures();
    frontEngine.stop();
    rearEngine.stop();
    std::printf("playback of front 1080p + rear 720p for %.1f s: ours %.2f s CPU, ffmpeg -f null %.2f s CPU\n", seconds,
                ours, ffmpeg);
    std::printf("ratio playback_cpu / ffmpeg_decode_cpu = %.2f\n", ours / ffmpeg);
    std::printf("pictures painted: front %d, rear %d of about %d each; pictures the player dropped: %d\n",
                shownFront, shownRear, static_cast<int>(seconds * 30), lost);
}

void firstFrame(const QString& card)
{
    MainWindow window({"--aout=dummy"});
    window.show();
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(card);
    waitFor([&] { return !listed.isEmpty(); }, 10000);
    const auto bothShow = [&] {
        return window.frontPane().hasVideo() && window.rearPane().hasVideo() && window.frontEngine().frames().pictureSize().isValid()
               && window.rearEngine().frames().pictureSize().isValid();
    };
    for (const char* folder : {"Event", "Normal", "Manual"}) {
        const QString file = QFileInfo(firstFile(card + "/" + folder, "_F.mp4")).fileName();
        int row = -1;
        for (int r = 0; r < window.listModel().recordingCount(); ++r)
            if (window.listModel().row(r)->fileName() == file)
                row = r;
        QElapsedTimer t;
        t.start();
        window.activateRow(row);
        waitFor(bothShow, 5000);
        std::printf("double-click to first picture of both panes (%s): %lld ms (goal 300)\n", folder,
                    static_cast<long long>(t.elapsed()));
        waitFor([] { return false; }, 300);
    }
}

void listing()
{
    const auto root = std::filesystem::temp_directory_path() / "dravonix-bench-viewer-card";
    if (!std::filesystem::exists(root / ".complete")) {
        std::filesystem::remove_all(root);
        for (int i = 0; i < 10000; ++i) {
            const auto folder = root / (i % 7 == 0 ? "Event" : "Normal");
            std::filesystem::create_directories(folder);
            char name[64];
            for (const char channel : {'F', 'R'}) {
                std::snprintf(name, sizeof name, "%s2023%02d%02d_%02d%02d00_%c.mp4", i % 7 == 0 ? "event_" : "alwa_",
                              6 + i / 43200, 1 + (i / 1440) % 28, (i / 60) % 24, i % 60, channel);
                std::ofstream(folder / name).put('\0');
            }
        }
        std::ofstream(root / ".complete").put('\0');
    }
    MainWindow window({"--aout=dummy"});
    window.show();
    waitFor([] { return false; }, 1500); // the window and its map page settle first
    for (int round = 0; round < 3; ++round) {
        QSignalSpy listed(&window, &MainWindow::folderListed);
        // A 5 ms heartbeat on the UI thread: its longest gap is the longest block.
        QElapsedTimer beat;
        qint64 longest = 0;
        QTimer heart;
        heart.setInterval(5);
        QObject::connect(&heart, &QTimer::timeout, [&] { longest = std::max(longest, beat.restart()); });
        beat.start();
        heart.start();
        QElapsedTimer t;
        t.start();
        window.openFolder(QString::fromStdString(root.string()));
        waitFor([&] { return !listed.isEmpty(); }, 10000);
        window.listView().viewport()->repaint();
        const qint64 shown = t.elapsed();
        waitFor([] { return false; }, 300);
        heart.stop();
        std::printf("listing 20,000 files (%s): first rows after %lld ms (goal 100), longest UI block %lld ms (goal 50)\n",
                    round == 0 ? "first scan" : "again", static_cast<long long>(shown), static_cast<long long>(longest));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1"); // the map's engine, when run as root
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString card = QDir::temp().filePath("dravonix-bench-demo-card");
    if (!QFile::exists(card + "/config.bin")) {
        demo::DemoCardOptions options;
        options.out = card.toStdString();
        options.seed = 5;
        options.secondsPerRecording = 12;
        demo::writeDemoCard(options);
    }
    playbackCpu(card);
    firstFrame(card);
    listing();
    return 0;
}
