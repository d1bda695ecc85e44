// The viewer's parts without playback: the skin at its specified sizes, the
// list model checked by Qt's model tester, and copies that are cancelled.
#include "app/viewer/copy_job.h"
#include "app/viewer/recording_list_model.h"
#include "app/viewer/route_points.h"
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
