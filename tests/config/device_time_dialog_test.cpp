// The device time dialog over folders standing in for cards.
#include "config/ui/device_time_dialog.h"

#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeEdit>

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(DeviceTimeDialog, WritesTheCardsOwnFileInPlace)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("a");
    QDir(root.path()).mkpath("b");
    QFile old(root.filePath("b/timeset.cfg"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("whatever the camera left there");
    old.close();
    FolderVolumes volumes;
    volumes.add(root.filePath("a").toStdString(), "");
    volumes.add(root.filePath("b").toStdString(), "DRAVONIX");

    bool asked = false;
    DeviceTimeDialog dialog(volumes, nullptr, [&](QWidget*) {
        asked = true;
        return QString();
    });
    EXPECT_EQ(dialog.timeFilePath(), root.filePath("b/timeset.cfg"));
    EXPECT_EQ(dialog.windowTitle(), "Device Time - " + root.filePath("b/timeset.cfg"));
    dialog.dateEdit()->setDate(QDate(2025, 1, 5));
    dialog.timeEdit()->setTime(QTime(7, 8, 9));
    EXPECT_TRUE(dialog.save());
    EXPECT_FALSE(asked);
    EXPECT_EQ(contents(root.filePath("b/timeset.cfg")), QByteArray("2025/01/05 07:08:09"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(DeviceTimeDialog, WithoutACardFileItAsksAndCancellingWritesNothing)
{
    QTemporaryDir root;
    FolderVolumes volumes;
    volumes.add(root.path().toStdString(), "DRAVONIX"); // the only card, but without the file
    QString answer;
    DeviceTimeDialog dialog(volumes, nullptr, [&](QWidget*) { return answer; });
    EXPECT_TRUE(dialog.timeFilePath().isEmpty());
    EXPECT_EQ(dialog.windowTitle(), "Device Time");
    EXPECT_FALSE(dialog.save()); // cancelled
    EXPECT_FALSE(QFile::exists(root.filePath("timeset.cfg")));

    answer = root.filePath("chosen.cfg");
    dialog.dateEdit()->setDate(QDate(2024, 3, 7));
    dialog.timeEdit()->setTime(QTime(9, 5, 0));
    EXPECT_TRUE(dialog.save());
    EXPECT_EQ(contents(answer), QByteArray("2024/03/07 09:05:00"));
}

TEST(DeviceTimeDialog, LooksRight)
{
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    FolderVolumes volumes;
    DeviceTimeDialog dialog(volumes, nullptr, [](QWidget*) { return QString(); });
    dialog.show();
    EXPECT_GT(dialog.width(), 0);
    if (!folder.isEmpty())
        dialog.grab().save(QDir(folder).filePath("07-device-time.png"));
}
