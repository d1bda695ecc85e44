// The viewer's parts without playback: the skin at its specified sizes, the
// list model checked by Qt's model tester, and copies that are cancelled.
#include "app/viewer/copy_job.h"
#include "app/viewer/recording_list_model.h"
#include "app/viewer/route_points.h"
#include "app/viewer/trip_list_model.h"
#include "app/viewer/ui_registry.h"

#include "../qt_wait.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;

TEST(UiRegistry, EverySkinPictureHasItsSizeAndFrames)
{
    const struct {
        int id;
        int width;
        int height;
        int frames;
    } expected[] = {
        {1, 1020, 645, 1},  {2, 105, 33, 3},   {3, 93, 33, 3},    {4, 96, 33, 3},    {5, 13, 13, 1},
        {7, 646, 363, 1},   {8, 326, 246, 1},  {1001, 334, 29, 2}, {1002, 334, 29, 2}, {1100, 162, 47, 3},
        {1101, 168, 47, 3}, {1102, 162, 47, 3}, {1103, 162, 47, 3}, {1105, 84, 26, 3}, {1106, 84, 26, 3}, {1201, 120, 35, 3},
        {1202, 69, 26, 3},  {1203, 69, 26, 3}, {1204, 69, 26, 3},  {1205, 120, 34, 3}, {1206, 69, 26, 3},
        {1207, 48, 20, 3},  {1208, 48, 20, 3}, {1301, 117, 33, 3}, {12, 656, 90, 1},   {202, 318, 16, 1},
    };
    UiRegistry& ui = UiRegistry::instance();
    for (const auto& e : expected) {
        const QPixmap image = ui.image(e.id);
        EXPECT_EQ(image.size(), QSize(e.width, e.height)) << e.id;
        EXPECT_EQ(ui.frames(e.id), e.frames) << e.id;
    }
    // The thumb's transparent colour is its key, magenta.
    EXPECT_EQ(ui.image(5).toImage().pixel(0, 0) & 0xffffff, 0xFF00FFu);
    EXPECT_TRUE(ui.image(9999).isNull());
    EXPECT_EQ(ui.text(285), "Zoon");
    EXPECT_EQ(ui.font(100).pixelSize(), 14);
}

TEST(RecordingListModel, PassesTheModelTesterAndServesTheController)
{
    RecordingListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<ScannedFile> files;
    for (const char* path : {"/c/a/alwa_20230615_142530_F.mp4", "/c/a/alwa_20230615_142530_R.mp4", "/c/user_20230615_150000_F.mp4",
                             "/c/x.mp4"}) {
        const QString p(path);
        files.push_back({p, p.lastIndexOf('/') + 1, QFile::encodeName(p)});
    }
    std::vector<RecordingRow> rows = makeRecordingRows(files);
    sortRecordingRows(rows);
    model.setRows(rows);
    ASSERT_EQ(model.recordingCount(), 4);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Type");
    EXPECT_EQ(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), "FileName");
    EXPECT_EQ(model.data(model.index(0, RecordingListModel::Date), Qt::DisplayRole).toString(), " ");
    EXPECT_EQ(model.data(model.index(1, RecordingListModel::Time), Qt::DisplayRole).toString(), "14:25:30");
    EXPECT_EQ(model.data(model.index(1, RecordingListModel::SortKey), Qt::DisplayRole).toString(), "20230615_142530_F");
    EXPECT_EQ(model.data(model.index(3, RecordingListModel::Type), Qt::DisplayRole).toString(), "User");
    EXPECT_EQ(model.path(2), QByteArray("/c/a/alwa_20230615_142530_R.mp4"));
    EXPECT_EQ(model.channelLetter(2), QChar('R'));
    EXPECT_EQ(model.path(9), QByteArray());
    model.setCurrentRow(2);
    EXPECT_EQ(model.data(model.index(2, 0), Qt::BackgroundRole).value<QColor>(), QColor(200, 200, 255));
    EXPECT_EQ(model.data(model.index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    model.setRows({});
    EXPECT_EQ(model.recordingCount(), 0);
}

namespace {

std::vector<RecordingRow> rowsOf(std::initializer_list<const char*> paths)
{
    std::vector<ScannedFile> files;
    for (const char* path : paths) {
        const QString p(path);
        files.push_back({p, p.lastIndexOf('/') + 1, QFile::encodeName(p)});
    }
    std::vector<RecordingRow> rows = makeRecordingRows(files);
    sortRecordingRows(rows);
    return rows;
}

} // namespace

TEST(TripListModel, GroupsTheRowsByTripAndLeavesTheRestAsTheyAre)
{
    RecordingListModel flat;
    TripListModel trips(flat);
    QAbstractItemModelTester tester(&trips, QAbstractItemModelTester::FailureReportingMode::Fatal);
    // A drive over the year's end with an Event file inside it; a parking
    // recording; one whose duration can't be read; a second copy of a file;
    // a name no trip can place; and a drive of one recording.
    flat.setRows(rowsOf({"/c/Normal/alwa_20231231_235950_F.mp4", "/c/Normal/alwa_20231231_235950_R.mp4",
                         "/c/Normal/alwa_20240101_000050_F.mp4", "/c/Event/event_20231231_235955_F.mp4",
                         "/c/Parking/motion_20240101_010000_F.mp4", "/c/Normal/alwa_20240101_020000_F.mp4",
                         "/c/copy/alwa_20231231_235950_F.mp4", "/c/x.mp4", "/c/Normal/alwa_20240101_030000_F.mp4"}));
    ASSERT_EQ(flat.recordingCount(), 9);
    std::vector<RecordingRow> rows;
    for (int r = 0; r < flat.recordingCount(); ++r)
        rows.push_back(*flat.row(r));
    RecordingSet set = collectRecordings(rows);
    for (TripRecording& r : set.recordings)
        r.durationMs = r.start == *cameraTime(2024, 1, 1, 2, 0, 0) ? 0 : (r.kind == RecordingKind::Event ? 30'000 : 60'000);
    trips.setTrips(std::make_shared<const CardTrips>(summariseTrips(std::move(set), std::nullopt, {})));
    ASSERT_EQ(trips.trips()->trips.size(), 2u);

    // Two trip rows, and the parking, unmeasured, copied and unplaceable rows alone.
    int tripRows = 0;
    int underTrips = 0;
    for (int r = 0; r < trips.rowCount(); ++r) {
        const QModelIndex row = trips.index(r, 0);
        tripRows += trips.isTripRow(row) ? 1 : 0;
        underTrips += trips.rowCount(row);
        EXPECT_EQ(trips.isTripRow(row), trips.rowCount(row) > 0);
    }
    EXPECT_EQ(tripRows, 2);
    EXPECT_EQ(trips.rowCount(), 6);
    EXPECT_EQ(underTrips, 5);

    // The year's end drive: starts 23:59:50, two minutes long, its four files under it.
    int yearsEnd = -1;
    for (int r = 0; r < flat.recordingCount(); ++r)
        if (flat.path(r) == "/c/Normal/alwa_20231231_235950_R.mp4")
            yearsEnd = r;
    const QModelIndex first = trips.indexOfFlatRow(yearsEnd).parent();
    ASSERT_TRUE(trips.isTripRow(first));
    EXPECT_EQ(trips.rowCount(first), 4);
    EXPECT_EQ(trips.data(first.siblingAtColumn(RecordingListModel::Time), Qt::DisplayRole).toString(), "23:59:50");
    EXPECT_TRUE(trips.data(first.siblingAtColumn(RecordingListModel::FileName), Qt::DisplayRole)
                    .toString()
                    .startsWith(QString::fromUtf8("2 min 00 s \u00b7 0.0 km")));
    EXPECT_EQ(trips.flatRowsOfTrip(*trips.tripOf(first)).size(), 4u);

    // Every flat row is shown exactly once, and found again from where it shows.
    for (int r = 0; r < flat.recordingCount(); ++r) {
        const QModelIndex shown = trips.indexOfFlatRow(r, RecordingListModel::FileName);
        ASSERT_TRUE(shown.isValid());
        EXPECT_EQ(trips.flatRow(shown), r);
        EXPECT_EQ(shown.data().toString(), flat.row(r)->fileName().toString());
    }

    // The playing colours: the flat list's for a recording, the trip row's own.
    flat.setCurrentRow(yearsEnd);
    EXPECT_EQ(trips.indexOfFlatRow(yearsEnd).data(Qt::BackgroundRole).value<QColor>(), QColor(200, 200, 255));
    trips.setPlayingTrip(*trips.tripOf(first));
    EXPECT_EQ(first.data(Qt::BackgroundRole).value<QColor>(), QColor(200, 200, 255));

    // A new listing: the trips of the old one go, every row shows alone.
    flat.setRows(rowsOf({"/d/alwa_20240101_000050_F.mp4", "/d/y.mp4"}));
    EXPECT_EQ(trips.trips(), nullptr);
    EXPECT_EQ(trips.rowCount(), 2);
    EXPECT_FALSE(trips.isTripRow(trips.index(0, 0)));
}

TEST(TripListModel, LengthsReadAsPeopleSayThem)
{
    EXPECT_EQ(tripLengthText(0), "0 s");
    EXPECT_EQ(tripLengthText(59'499), "59 s");
    EXPECT_EQ(tripLengthText(59'500), "1 min 00 s"); // rounded, as the trips command does
    EXPECT_EQ(tripLengthText(754'000), "12 min 34 s");
    EXPECT_EQ(tripLengthText(3'725'000), "1 h 02 min");
    EXPECT_EQ(tripLengthText(-5), "0 s");
}

TEST(CopyJob, CancellingLeavesNoPartialFile)
{
    QTemporaryDir from;
    QTemporaryDir to;
    const QString big = from.filePath("alwa_20230615_142530_F.mp4");
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray block(1 << 20, 'v');
    for (int i = 0; i < 64; ++i)
        file.write(block);
    file.close();

    CopyJob job({QFile::encodeName(big)}, to.path());
    bool finished = false;
    int copied = -1;
    QObject::connect(&job, &CopyJob::progress, [&](int percent, const QString&) {
        if (percent > 10)
            job.cancel();
    });
    QObject::connect(&job, &CopyJob::finished, [&](int count, const QString& error) {
        finished = true;
        copied = count;
        EXPECT_TRUE(error.isEmpty());
    });
    job.run();
    ASSERT_TRUE(finished);
    EXPECT_EQ(copied, 0);
    EXPECT_TRUE(QDir(to.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Copied whole, under its own name, and the existing one is reported first.
    CopyJob again({QFile::encodeName(big)}, to.path());
    again.run();
    EXPECT_EQ(QFileInfo(to.filePath("alwa_20230615_142530_F.mp4")).size(), 64 << 20);
    EXPECT_EQ(CopyJob::existingTargets({QFile::encodeName(big)}, to.path()).size(), 1);
    EXPECT_EQ(QDir(to.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(CopyJob, AnUnwritableFolderIsAnErrorNotASuccess)
{
    QTemporaryDir from;
    QFile file(from.filePath("a.mp4"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    CopyJob job({QFile::encodeName(from.filePath("a.mp4"))}, from.filePath("missing/folder"));
    QString failure;
    QObject::connect(&job, &CopyJob::finished, [&](int, const QString& error) { failure = error; });
    job.run();
    EXPECT_FALSE(failure.isEmpty());
}

TEST(CopyJob, CopiesNamesThatAreNotUtf8AndRefusesWhatIsNotAFile)
{
    QTemporaryDir from;
    QTemporaryDir to;
    const QByteArray source = QFile::encodeName(from.path()) + "/alwa_20230615_142530_\xff_F.mp4";
    const int handle = ::open(source.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(handle, 0);
    ASSERT_EQ(::write(handle, "recording", 9), 9);
    ::close(handle);
    const QByteArray fifo = QFile::encodeName(from.path()) + "/alwa_20230615_142600_F.mp4";
    ASSERT_EQ(::mkfifo(fifo.constData(), 0644), 0);

    CopyJob job({source}, to.path());
    int copied = -1;
    QObject::connect(&job, &CopyJob::finished, [&](int count, const QString&) { copied = count; });
    job.run();
    EXPECT_EQ(copied, 1);
    const QByteArray target = QFile::encodeName(to.path()) + "/alwa_20230615_142530_\xff_F.mp4";
    struct stat st {};
    ASSERT_EQ(::stat(target.constData(), &st), 0) << "the copy lost the name's bytes";
    EXPECT_EQ(st.st_size, 9);
    EXPECT_EQ(CopyJob::existingTargets({source}, to.path()), QList<QByteArray>{target});

    // A FIFO would block the copy for good: it is an error at once.
    CopyJob pipe({fifo}, to.path());
    QString failure;
    QObject::connect(&pipe, &CopyJob::finished, [&](int, const QString& error) { failure = error; });
    pipe.run();
    EXPECT_TRUE(failure.contains("not a regular file")) << failure.toStdString();
    ::unlink(source.constData()); // QTemporaryDir removes by name as text
    ::unlink(target.constData());
}

TEST(RouteForTheMap, ADaysRouteIsThinnedToEvenlySpacedPointsWithItsEnds)
{
    std::vector<std::pair<double, double>> day;
    for (int i = 0; i < 86400; ++i)
        day.emplace_back(37.0 + i * 1e-5, 126.0);
    const auto points = thinnedRoute(day);
    ASSERT_EQ(points.size(), kMostRoutePoints);
    EXPECT_EQ(points.front(), day.front());
    EXPECT_EQ(points.back(), day.back());
    for (std::size_t i = 1; i < points.size(); ++i) // in order, none twice
        EXPECT_GT(points[i].first, points[i - 1].first);

    const std::vector<std::pair<double, double>> minute(day.begin(), day.begin() + 61);
    EXPECT_EQ(thinnedRoute(minute), minute);
    EXPECT_EQ(thinnedRoute(day, 0).size(), 2u);
}
