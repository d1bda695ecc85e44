#include "catalogue/folder_scan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace dravonix;
namespace fs = std::filesystem;

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

QStringList pathsOf(const FolderScan& scan, const QString& root)
{
    QStringList out;
    for (const ScannedFile& f : scan.files)
        out << f.fullPath.mid(root.size());
    return out;
}

} // namespace

TEST(FolderScan, FindsRecordingsAtEveryDepthSortedByPath)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + "/a/alwa_20230615_142530_F.mp4");
    touch(root + "/b.MP4");
    touch(root + "/Deep/er/still/event_20230615_142530_R.Mp4");
    touch(root + "/notes.txt");
    touch(root + "/movie.mp44");
    touch(root + "/mp4");
    touch(root + "/.hidden.mp4");
    QDir().mkpath(root + "/x.mp4"); // a folder is never a recording

    const auto scan = scanFolder(root);
    ASSERT_TRUE(scan);
    EXPECT_EQ(pathsOf(*scan, root), (QStringList{"/.hidden.mp4", "/Deep/er/still/event_20230615_142530_R.Mp4",
                                                 "/a/alwa_20230615_142530_F.mp4", "/b.MP4"}));
    EXPECT_EQ(scan->files[3].name(), u"b.MP4");

    // A trailing separator makes no difference.
    const auto again = scanFolder(root + "/");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->files[0].fullPath, scan->files[0].fullPath);
}

TEST(FolderScan, UnusablePathsYieldNothing)
{
    QTemporaryDir dir;
    EXPECT_EQ(scanFolder(QString()).error(), ScanError::EmptyPath);
    EXPECT_EQ(scanFolder(dir.path() + "/missing").error(), ScanError::NotFound);
    touch(dir.path() + "/file.mp4");
    EXPECT_EQ(scanFolder(dir.path() + "/file.mp4").error(), ScanError::NotAFolder);
    // A path through ".." is a folder like any other (one of our own: a scan
    // of the whole temporary folder would reach other programs' files).
    QDir(dir.path()).mkpath("inner");
    const auto parent = scanFolder(dir.path() + "/inner/..");
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent->files.size(), 1u);
}

TEST(FolderScan, LinksToFoldersAreNotFollowedButLinksToFilesAreListed)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + "/real/alwa_20230615_142530_F.mp4");
    ASSERT_EQ(::symlink((root + "/real").toUtf8().constData(), (root + "/real/loop").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink((root + "/real").toUtf8().constData(), (root + "/linked.mp4").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink((root + "/real/alwa_20230615_142530_F.mp4").toUtf8().constData(),
                        (root + "/alias.mp4").toUtf8().constData()),
              0);
    ASSERT_EQ(::symlink("/nowhere", (root + "/dangling.mp4").toUtf8().constData()), 0);

    const auto scan = scanFolder(root);
    ASSERT_TRUE(scan);
    EXPECT_EQ(pathsOf(*scan, root), (QStringList{"/alias.mp4", "/dangling.mp4", "/real/alwa_20230615_142530_F.mp4"}));
}

TEST(FolderScan, UnreadableSubfoldersAreCountedAndSkipped)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    QTemporaryDir dir;
    const QString root = dir.path();
    touch(root + "/open/a.mp4");
    touch(root + "/closed/b.mp4");
    QFile::setPermissions(root + "/closed", QFileDevice::Permissions());
    const auto scan = scanFolder(root);
    QFile::setPermissions(root + "/closed", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(scan);
    EXPECT_EQ(pathsOf(*scan, root), QStringList{"/open/a.mp4"});
    EXPECT_EQ(scan->unreadableFolders, 1);
}

TEST(FolderScan, NamesOutsideAsciiSurvive)
{
    QTemporaryDir dir;
    touch(dir.path() + QString::fromUtf8("/주행/alwa_20230615_142530_F.mp4"));
    const auto scan = scanFolder(dir.path());
    ASSERT_TRUE(scan);
    ASSERT_EQ(scan->files.size(), 1u);
    EXPECT_TRUE(QFile::exists(scan->files[0].fullPath));
}

namespace {

// A file named by raw bytes, which need not be UTF-8.
void touchNative(const QByteArray& path)
{
    const int handle = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(handle, 0) << path.toHex().constData();
    ::close(handle);
}

struct NativeDir {
    QTemporaryDir dir;
    QByteArray path = QFile::encodeName(dir.path());
    // QTemporaryDir removes by name as text, which misses names that aren't UTF-8.
    ~NativeDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path.toStdString(), ignored);
    }
};

} // namespace

TEST(FolderScan, NamesThatAreNotUtf8KeepTheirBytes)
{
    NativeDir dir;
    const QByteArray folder = dir.path + "/caf\xe9";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QByteArray ff = folder + "/alwa_20230615_142530_\xff.mp4";
    const QByteArray fe = folder + "/alwa_20230615_142530_\xfe.mp4";
    touchNative(ff);
    touchNative(fe);
    touchNative(dir.path + "/plain.mp4");

    const auto scan = scanNativeFolder(dir.path);
    ASSERT_TRUE(scan);
    ASSERT_EQ(scan->files.size(), 3u);
    // Both show the same text; their bytes tell them apart and settle the order.
    EXPECT_EQ(scan->files[0].nativePath, fe);
    EXPECT_EQ(scan->files[1].nativePath, ff);
    EXPECT_EQ(scan->files[0].fullPath, scan->files[1].fullPath);
    EXPECT_EQ(scan->files[0].name(), QString::fromUtf8("alwa_20230615_142530_\xef\xbf\xbd.mp4"));
    EXPECT_EQ(scan->files[2].nativePath, dir.path + "/plain.mp4");

    const std::vector<RecordingRow> rows = makeRecordingRows(scan->files);
    EXPECT_EQ(rows[1].nativePath, ff);
    EXPECT_EQ(::access(rows[1].nativePath.constData(), F_OK), 0);

    // A root that isn't UTF-8 itself.
    const auto inside = scanNativeFolder(folder + "/");
    ASSERT_TRUE(inside);
    ASSERT_EQ(inside->files.size(), 2u);
    EXPECT_EQ(inside->files[1].nativePath, ff);
}

TEST(FolderScan, TemporariesAKilledWriterLeftAreRemovedByTheScan)
{
    const fs::path root = fs::temp_directory_path() / ("dravonix-scan-stale-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Normal");
    std::ofstream(root / ".config.bin.Ab12Cd.dravonix-tmp") << "half a record";
    std::ofstream(root / "Normal" / "alwa_20230622_144905_F.mp4") << "x";
    std::ofstream(root / "notes.txt") << "kept";
    const auto scan = scanFolder(QString::fromStdString(root.string()));
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->files.size(), 1u);
    EXPECT_FALSE(fs::exists(root / ".config.bin.Ab12Cd.dravonix-tmp"));
    EXPECT_TRUE(fs::exists(root / "notes.txt"));
    fs::remove_all(root);
}

TEST(FolderScan, TheListingInOneSortIsTheScanThenTheListOrder)
{
    // Equal keys in several folders, names past ASCII and bytes that aren't
    // UTF-8, keys that take the slow comparison, a link to a folder and to a
    // file, and a folder whose name sorts between files.
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const char* names[] = {"alwa_20230615_142530_F.mp4", "Normal/alwa_20230615_142530_F.mp4",
                           "Normal/alwa_20230615_142530_R.mp4", "Normal-2/alwa_20230615_142530_F.mp4",
                           "Event/event_20230615_142531_F.mp4", "Event/event_20230615_142531_f.mp4",
                           "x.mp4", "Ä/x.mp4", "Z/x.mp4", "\xff/x.mp4", "\xfe.mp4", "a\xc3\xa9.mp4", "a\xe9.mp4",
                           "user_2023-06-15_F.mp4", "user_20230615_1425'30_F.mp4", "alwa_\xf0\x9f\x98\x80_F.mp4",
                           "alwa_\xee\x80\x80_F.mp4", "motion_20230615_142530_\xc3\xa9.mp4", "alwa_20230615.mp4"};
    for (const char* name : names) {
        const fs::path path = fs::path(root) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path).put('\0');
    }
    fs::create_directory_symlink(fs::path(root) / "Normal", fs::path(root) / "Linked");
    fs::create_symlink(fs::path(root) / "x.mp4", fs::path(root) / "Event/link.mp4");

    const auto scan = scanNativeFolder(QByteArray::fromStdString(root));
    ASSERT_TRUE(scan);
    std::vector<RecordingRow> expected = makeRecordingRows(scan->files);
    sortRecordingRows(expected);
    const auto listed = listRecordings(QByteArray::fromStdString(root));
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->rows.size(), std::size(names) + 1);
    ASSERT_EQ(listed->rows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listed->rows[i].nativePath, expected[i].nativePath) << i;
        EXPECT_EQ(listed->rows[i].fullPath, expected[i].fullPath) << i;
        EXPECT_EQ(listed->rows[i].name.sortKey, expected[i].name.sortKey) << i;
    }
    EXPECT_FALSE(listRecordings(QByteArray::fromStdString(root + "/none")));
}
