// The list grouped by trip and a trip played as one, headless on a two-drive
// demo card with real libvlc: the trip rows agree with the trips and events
// commands, a trip plays under one seek bar with its events marked, N and P
// jump between them, and it runs to its end over the files and midnight.
// With DRAVONIX_SCREENSHOTS set, each state is saved there as a PNG.
#include "app/viewer/main_window.h"
#include "app/viewer/viewer_settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <set>

#include "../qt_wait.h"

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

// The viewer's settings (grouping is remembered) in a folder of this process's
// own: ctest runs the tests of this file side by side.
const QTemporaryDir configFolder;
const bool configHome = qputenv("XDG_CONFIG_HOME", QFile::encodeName(configFolder.path()));

QString card() { return qEnvironmentVariable("DRAVONIX_TEST_CARD", QStringLiteral(DRAVONIX_TWO_TRIP_CARD)); }

void screenshot(QWidget& window, const char* name)
{
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
}

// The lines of a CLI command on the card, split at tabs.
std::vector<QStringList> cli(const char* command)
{
    QProcess process;
    process.start(QStringLiteral(DRAVONIX_CLI), {QString::fromLatin1(command), card()});
    EXPECT_TRUE(process.waitForFinished(60000));
    std::vector<QStringList> lines;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty())
            lines.push_back(QString::fromUtf8(line).split(QLatin1Char('\t')));
    return lines;
}

struct Viewer {
    MainWindow window{QStringList{"--aout=dummy", "--quiet"}};

    explicit Viewer(bool grouped = true)
    {
        rememberGroupByTrip(false);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        QSignalSpy listed(&window, &MainWindow::folderListed);
        QSignalSpy read(&window, &MainWindow::tripsRead);
        window.openFolder(card());
        EXPECT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 10000));
        if (grouped) {
            window.setGroupedByTrip(true);
            EXPECT_TRUE(waitFor([&] { return !read.isEmpty(); }, 30000));
        }
    }
    ~Viewer() { rememberGroupByTrip(false); }

    TripListModel& trips() { return window.tripModel(); }
    std::vector<QModelIndex> tripRows()
    {
        std::vector<QModelIndex> rows;
        for (int r = 0; r < trips().rowCount(); ++r)
            if (trips().isTripRow(trips().index(r, 0)))
                rows.push_back(trips().index(r, 0));
        return rows;
    }
    QByteArray playing() { return window.controller().openedPath(); }
    bool showingPictures()
    {
        return waitFor([&] { return window.frontPane().hasVideo() && window.frontEngine().frames().pictureSize().isValid(); },
                       10000);
    }
    void key(Qt::Key key) { QTest::keyClick(&window, key); }
};

} // namespace

TEST(TripList, TripRowsAgreeWithTheTripsAndEventsCommands)
{
    Viewer viewer;
    const std::vector<QStringList> lines = cli("trips");
    const std::vector<QModelIndex> rows = viewer.tripRows();
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(rows.size(), lines.size());
    const CardTrips& card = *viewer.trips().trips();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QStringList& line = lines[i];
        const TripSummary& trip = card.trips[*viewer.trips().tripOf(rows[i])];
        EXPECT_EQ(QString::fromStdString(formatCameraTime(trip.trip.start)), line[0]);
        EXPECT_EQ(QString::fromStdString(formatCameraTime(trip.trip.end)), line[1]);
        EXPECT_EQ(QString::number(trip.trip.recordings.size()), line[3]);
        EXPECT_EQ(QString::number(trip.events.size()), line[6]);
        // What the row says: the start, the length and the distance as the command gives them.
        const QString time = rows[i].siblingAtColumn(RecordingListModel::Time).data().toString();
        const QString summary = rows[i].siblingAtColumn(RecordingListModel::FileName).data().toString();
        EXPECT_TRUE(line[0].endsWith(time)) << time.toStdString();
        EXPECT_TRUE(summary.startsWith(tripLengthText(line[2].toLongLong() * 1000))) << summary.toStdString();
        EXPECT_TRUE(summary.contains(line[4] + " km")) << summary.toStdString();
    }
    // The events command's lines are the trips' events.
    std::size_t events = 0;
    for (const TripSummary& trip : card.trips)
        events += trip.events.size();
    EXPECT_EQ(cli("events").size(), events);

    // Under each trip its files; the parking pair and the stray clip on their own.
    int underTrips = 0;
    for (const QModelIndex& row : rows)
        underTrips += viewer.trips().rowCount(row);
    EXPECT_EQ(underTrips, 20);
    EXPECT_EQ(viewer.trips().rowCount(), static_cast<int>(rows.size()) + 3);
    EXPECT_EQ(underTrips + 3, viewer.window.listModel().recordingCount());
}

TEST(TripList, TheReadingCountsRecordingsNotFiles)
{
    Viewer viewer;
    // What the status line counted to: every recording measured, a front
    // and rear pair once, not the list's rows.
    const auto [done, total] = viewer.window.tripsMeasured();
    EXPECT_EQ(total, viewer.trips().trips()->set.recordings.size());
    EXPECT_EQ(done, total);
    EXPECT_LT(total, static_cast<std::size_t>(viewer.window.listModel().recordingCount()));
}

TEST(TripList, GroupingIsAToggleThatIsRememberedAndFlatByDefault)
{
    Viewer viewer(false);
    EXPECT_FALSE(viewer.window.groupedByTrip());
    EXPECT_EQ(viewer.window.listView().model(), &viewer.window.listModel());
    EXPECT_FALSE(viewer.window.readingTrips()); // nothing is measured for the flat list
    viewer.window.setGroupedByTrip(true);
    EXPECT_EQ(viewer.window.listView().model(), &viewer.window.tripModel());
    EXPECT_TRUE(rememberedGroupByTrip());
    {
        MainWindow second{QStringList{"--aout=dummy", "--quiet"}};
        EXPECT_TRUE(second.groupedByTrip());
    }
    viewer.window.setGroupedByTrip(false);
    EXPECT_FALSE(rememberedGroupByTrip());
    EXPECT_EQ(viewer.window.listView().model(), &viewer.window.listModel());
    // A recording played from the flat list plays as today: no trip, its own bar.
    viewer.window.activateRow(1);
    EXPECT_FALSE(viewer.window.controller().playingTrip());
}

TEST(TripList, ATripPlaysUnderOneSeekBarWithItsEventsMarkedAndTheKeysJumpToThem)
{
    Viewer viewer;
    QSignalSpy samples(&viewer.window, &MainWindow::tripSamplesRead);
    const QModelIndex first = viewer.tripRows().front();
    viewer.window.activateIndex(first);
    PlaybackController& controller = viewer.window.controller();
    ASSERT_TRUE(controller.playingTrip());
    const TripPlayback& trip = *controller.trip();
    EXPECT_EQ(controller.seekBar().maximum(), 20000);
    ASSERT_TRUE(viewer.showingPictures());
    ASSERT_TRUE(waitFor([&] { return !samples.isEmpty(); }, 10000));
    auto* seek = viewer.window.findChild<SkinSlider*>("seekBar");
    ASSERT_NE(seek, nullptr);
    EXPECT_EQ(seek->marks(), trip.eventTimes());
    ASSERT_EQ(trip.eventTimes().size(), 2u);

    viewer.key(Qt::Key_N);
    EXPECT_EQ(controller.seekBar().position(), trip.eventTimes()[0]);
    ASSERT_TRUE(viewer.showingPictures());
    viewer.key(Qt::Key_N);
    EXPECT_EQ(controller.seekBar().position(), trip.eventTimes()[1]);
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontEngine().state() == MediaState::Playing; }, 5000));
    screenshot(viewer.window, "trip-playing-at-an-event");
    viewer.key(Qt::Key_P);
    EXPECT_EQ(controller.seekBar().position(), trip.eventTimes()[0]);

    // The route for the map: placed fixes in trip order, inside the trip.
    const std::vector<TripRoutePoint> route = viewer.window.tripRouteForMap();
    ASSERT_GE(route.size(), 10u);
    EXPECT_LE(route.size(), 2000u);
    for (std::size_t i = 1; i < route.size(); ++i)
        EXPECT_LE(route[i - 1].tripMs, route[i].tripMs);
    EXPECT_LE(route.back().tripMs, trip.lengthMs());
    EXPECT_NEAR(route.front().latitude, 37.37, 0.1);

    // The clock is measured on the file playing, over its own length (the
    // seek bar spans the whole trip): the card's camera runs 2 s ahead.
    ASSERT_TRUE(waitFor([&] { return viewer.window.clockOffsetSeconds().has_value(); }, 10000));
    EXPECT_NEAR(*viewer.window.clockOffsetSeconds(), 2.0, 0.6);
}

TEST(TripList, ATripRunsOverItsFilesToItsEndWithoutTheBarGoingBack)
{
    Viewer viewer;
    PlaybackController& controller = viewer.window.controller();
    viewer.window.activateIndex(viewer.tripRows().front());
    ASSERT_TRUE(controller.playingTrip());
    controller.doubleSpeed();
    std::int64_t last = 0;
    bool back = false;
    std::set<QByteArray> files;
    const bool ended = waitFor([&] {
        const std::int64_t now = controller.seekBar().position();
        back = back || now + 300 < last; // a step back of more than the player's clock jitter
        last = std::max(last, now);
        files.insert(viewer.playing());
        return controller.heldAtEnd();
    }, 40000);
    ASSERT_TRUE(ended);
    EXPECT_FALSE(back);
    EXPECT_GE(files.size(), 5u); // every piece's file came in turn
    EXPECT_EQ(controller.seekBar().position(), controller.seekBar().maximum());
    EXPECT_EQ(controller.rateLabel(), "2x");
    screenshot(viewer.window, "trip-held-at-its-end");
}

TEST(TripList, ARecordingUnderATripPlaysTheTripFromIt)
{
    Viewer viewer;
    // The second drive, over midnight: its third pair starts at 00:00:00.
    const QModelIndex second = viewer.tripRows().back();
    QModelIndex afterMidnight;
    for (int r = 0; r < viewer.trips().rowCount(second); ++r) {
        const QModelIndex child = viewer.trips().index(r, 0, second);
        if (child.siblingAtColumn(RecordingListModel::FileName).data().toString() == "alwa_20231226_000000_F.mp4")
            afterMidnight = child;
    }
    ASSERT_TRUE(afterMidnight.isValid());
    viewer.window.activateIndex(afterMidnight);
    PlaybackController& controller = viewer.window.controller();
    ASSERT_TRUE(controller.playingTrip());
    EXPECT_EQ(controller.seekBar().maximum(), 16000);
    EXPECT_EQ(controller.seekBar().position(), 8000);
    EXPECT_TRUE(viewer.playing().endsWith("alwa_20231226_000000_F.mp4"));
    ASSERT_TRUE(viewer.showingPictures());
    // Back over midnight into the day before, by the bar.
    controller.seekBar().setPosition(2000);
    controller.seekReleased();
    EXPECT_TRUE(viewer.playing().endsWith("alwa_20231225_235952_F.mp4"));
    ASSERT_TRUE(viewer.showingPictures());
    screenshot(viewer.window, "grouped-list-playing-a-trip");
    // A parking recording is no trip's: it plays alone, as in the flat list.
    for (int r = 0; r < viewer.trips().rowCount(); ++r) {
        const QModelIndex row = viewer.trips().index(r, 0);
        if (row.siblingAtColumn(RecordingListModel::FileName).data().toString().startsWith("motion_")) {
            viewer.window.activateIndex(row);
            break;
        }
    }
    EXPECT_FALSE(controller.playingTrip());
    EXPECT_TRUE(viewer.playing().contains("motion_"));
}

// A card of tens of thousands of files (bench/make_trip_card.py), given in
// DRAVONIX_BIG_CARD: the flat list shows at once and the window answers while
// the durations are read; the figures are printed.
TEST(TripList, ABigCardIsGroupedWithoutHoldingUpTheWindow)
{
    const QString big = qEnvironmentVariable("DRAVONIX_BIG_CARD");
    if (big.isEmpty())
        GTEST_SKIP() << "DRAVONIX_BIG_CARD names no card";
    rememberGroupByTrip(true);
    MainWindow window{QStringList{"--aout=dummy", "--quiet"}};
    window.show();
    QSignalSpy listed(&window, &MainWindow::folderListed);
    QSignalSpy read(&window, &MainWindow::tripsRead);
    QElapsedTimer clock;
    clock.start();
    window.openFolder(big);
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 60000));
    const qint64 listedAt = clock.elapsed();
    // The longest the event loop went without turning while the trips were read.
    qint64 last = clock.elapsed();
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start();
    ASSERT_TRUE(waitFor([&] { return !read.isEmpty(); }, 600000));
    tick.stop();
    const qint64 readAt = clock.elapsed();
    std::printf("%d rows listed in %lld ms, %d trips read %lld ms later; the event loop turned at least every %lld ms\n",
                window.listModel().recordingCount(), static_cast<long long>(listedAt), read.front().front().toInt(),
                static_cast<long long>(readAt - listedAt), static_cast<long long>(longest));
    EXPECT_LT(longest, 1000); // a read on the UI thread would stop it for the whole read
    EXPECT_GT(read.front().front().toInt(), 0);
    rememberGroupByTrip(false);
}
