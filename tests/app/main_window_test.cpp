// The viewer's main window, headless, on the demo card with real libvlc:
// listing, playing a pair in step, the graph and the readout moving, playing
// through the list, snapshots, the magnifier, copying and full screen.
// With DRAVONIX_SCREENSHOTS set, each state is saved there as a PNG.
#include "app/viewer/incident_export_runner.h"
#include "app/viewer/main_window.h"
#include "catalogue/folder_scan.h"
#include "trips/card_trips.h"
#include "trips/recording_durations.h"
#include "trips/trip_events.h"
#include "toolkit/ui/skin_slider.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleOptionViewItem>
#include <QAbstractButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QToolButton>

#include "../qt_wait.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;

namespace {

QString demoCard() { return qEnvironmentVariable("DRAVONIX_TEST_CARD"); }


void screenshot(QWidget& window, const char* name)
{
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(QDir(folder).filePath(QString::fromLatin1(name) + ".png"));
}

int rowOf(const RecordingListModel& model, const QString& fileName)
{
    for (int r = 0; r < model.recordingCount(); ++r)
        if (model.row(r)->fileName() == fileName)
            return r;
    return -1;
}

QString fileNameIn(const char* folder, const char* suffix)
{
    const QStringList names = QDir(demoCard() + "/" + folder).entryList({QString("*") + suffix}, QDir::Files, QDir::Name);
    return names.value(0);
}

struct Viewer {
    MainWindow window{QStringList{"--aout=dummy"} + qEnvironmentVariable("EXTRA_VLC", "--quiet").split(QLatin1Char(' '))};

    Viewer()
    {
        window.show();
        QSignalSpy listed(&window, &MainWindow::folderListed);
        window.openFolder(demoCard());
        EXPECT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 10000));
    }

    bool playingBoth()
    {
        return waitFor([&] {
            return window.frontPane().hasVideo() && window.rearPane().hasVideo()
                   && window.frontEngine().frames().pictureSize().isValid()
                   && window.rearEngine().frames().pictureSize().isValid();
        }, 10000);
    }
};

} // namespace

TEST(MainWindow, ListsTheCardInTimeOrderWithKindIcons)
{
    Viewer viewer;
    screenshot(viewer.window, "01-listed");
    RecordingListModel& model = viewer.window.listModel();
    ASSERT_EQ(model.recordingCount(), 14);
    EXPECT_EQ(model.row(0)->fileName(), u"clip_from_phone.mp4");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "Unknown");
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DecorationRole).isNull());
    EXPECT_TRUE(viewer.window.listView().isColumnHidden(RecordingListModel::FullPath));
    EXPECT_EQ(viewer.window.listView().header()->sectionSize(RecordingListModel::FileName), 186);
}

TEST(MainWindow, PlaysAPairInStepWithTheGraphAndReadout)
{
    Viewer viewer;
    RecordingListModel& model = viewer.window.listModel();
    const int row = rowOf(model, fileNameIn("Event", "_F.mp4"));
    ASSERT_GE(row, 0);
    QElapsedTimer clock;
    clock.start();
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    const qint64 firstFrames = clock.elapsed();
    std::printf("double-click to first frame of both panes: %lld ms\n", static_cast<long long>(firstFrames));
    EXPECT_EQ(viewer.window.controller().mode(), ChannelMode::Both);
    EXPECT_EQ(viewer.window.controller().currentRow(), row + 1);
    EXPECT_EQ(model.data(model.index(row + 1, 0), Qt::BackgroundRole).value<QColor>(), QColor(200, 200, 255));

    ASSERT_TRUE(waitFor([&] { return viewer.window.controller().seekBar().position() > 1500; }, 8000));
    EXPECT_GT(viewer.window.graph().isVisible(), 0);
    viewer.window.showInformation(true);
    ASSERT_TRUE(waitFor([&] { return viewer.window.speedLabel().text() != "0 Km/h"; }, 4000));
    EXPECT_TRUE(viewer.window.speedLabel().text().endsWith(" Km/h"));
    screenshot(viewer.window, "02-playing-information");
    viewer.window.showInformation(false);
    screenshot(viewer.window, "03-playing-record");

    // The front and rear pictures show the same running frame counter; the
    // panes themselves show the two channels.
    // Once more, now that the players exist: the time a user waits on every later double-click.
    const int other = rowOf(model, fileNameIn("Manual", "_F.mp4"));
    clock.restart();
    viewer.window.activateRow(other);
    ASSERT_TRUE(waitFor([&] { return viewer.window.controller().currentRow() == other + 1 && viewer.window.frontEngine().frames().pictureSize().isValid() && viewer.window.rearEngine().frames().pictureSize().isValid() && viewer.window.frontPane().hasVideo() && viewer.window.rearPane().hasVideo(); }, 10000));
    std::printf("double-click to first frame of both panes, later opens: %lld ms\n", static_cast<long long>(clock.elapsed()));

    const QImage front = viewer.window.frontPane().grabPicture();
    const QImage rear = viewer.window.rearPane().grabPicture();
    EXPECT_EQ(front.size(), QSize(646, 363));
    EXPECT_EQ(rear.size(), QSize(326, 246));
}

TEST(MainWindow, PlaysThroughTheListToTheNextRecording)
{
    Viewer viewer;
    RecordingListModel& model = viewer.window.listModel();
    const int row = rowOf(model, fileNameIn("Manual", "_F.mp4")); // user_ pair, then a rear alone
    ASSERT_GE(row, 0);
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    // A new scan while the pair plays: the list goes on from the same recording.
    QSignalSpy listed(&viewer.window, &MainWindow::folderListed);
    viewer.window.openFolder(demoCard());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 10000));
    EXPECT_EQ(viewer.window.controller().currentRow(), row + 1);
    ASSERT_TRUE(waitFor([&] { return viewer.window.controller().currentRow() == row + 2; }, 15000));
    EXPECT_EQ(viewer.window.controller().mode(), ChannelMode::RearOnly);
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontPane().hasVideo(); }, 8000));
    EXPECT_FALSE(viewer.window.rearPane().hasVideo());
    EXPECT_TRUE(viewer.window.controller().swapped());
}

TEST(MainWindow, TheLastRecordingStaysAtItsEndAndPlaysAgain)
{
    QTemporaryDir card;
    const QString event = fileNameIn("Event", "_F.mp4");
    for (const char channel : {'F', 'R'}) {
        const QString name = event.left(event.size() - 5) + QChar::fromLatin1(channel) + ".mp4";
        ASSERT_TRUE(QFile::copy(demoCard() + "/Event/" + name, card.filePath(name)));
    }
    MainWindow window({"--aout=dummy"});
    window.show();
    QApplication::setActiveWindow(&window);
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(card.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 5000));
    ASSERT_EQ(window.listModel().recordingCount(), 2);
    PlaybackController& controller = window.controller();
    auto* play = window.findChild<QWidget*>("button1203");
    auto* pause = window.findChild<QWidget*>("button1204");
    const auto heldAtEnd = [&] {
        if (!waitFor([&] { return controller.heldAtEnd(); }, 10000))
            return false;
        EXPECT_TRUE(play->isVisible());
        EXPECT_FALSE(pause->isVisible());
        EXPECT_TRUE(window.frontPane().hasVideo()); // the last pictures stay
        EXPECT_TRUE(window.rearPane().hasVideo());
        EXPECT_EQ(controller.seekBar().position(), controller.seekBar().maximum());
        return true;
    };
    // Playing again: the front engine's first times after `from`.
    const auto playsAgainFrom = [&](std::int64_t from) {
        ASSERT_TRUE(waitFor([&] { return window.frontEngine().state() == MediaState::Playing && window.frontEngine().time() > 0; }, 5000));
        EXPECT_GE(window.frontEngine().time(), from - 300);
        EXPECT_LT(window.frontEngine().time(), from + 1500);
        EXPECT_TRUE(pause->isVisible());
        EXPECT_FALSE(play->isVisible());
        const int painted = window.frontPane().picturesPainted();
        EXPECT_TRUE(waitFor([&] { return window.frontPane().picturesPainted() > painted + 5; }, 3000));
    };

    window.activateRow(0);
    ASSERT_TRUE(heldAtEnd());
    const std::int64_t length = controller.seekBar().maximum();
    EXPECT_GT(length, 3500);
    screenshot(window, "08-held-at-the-end");

    QTest::keyClick(&window, Qt::Key_Left);
    playsAgainFrom(length - 3000);
    ASSERT_TRUE(heldAtEnd());
    QTest::mouseClick(play, Qt::LeftButton);
    playsAgainFrom(0);
}

TEST(MainWindow, SnapshotMagnifierFullScreenAndBack)
{
    Viewer viewer;
    const int row = rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4"));
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    QTemporaryDir dir;
    const QString png = dir.filePath("snap.png");
    viewer.window.snapshotTo(png);
    ASSERT_TRUE(waitFor([&] { return QImage(png).width() > 0; }, 5000));
    EXPECT_EQ(QImage(png).size(), QSize(1920, 1080));

    viewer.window.controller().toggleMagnifier();
    EXPECT_TRUE(viewer.window.frontEngine().magnifierOn());
    QTest::mouseMove(&viewer.window.frontPane(), QPoint(300, 150));
    QCoreApplication::processEvents();
    screenshot(viewer.window, "04-magnifier");
    viewer.window.controller().toggleMagnifier();

    const QRect before = viewer.window.geometry();
    viewer.window.controller().swap();
    EXPECT_EQ(viewer.window.rearPane().geometry(), QRect(15, 56, 646, 363));
    viewer.window.toggleFullScreen(viewer.window.controller().fullScreenViewRequest());
    QCoreApplication::processEvents();
    EXPECT_TRUE(viewer.window.controller().fullScreen());
    EXPECT_FALSE(viewer.window.frontPane().isVisible());
    EXPECT_EQ(viewer.window.rearPane().geometry().topLeft(), QPoint(2, 54));
    screenshot(viewer.window, "05-full-screen");
    viewer.window.toggleFullScreen(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(viewer.window.geometry(), before);
    EXPECT_EQ(viewer.window.rearPane().geometry(), QRect(15, 56, 646, 363));
    EXPECT_EQ(viewer.window.frontPane().geometry(), QRect(678, 384, 326, 246));
}

TEST(MainWindow, CopiesRecordingsWithoutLeavingPartialFiles)
{
    Viewer viewer;
    QTemporaryDir target;
    QSignalSpy done(&viewer.window, &MainWindow::copyFinished);
    viewer.window.copyRows({1, 2, 3}, target.path(), false);
    ASSERT_TRUE(waitFor([&] { return !done.isEmpty(); }, 20000));
    EXPECT_EQ(done.front().at(0).toInt(), 3);
    const QStringList copied = QDir(target.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(copied.size(), 3) << copied.join(",").toStdString();
    for (int r = 1; r <= 3; ++r) {
        const RecordingRow* row = viewer.window.listModel().row(r);
        EXPECT_EQ(QFileInfo(QDir(target.path()).filePath(row->fileName().toString())).size(), QFileInfo(row->fullPath).size());
    }
}

TEST(MainWindow, BadRecordingsLeaveTheWindowUsable)
{
    QTemporaryDir card;
    QFile garbage(card.filePath("alwa_20230615_142530_F.mp4"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(50000, 'z'));
    garbage.close();
    QFile::copy(demoCard() + "/Normal/" + fileNameIn("Normal", "_F.mp4"), card.filePath("alwa_20230615_142600_F.mp4"));
    QFile gone(card.filePath("alwa_20230615_142700_F.mp4"));
    ASSERT_TRUE(gone.open(QIODevice::WriteOnly));
    gone.close();

    MainWindow window({"--aout=dummy"});
    window.show();
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(card.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 5000));
    ASSERT_EQ(window.listModel().recordingCount(), 3);
    QFile::remove(card.filePath("alwa_20230615_142700_F.mp4")); // deleted after the scan
    window.activateRow(2);
    window.activateRow(0);
    // The broken file ends at once or never plays; the good one after it still plays.
    window.activateRow(1);
    EXPECT_TRUE(waitFor([&] { return window.frontPane().hasVideo() && window.frontEngine().state() == MediaState::Playing; }, 10000));

    QSignalSpy again(&window, &MainWindow::folderListed);
    window.openFolder(card.filePath("nowhere"));
    waitFor([&] { return !window.scanning(); }, 3000);
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(window.listModel().recordingCount(), 3); // a folder that is gone leaves the list
}

TEST(MainWindow, KeyboardDrivesPlayback)
{
    Viewer viewer;
    viewer.window.activateWindow();
    QApplication::setActiveWindow(&viewer.window);
    const int row = rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4"));
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontEngine().state() == MediaState::Playing; }, 5000));
    const auto playShown = [&] { return viewer.window.findChild<QWidget*>("button1203")->isVisible(); };
    const auto pauseShown = [&] { return viewer.window.findChild<QWidget*>("button1204")->isVisible(); };
    QTest::keyClick(&viewer.window, Qt::Key_Space);
    EXPECT_TRUE(playShown() && !pauseShown()); // at once, before the player has caught up
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontEngine().state() == MediaState::Paused; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(playShown() && !pauseShown());
    const std::int64_t before = viewer.window.frontEngine().time();
    QTest::keyClick(&viewer.window, Qt::Key_Left);
    EXPECT_EQ(viewer.window.controller().seekBar().position(), std::max<std::int64_t>(0, before - 3000));
    EXPECT_EQ(viewer.window.frontEngine().state(), MediaState::Paused);
    QTest::keyClick(&viewer.window, Qt::Key_Space);
    EXPECT_TRUE(pauseShown() && !playShown());
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontEngine().state() == MediaState::Playing; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(pauseShown() && !playShown());
    QTest::keyClick(&viewer.window, Qt::Key_PageDown);
    EXPECT_EQ(viewer.window.controller().currentRow(), row + 2); // the row after the pair
    QTest::keyClick(&viewer.window, Qt::Key_Escape);               // swallowed: the window stays
    EXPECT_TRUE(viewer.window.isVisible());
}


TEST(MainWindow, TheMapFollowsTheRecordingOnlyWhileTheInformationTabShows)
{
    Viewer viewer;
    MapView& map = viewer.window.mapView();
    ASSERT_TRUE(waitFor([&] { return map.loaded() && evaluate(map, "markers.length").toInt() == 1; }, 30000));
    const int row = rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4"));
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    // The route of the whole recording is drawn as soon as it opens.
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "track ? track.getLatLngs().length : 0").toInt() >= 2; }, 5000));
    // Hidden: the readout ticks, the marker stays where the page put it.
    waitFor([] { return false; }, 1200);
    EXPECT_NEAR(evaluate(map, "markers[0].getLatLng().lat").toDouble(), 37.374054, 1e-9);

    viewer.window.showInformation(true);
    ASSERT_TRUE(waitFor([&] { return std::abs(evaluate(map, "markers[0].getLatLng().lat").toDouble() - 37.374054) > 1e-7; }, 4000));
    // Centred on the marker, to the map's pixel grid (a pixel is a few metres here).
    EXPECT_NEAR(evaluate(map, "map.getCenter().lat").toDouble(), evaluate(map, "markers[0].getLatLng().lat").toDouble(), 1e-4);
    // On the route: within a few metres of one of its points.
    EXPECT_LT(evaluate(map, "Math.min.apply(null, track.getLatLngs().map(function (p) {"
                            " return p.distanceTo(markers[0].getLatLng()); }))").toDouble(), 30.0);
    waitFor([] { return false; }, 800);
    screenshot(viewer.window, "06-information-map");
}

TEST(MainWindow, AFifoRowShowsWhyAndNamesThatAreNotUtf8Play)
{
    QTemporaryDir card;
    const QByteArray root = QFile::encodeName(card.path());
    ASSERT_EQ(::mkfifo((root + "/alwa_20230615_142500_F.mp4").constData(), 0644), 0);
    // The demo card's event pair under names holding the byte 0xFF.
    const QString event = fileNameIn("Event", "_F.mp4");
    for (const char channel : {'F', 'R'}) {
        QFile source(demoCard() + "/Event/" + event.left(event.size() - 5) + QChar::fromLatin1(channel) + ".mp4");
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray target = root + "/alwa\xff_20230615_142530_" + channel + ".mp4";
        const int handle = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(handle, 0);
        const QByteArray bytes = source.readAll();
        ASSERT_EQ(::write(handle, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
        ::close(handle);
    }

    MainWindow window({"--aout=dummy"});
    window.show();
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(card.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 5000));
    ASSERT_EQ(window.listModel().recordingCount(), 3);
    const int fifoRow = rowOf(window.listModel(), "alwa_20230615_142500_F.mp4");
    const int pairRow = rowOf(window.listModel(), QString::fromUtf8("alwa\xef\xbf\xbd_20230615_142530_F.mp4"));
    ASSERT_GE(fifoRow, 0);
    ASSERT_GE(pairRow, 0);

    QElapsedTimer clock;
    clock.start();
    window.activateRow(fifoRow);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(window.frontPane().message().contains("not a regular file"));
    EXPECT_FALSE(window.frontPane().hasVideo());
    QCoreApplication::processEvents();
    screenshot(window, "07-fifo-row");

    window.activateRow(pairRow);
    EXPECT_TRUE(window.frontPane().message().isEmpty());
    EXPECT_EQ(window.controller().mode(), ChannelMode::Both);
    EXPECT_TRUE(waitFor([&] {
        return window.frontPane().hasVideo() && window.rearPane().hasVideo() && window.frontEngine().frames().pictureSize().isValid()
               && window.rearEngine().frames().pictureSize().isValid();
    }, 10000));
    EXPECT_TRUE(waitFor([&] { return !window.controller().trackPending(); }, 5000));
    EXPECT_GT(window.graph().isVisible(), 0);
    for (const char channel : {'F', 'R'}) // QTemporaryDir removes by name as text
        ::unlink((root + "/alwa\xff_20230615_142530_" + channel + ".mp4").constData());
}

namespace {

// The message the window shows without stopping (the newest one).
QString shownMessage(MainWindow& window)
{
    const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>("viewerMessage");
    return boxes.isEmpty() ? QString() : boxes.back()->text();
}

QColor colourAt(QTreeView& list, int row, int column)
{
    QCoreApplication::processEvents();
    const QRect cell = list.visualRect(list.model()->index(row, column));
    // Left of the text, below the top grid line.
    return list.viewport()->grab().toImage().pixelColor(cell.left() + 2, cell.center().y());
}

} // namespace

// Run at 1x and, as its own ctest, at QT_SCALE_FACTOR=2.
TEST(MainWindow, ListTextFitsItsColumns)
{
    Viewer viewer;
    QTreeView& list = viewer.window.listView();
    QCoreApplication::processEvents();
    screenshot(viewer.window, qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? "10-list-scaled" : "10-list");
    const int widths[] = {98, 85, 65, 186};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list.header()->sectionSize(c), widths[c]);
        EXPECT_LE(list.header()->sectionSizeHint(c), widths[c]) << "title of column " << c;
    }
    EXPECT_EQ(list.textElideMode(), Qt::ElideMiddle); // long file names keep both ends
    // Rows are as tall as the kind icons, though the first row has none.
    EXPECT_GE(list.visualRect(list.model()->index(0, 0)).height(), list.iconSize().height());
    for (int row = 0; row < list.model()->rowCount(); ++row)
        for (const int column : {RecordingListModel::Type, RecordingListModel::Date, RecordingListModel::Time}) {
            const QModelIndex index = list.model()->index(row, column);
            QStyleOptionViewItem option;
            option.initFrom(&list);
            option.font = list.font();
            option.fontMetrics = QFontMetrics(list.font());
            option.decorationSize = list.iconSize();
            option.rect = list.visualRect(index);
            option.widget = &list;
            const int needed = list.itemDelegateForIndex(index)->sizeHint(option, index).width();
            EXPECT_LE(needed, widths[column]) << index.data().toString().toStdString();
        }
    // The date has its digits: nothing spelled out to cut off.
    EXPECT_FALSE(list.model()->index(1, RecordingListModel::Date).data().toString().contains(QRegularExpression("[A-Za-z]")));
}

TEST(MainWindow, ThePlayingRowKeepsItsColourWhenTheSelectionMoves)
{
    Viewer viewer;
    QTreeView& list = viewer.window.listView();
    const int row = rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4"));
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    const int playing = viewer.window.controller().currentRow();
    list.selectionModel()->select(list.model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(colourAt(list, playing, RecordingListModel::Time), QColor(200, 200, 255));
    EXPECT_EQ(colourAt(list, playing - 1, RecordingListModel::Time), QColor(Qt::white));
    EXPECT_EQ(colourAt(list, 0, RecordingListModel::Time), QColor(0x3d, 0x7b, 0xd9)); // the selection
    screenshot(viewer.window, "11-playing-row");
}

TEST(MainWindow, NothingLoadedShowsPlayAndADisabledSeekBar)
{
    MainWindow window({"--aout=dummy"});
    window.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.findChild<QWidget*>("button1204")->isVisible()); // pause
    EXPECT_TRUE(window.findChild<QWidget*>("button1203")->isVisible());  // play
    EXPECT_FALSE(window.controller().seekBar().enabled());
    screenshot(window, "12-nothing-loaded");
}

TEST(MainWindow, AnUnplayableRecordingSaysWhyInItsPane)
{
    QTemporaryDir card;
    QFile garbage(card.filePath("alwa_20230615_142530_F.mp4"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(50000, 'z'));
    garbage.close();
    QFile empty(card.filePath("alwa_20230615_142600_F.mp4"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile::copy(demoCard() + "/Normal/" + fileNameIn("Normal", "_F.mp4"), card.filePath("alwa_20230615_142700_F.mp4"));

    MainWindow window({"--aout=dummy"});
    window.show();
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(card.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 5000));
    window.activateRow(0);
    ASSERT_TRUE(waitFor([&] { return !window.frontPane().message().isEmpty(); }, 10000));
    EXPECT_EQ(window.frontPane().message(), "alwa_20230615_142530_F.mp4 can't be played: it is damaged or not a video.");
    waitFor([] { return false; }, 500);
    EXPECT_EQ(window.controller().currentRow(), 0); // the list did not pass over it
    EXPECT_TRUE(window.findChild<QWidget*>("button1203")->isVisible());
    screenshot(window, "13-unplayable");

    window.activateRow(1);
    ASSERT_TRUE(waitFor([&] { return window.frontPane().message().contains("the file is empty"); }, 10000));
    window.activateRow(2); // a good one plays and the message goes
    EXPECT_TRUE(waitFor([&] { return window.frontPane().hasVideo() && window.frontEngine().frames().pictureSize().isValid(); }, 10000));
    EXPECT_TRUE(window.frontPane().message().isEmpty());
}

TEST(MainWindow, KeysLeaveFullScreenMoveTheSelectionAndPlayIt)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    // The window takes the keys only while it is the active one; until then
    // they would reach the list's own handling.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // As the view does when it takes the focus: a current row, not selected.
    window.listView().selectionModel()->setCurrentIndex(window.listModel().index(0, 0), QItemSelectionModel::NoUpdate);
    QTest::keyClick(&window, Qt::Key_Down); // nothing selected: the first row
    QTest::keyClick(&window, Qt::Key_Down);
    QTest::keyClick(&window, Qt::Key_Down);
    QTest::keyClick(&window, Qt::Key_Up);
    EXPECT_EQ(window.listView().selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(window.listView().currentIndex().row(), 1);
    QTest::keyClick(&window, Qt::Key_Return);
    ASSERT_TRUE(viewer.playingBoth());
    EXPECT_EQ(window.controller().currentRow(), 2); // the second row's pair: on its rear row
    EXPECT_TRUE(waitFor([&] { return window.frontEngine().state() == MediaState::Playing; }, 5000));

    window.toggleFullScreen(1);
    ASSERT_TRUE(window.controller().fullScreen());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.controller().fullScreen());
    EXPECT_EQ(window.size(), QSize(1020, 645));
    QTest::keyClick(&window, Qt::Key_Escape); // in the normal view it still does nothing
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.controller().fullScreen());
}

TEST(MainWindow, ABackgroundDoubleClickShowsBothPanesInTheFullView)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    window.activateRow(rowOf(window.listModel(), fileNameIn("Event", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    const QRect before = window.geometry();
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(6, 300)); // left of the large pane
    QCoreApplication::processEvents();
    ASSERT_TRUE(window.controller().fullScreen());
    const QRect screen = window.screen()->geometry();
    const QRect front = window.frontPane().geometry();
    const QRect rear = window.rearPane().geometry();
    EXPECT_TRUE(window.frontPane().isVisible());
    EXPECT_TRUE(window.rearPane().isVisible());
    EXPECT_FALSE(front.intersects(rear));
    EXPECT_EQ(front.size(), rear.size());
    EXPECT_GT(front.width(), screen.width() * 2 / 5); // each about half the screen
    EXPECT_NEAR(front.width() * 9.0 / 16.0, front.height(), 2.0);
    EXPECT_LT(front.right(), rear.left());
    EXPECT_GE(front.top(), 54);
    EXPECT_LE(front.bottom(), screen.height() - 90); // above the transport row
    EXPECT_FALSE(window.listView().isVisible());
    screenshot(window, "14-full-view-both");
    QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(1, 1));
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.controller().fullScreen());
    EXPECT_EQ(window.geometry(), before);
    EXPECT_EQ(window.frontPane().geometry(), QRect(15, 56, 646, 363));
    EXPECT_EQ(window.rearPane().geometry(), QRect(678, 384, 326, 246));
}

TEST(MainWindow, TheMagnifierButtonShowsItsStateAndTheLoupeShowsAtOnceWhilePaused)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    window.activateRow(rowOf(window.listModel(), fileNameIn("Event", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    ASSERT_TRUE(waitFor([&] { return window.frontEngine().state() == MediaState::Playing; }, 5000));
    window.controller().pause();
    ASSERT_TRUE(waitFor([&] { return window.frontEngine().state() == MediaState::Paused; }, 5000));
    waitFor([] { return false; }, 300);
    auto* magnifier = qobject_cast<QAbstractButton*>(window.findChild<QWidget*>("button1301"));
    ASSERT_NE(magnifier, nullptr);
    const QImage plain = window.frontPane().grab().toImage();
    QTest::mouseClick(magnifier, Qt::LeftButton); // the pointer is on the button, not the picture
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.controller().magnifier());
    EXPECT_TRUE(magnifier->isChecked());
    EXPECT_NE(window.frontPane().grab().toImage(), plain);
    screenshot(window, "15-magnifier-paused");
    QTest::mouseClick(magnifier, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_FALSE(magnifier->isChecked());
    EXPECT_EQ(window.frontPane().grab().toImage(), plain);
}

TEST(MainWindow, TheMapTabOpenedWhilePausedShowsTheCurrentPosition)
{
    Viewer viewer;
    MapView& map = viewer.window.mapView();
    ASSERT_TRUE(waitFor([&] { return map.loaded() && evaluate(map, "markers.length").toInt() == 1; }, 30000));
    viewer.window.activateRow(rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    ASSERT_TRUE(waitFor([&] { return viewer.window.controller().seekBar().position() > 2000 && !viewer.window.controller().trackPending(); }, 8000));
    viewer.window.controller().pause();
    ASSERT_TRUE(waitFor([&] { return viewer.window.frontEngine().state() == MediaState::Paused; }, 5000));
    EXPECT_NEAR(evaluate(map, "markers[0].getLatLng().lat").toDouble(), 37.374054, 1e-9); // hidden: untouched
    viewer.window.showInformation(true);
    EXPECT_TRUE(waitFor([&] { return std::abs(evaluate(map, "markers[0].getLatLng().lat").toDouble() - 37.374054) > 1e-7; }, 3000));
}

TEST(MainWindow, TheVolumeIconMutesAndShowsIt)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    window.activateRow(rowOf(window.listModel(), fileNameIn("Event", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    auto* icon = qobject_cast<QAbstractButton*>(window.findChild<QWidget*>("button1105"));
    ASSERT_NE(icon, nullptr);
    const QImage sounding = icon->grab().toImage();
    // (What the engine is told is the controller's test; the dummy sound output reads back unreliably.)
    QTest::mouseClick(icon, Qt::LeftButton);
    EXPECT_EQ(window.controller().volumeSlider().position(), 0);
    EXPECT_NE(icon->grab().toImage(), sounding);
    screenshot(window, "16-muted");
    QTest::mouseClick(icon, Qt::LeftButton);
    EXPECT_EQ(window.controller().volumeSlider().position(), 50);
    EXPECT_EQ(icon->grab().toImage(), sounding);

    // Dragged down to nothing: the icon shows muted too.
    window.controller().volumeSlider().setPosition(0);
    QTest::mouseClick(window.findChild<QWidget*>("volumeSlider"), Qt::LeftButton, {}, QPoint(1, 6));
    EXPECT_EQ(window.controller().volumeSlider().position(), 0);
    EXPECT_NE(icon->grab().toImage(), sounding);
}

TEST(MainWindow, CopySaysWhatItDidAndWhyItDoesNothing)
{
    Viewer viewer;
    QTemporaryDir target;
    QSignalSpy done(&viewer.window, &MainWindow::copyFinished);
    viewer.window.copyRows({1, 2}, target.path(), false);
    ASSERT_TRUE(waitFor([&] { return !done.isEmpty(); }, 20000));
    EXPECT_EQ(shownMessage(viewer.window), QString("Copied 2 files to %1.").arg(target.path()));

    // More than a hundred selected: it says why nothing happens.
    QTemporaryDir many;
    for (int i = 0; i < 101; ++i) {
        QFile file(many.filePath(QString("alwa_20230615_1%1_F.mp4").arg(i, 5, 10, QChar('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QSignalSpy listed(&viewer.window, &MainWindow::folderListed);
    viewer.window.openFolder(many.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 5000));
    viewer.window.listView().selectAll();
    viewer.window.copySelection();
    EXPECT_TRUE(shownMessage(viewer.window).startsWith("101 recordings are selected; at most 100"));
    screenshot(viewer.window, "17-copy-over-limit");
}

TEST(MainWindow, OpeningAFolderThatIsNotThereSaysSo)
{
    Viewer viewer;
    QSignalSpy refused(&viewer.window, &MainWindow::folderRefused);
    viewer.window.openFolder("/nowhere/at/all");
    ASSERT_TRUE(waitFor([&] { return !refused.isEmpty(); }, 5000));
    EXPECT_EQ(shownMessage(viewer.window), "/nowhere/at/all can't be opened: no such folder.");
    EXPECT_EQ(viewer.window.listModel().recordingCount(), 14); // the list stays
    QTemporaryDir dir;
    QFile file(dir.filePath("plain.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    viewer.window.openFolder(file.fileName());
    ASSERT_TRUE(waitFor([&] { return refused.size() == 2; }, 5000));
    EXPECT_TRUE(shownMessage(viewer.window).endsWith("plain.txt can't be opened: not a folder."));
}

TEST(MainWindow, TheMomentsTrueTimeAndTheCameraClocksOffset)
{
    Viewer viewer;
    const int row = rowOf(viewer.window.listModel(), fileNameIn("Event", "_F.mp4"));
    ASSERT_GE(row, 0);
    const QString name = viewer.window.listModel().row(row)->fileName().toString(); // event_YYYYMMDD_HHMMSS_F.mp4
    const QString started = QStringLiteral("%1-%2-%3 %4:%5:")
                                .arg(name.mid(6, 4), name.mid(10, 2), name.mid(12, 2), name.mid(15, 2), name.mid(17, 2));
    viewer.window.activateRow(row);
    ASSERT_TRUE(viewer.playingBoth());
    viewer.window.showInformation(true);
    EXPECT_TRUE(viewer.window.trueTimeLabel().isVisible());
    // The test card's camera clock runs 125 s ahead of GPS time.
    ASSERT_TRUE(waitFor([&] { return viewer.window.clockOffsetSeconds().has_value(); }, 10000));
    EXPECT_NEAR(*viewer.window.clockOffsetSeconds(), 125.0, 1.0);
    QLabel& notice = viewer.window.clockNoticeLabel();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_TRUE(notice.text().contains(QRegularExpression("Camera clock 2 min [4-6] s ahead of GPS"))) << notice.text().toStdString();
    EXPECT_TRUE(notice.toolTip().contains("UTC+09:00"));

    ASSERT_TRUE(waitFor([&] { return viewer.window.trueTimeLabel().text().contains("\nGPS "); }, 5000));
    ASSERT_TRUE(waitFor([&] { return viewer.window.controller().seekBar().position() > 1200; }, 8000));
    viewer.window.controller().pause();
    waitFor([] { return false; }, 300);
    const QString text = viewer.window.trueTimeLabel().text();
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 2) << text.toStdString();
    EXPECT_TRUE(lines[0].startsWith("Camera " + started)) << text.toStdString();
    // The GPS line: the same moment in the card's zone, within the record's second, and in UTC.
    const QRegularExpressionMatch gps =
        QRegularExpression(R"(^GPS (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d) UTC\+09:00 \x{00b7} (\d\d:\d\d:\d\d) UTC$)").match(lines[1]);
    ASSERT_TRUE(gps.hasMatch()) << text.toStdString();
    const QDateTime camera = QDateTime::fromString(lines[0].mid(7), "yyyy-MM-dd HH:mm:ss");
    const QDateTime zoned = QDateTime::fromString(gps.captured(1), "yyyy-MM-dd HH:mm:ss");
    EXPECT_LE(std::abs(zoned.secsTo(camera.addSecs(-125))), 2) << text.toStdString();
    EXPECT_EQ(gps.captured(2), zoned.addSecs(-9 * 3600).time().toString("HH:mm:ss"));
    waitFor([] { return false; }, 600);
    screenshot(viewer.window, "17-true-time-and-clock-notice");

    // The notice's link opens the Device Time dialog with the offer.
    QString offered;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitFor([&] { return QApplication::activeModalWidget() != nullptr; }, 5000));
        QWidget* dialog = QApplication::activeModalWidget();
        if (auto* note = dialog->findChild<QLabel*>("offsetNote"))
            offered = note->text();
        if (auto* use = dialog->findChild<QAbstractButton*>("gpsTimeButton"))
            offered += " | " + use->text();
        screenshot(*dialog, "18-device-time-offer");
        static_cast<QDialog*>(dialog)->reject();
    });
    QMetaObject::invokeMethod(&notice, "linkActivated", Q_ARG(QString, QStringLiteral("device-time")));
    EXPECT_TRUE(offered.contains(QRegularExpression("^Camera clock 2 min [4-6] s ahead of GPS, measured on the recording played\\. \\| "
                                                    "Use the correct time in the card's zone \\(UTC\\+09:00\\)$")))
        << offered.toStdString();

    // A file that is not named like a recording has no camera time, and no notice.
    viewer.window.activateRow(rowOf(viewer.window.listModel(), "clip_from_phone.mp4"));
    ASSERT_TRUE(waitFor([&] { return viewer.window.trueTimeLabel().text().isEmpty() && !notice.isVisible(); }, 10000));
    EXPECT_FALSE(viewer.window.clockOffsetSeconds());
}

namespace {

// The route the trip playback will hand the map: every placed sample of the
// card's longest trip. (Made here until the viewer plays trips itself.)
std::vector<TripRoutePoint> longestTripRoute(const QString& folder)
{
    auto listed = listRecordings(QFile::encodeName(folder));
    if (!listed)
        return {};
    RecordingSet set = collectRecordings(listed->rows);
    measureRecordings(set);
    const CardTrips card = summariseTrips(std::move(set), findCardConfig(QFile::encodeName(folder).toStdString()),
                                          TripOptions{std::nullopt, true});
    const TripSummary* longest = nullptr;
    for (const TripSummary& t : card.trips)
        if (longest == nullptr || t.telemetry.samples.size() > longest->telemetry.samples.size())
            longest = &t;
    std::vector<TripRoutePoint> points;
    if (longest != nullptr)
        for (const TripSample& sample : longest->telemetry.samples)
            if (sample.hasPlace())
                points.push_back({nmeaToDegrees(sample.fix.latitudeRaw, sample.fix.latitudeHemisphere),
                                  nmeaToDegrees(sample.fix.longitudeRaw, sample.fix.longitudeHemisphere),
                                  static_cast<double>(sample.speedKmh().value_or(0)), sample.tripMs});
    return points;
}

} // namespace

TEST(MainWindow, ATripsRouteOnTheMapAndAClickOnItGivesItsMoment)
{
    const std::vector<TripRoutePoint> route = longestTripRoute(demoCard());
    ASSERT_GT(route.size(), 10u);
    Viewer viewer;
    MapView& map = viewer.window.mapView();
    ASSERT_TRUE(waitFor([&] { return map.loaded() && evaluate(map, "bridge !== null").toBool(); }, 30000));
    viewer.window.activateRow(rowOf(viewer.window.listModel(), fileNameIn("Normal", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    viewer.window.showInformation(true);
    map.showTripRoute(route);
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "tripRoute ? tripRoute.getLayers().length : 0").toInt() >= 2; }, 5000));
    EXPECT_FALSE(evaluate(map, "map.hasLayer(track)").toBool());
    // Fitted to the whole trip, though the map was hidden when it opened.
    EXPECT_TRUE(evaluate(map, "map.getBounds().contains(tripRoute.getBounds())").toBool());

    QList<qint64> clicked;
    QObject::connect(&map, &MapView::routeClicked, [&](qint64 at) { clicked << at; });
    const TripRoutePoint& aim = route[route.size() * 2 / 3];
    evaluate(map, QStringLiteral("(function () { var p = map.latLngToContainerPoint(L.latLng(%1, %2));"
                                 " var box = map.getContainer().getBoundingClientRect();"
                                 " var x = box.left + p.x, y = box.top + p.y, t = document.elementFromPoint(x, y);"
                                 " ['mousedown', 'mouseup', 'click'].forEach(function (type) {"
                                 "   t.dispatchEvent(new MouseEvent(type, { bubbles: true, clientX: x, clientY: y })); }); })()")
                      .arg(aim.latitude, 0, 'f', 7)
                      .arg(aim.longitude, 0, 'f', 7));
    ASSERT_TRUE(waitFor([&] { return !clicked.isEmpty(); }, 5000));
    // The moment of a point at the place clicked (a car standing still has several).
    const auto at = std::find_if(route.begin(), route.end(), [&](const TripRoutePoint& p) { return p.tripMs == clicked.front(); });
    ASSERT_NE(at, route.end());
    EXPECT_LT(std::abs(at->latitude - aim.latitude) + std::abs(at->longitude - aim.longitude), 2e-5);
    waitFor([] { return false; }, 600);
    screenshot(viewer.window, "19-trip-route");

    map.clearTripRoute(); // a single recording plays again
    ASSERT_TRUE(waitFor([&] { return evaluate(map, "tripRoute === null && map.hasLayer(track)").toBool(); }, 5000));
}

TEST(MainWindow, AnExportReadsTheFolderWhatPlaysCameFromThoughAnotherIsListed)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    window.activateRow(rowOf(window.listModel(), fileNameIn("Normal", "_F.mp4")));
    ASSERT_TRUE(viewer.playingBoth());
    const QByteArray card = window.listedFolder();
    EXPECT_EQ(window.exportSourceFolder(), card);

    // Another card listed meanwhile (a copy, another camera's, with recordings
    // of the same moments): playback goes on, and so must the export's source.
    QTemporaryDir other;
    ASSERT_TRUE(QDir(other.path()).mkdir("Normal"));
    QSignalSpy listed(&window, &MainWindow::folderListed);
    window.openFolder(other.path());
    ASSERT_TRUE(waitFor([&] { return !listed.isEmpty(); }, 10000));
    ASSERT_NE(window.listedFolder(), card);
    ASSERT_FALSE(window.controller().openedPath().isEmpty());
    EXPECT_EQ(window.exportSourceFolder(), card);
}

TEST(MainWindow, InAndOutMarkAStretchThatTheExportDialogOffers)
{
    Viewer viewer;
    MainWindow& window = viewer.window;
    const QString name = fileNameIn("Normal", "_F.mp4");
    window.activateRow(rowOf(window.listModel(), name));
    ASSERT_TRUE(viewer.playingBoth());
    ASSERT_TRUE(waitFor([&] { return window.playedSpan().has_value() && window.controller().seekBar().position() > 500; }, 8000));
    const PlayedSpan span = *window.playedSpan();
    // The span is the recording's name and length on the camera's clock.
    EXPECT_EQ(dateTimeOf(span.start).toString("yyyyMMdd_HHmmss"), name.mid(5, 15));
    EXPECT_EQ(span.end - span.start, window.controller().seekBar().maximum());

    QTest::keyClick(&window, Qt::Key_I);
    ASSERT_TRUE(window.exportMarks().in());
    const CameraMs in = *window.exportMarks().in();
    EXPECT_GE(in, span.start + 500);
    const std::int64_t markedAt = window.controller().seekBar().position();
    ASSERT_TRUE(waitFor([&] { return window.controller().seekBar().position() > markedAt + 1000; }, 8000));
    QTest::keyClick(&window, Qt::Key_O);
    ASSERT_TRUE(window.exportMarks().out());
    const CameraMs out = *window.exportMarks().out();
    EXPECT_GT(out, in + 900);
    auto* seek = window.findChild<SkinSlider*>();
    ASSERT_NE(seek, nullptr);
    ASSERT_TRUE(seek->rangeIn() && seek->rangeOut());
    EXPECT_EQ(*seek->rangeIn(), in - span.start);
    EXPECT_EQ(*seek->rangeOut(), out - span.start);
    window.controller().pause();
    screenshot(window, "19-export-marks");

    // The dialog offers the marks in whole seconds and runs the export it is given.
    ExportChoices ran;
    window.setExportRunner([&](const ExportChoices& c, const auto&, const auto&) {
        ran = c;
        return ExportOutcome{false, true, {}, {}};
    });
    QDateTime offeredFrom, offeredTo;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(waitFor([&] { return qobject_cast<ExportDialog*>(QApplication::activeModalWidget()) != nullptr; }, 5000));
        auto* dialog = qobject_cast<ExportDialog*>(QApplication::activeModalWidget());
        offeredFrom = dialog->fromEdit()->dateTime();
        offeredTo = dialog->toEdit()->dateTime();
        screenshot(*dialog, "20-export-dialog");
        dialog->start();
        waitFor([&] { return !dialog->running(); }, 5000);
        dialog->reject();
    });
    window.openExport();
    EXPECT_EQ(offeredFrom, dateTimeOf(in - in % 1000));
    EXPECT_EQ(offeredTo, dateTimeOf(out + (1000 - out % 1000) % 1000));
    EXPECT_EQ(ran.from, offeredFrom);
    EXPECT_EQ(ran.to, offeredTo);
}
