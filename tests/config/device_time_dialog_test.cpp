// The device time dialog over folders standing in for cards.
#include "config/ui/device_time_dialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A card volume at `root` that already holds an empty "timeset.cfg".
bool cardWithTimeFile(const QTemporaryDir& root, FolderVolumes& volumes)
{
    QFile old(root.filePath("timeset.cfg"));
    if (!old.open(QIODevice::WriteOnly))
        return false;
    old.close();
    volumes.add(root.path().toStdString(), "DRAVONIX");
    return true;
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

TEST(DeviceTimeDialog, ACardTakenOutIsNotWrittenIntoWhatItLeftBehind)
{
    QTemporaryDir root;
    FolderVolumes volumes;
    ASSERT_TRUE(cardWithTimeFile(root, volumes));
    bool asked = false;
    DeviceTimeDialog dialog(volumes, nullptr, [&](QWidget*) {
        asked = true;
        return QString();
    });
    volumes.remove(root.path().toStdString());
    QFile::remove(root.filePath("timeset.cfg")); // an empty folder of this computer's is left
    QString said;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            said = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(dialog.save());
    EXPECT_TRUE(said.contains("is no longer there")) << said.toStdString();
    EXPECT_FALSE(QFile::exists(root.filePath("timeset.cfg")));
    EXPECT_FALSE(asked);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
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

TEST(DeviceTimeDialog, FollowsTheClockUntilTheUserChangesATime)
{
    QTemporaryDir root;
    FolderVolumes volumes;
    ASSERT_TRUE(cardWithTimeFile(root, volumes));
    QDateTime clock(QDate(2025, 1, 5), QTime(7, 8, 9));
    DeviceTimeDialog dialog(volumes, nullptr, {}, [&] { return clock; });
    EXPECT_EQ(dialog.dateEdit()->date(), QDate(2025, 1, 5));
    EXPECT_EQ(dialog.timeEdit()->time(), QTime(7, 8, 9));

    // Left alone, the editors keep up with the clock, and Save takes the
    // clock's time at that moment.
    clock = QDateTime(QDate(2025, 1, 5), QTime(23, 59, 59));
    dialog.followClock();
    EXPECT_EQ(dialog.timeEdit()->time(), QTime(23, 59, 59));
    clock = QDateTime(QDate(2025, 1, 6), QTime(0, 0, 1));
    EXPECT_TRUE(dialog.save());
    EXPECT_EQ(contents(root.filePath("timeset.cfg")), QByteArray("2025/01/06 00:00:01"));

    // The real timer moves them too.
    DeviceTimeDialog ticking(volumes, nullptr, {}, [&] { return clock; });
    clock = QDateTime(QDate(2026, 2, 3), QTime(4, 5, 6));
    const QDateTime until = QDateTime::currentDateTime().addSecs(3);
    while (ticking.timeEdit()->time() != QTime(4, 5, 6) && QDateTime::currentDateTime() < until)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ticking.timeEdit()->time(), QTime(4, 5, 6));
    EXPECT_EQ(ticking.dateEdit()->date(), QDate(2026, 2, 3));

    // A time the user sets stays, and so does the date beside it.
    ticking.timeEdit()->setFocus();
    QTest::keyClick(ticking.timeEdit(), Qt::Key_Home);
    QTest::keyClick(ticking.timeEdit(), Qt::Key_Up); // the hour, one up
    EXPECT_FALSE(ticking.followsClock());
    EXPECT_EQ(ticking.timeEdit()->time(), QTime(5, 5, 6));
    clock = QDateTime(QDate(2027, 8, 9), QTime(10, 11, 12));
    ticking.followClock();
    EXPECT_EQ(ticking.timeEdit()->time(), QTime(5, 5, 6));
    EXPECT_TRUE(ticking.save());
    EXPECT_EQ(contents(root.filePath("timeset.cfg")), QByteArray("2026/02/03 05:05:06"));
}

TEST(DeviceTimeDialog, LabelsTheDateAndTheTime)
{
    FolderVolumes volumes;
    DeviceTimeDialog dialog(volumes, nullptr, [](QWidget*) { return QString(); });
    auto* form = dialog.findChild<QFormLayout*>();
    ASSERT_NE(form, nullptr);
    auto* dateLabel = qobject_cast<QLabel*>(form->labelForField(dialog.dateEdit()));
    auto* timeLabel = qobject_cast<QLabel*>(form->labelForField(dialog.timeEdit()));
    ASSERT_NE(dateLabel, nullptr);
    ASSERT_NE(timeLabel, nullptr);
    EXPECT_EQ(dateLabel->text(), "Date");
    EXPECT_EQ(timeLabel->text(), "Time");
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

TEST(DeviceTimeDialog, AMeasuredOffsetIsSaidAndTheCorrectTimeInTheCardsZoneOffered)
{
    QTemporaryDir root;
    FolderVolumes volumes;
    ASSERT_TRUE(cardWithTimeFile(root, volumes));
    // This computer's clock, a moment before the new year in the card's zone.
    QDateTime now(QDate(2023, 12, 31), QTime(14, 59, 50), Qt::UTC);
    DeviceTimeDialog dialog(volumes, nullptr, {}, [&] { return now; });

    dialog.offerGpsTime(1.5, 540); // within the blur: nothing offered
    EXPECT_EQ(dialog.offsetNote(), nullptr);
    EXPECT_EQ(dialog.gpsTimeButton(), nullptr);

    dialog.offerGpsTime(125.0, 540);
    ASSERT_NE(dialog.offsetNote(), nullptr);
    EXPECT_EQ(dialog.offsetNote()->text(), "Camera clock 2 min 5 s ahead of GPS, measured on the recording played.");
    EXPECT_EQ(dialog.gpsTimeButton()->text(), "Use the correct time in the card's zone (UTC+09:00)");
    dialog.timeEdit()->setTime(QTime(1, 2, 3)); // the user's own time gives way to the offer taken
    QTest::mouseClick(dialog.gpsTimeButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.usesGpsTime());
    EXPECT_FALSE(dialog.gpsTimeButton()->isEnabled());
    EXPECT_EQ(dialog.dateEdit()->date(), QDate(2023, 12, 31));
    EXPECT_EQ(dialog.timeEdit()->time(), QTime(23, 59, 50));
    now = now.addSecs(15); // it follows the clock, over the year's end
    dialog.followClock();
    EXPECT_EQ(dialog.dateEdit()->date(), QDate(2024, 1, 1));
    EXPECT_TRUE(dialog.save());
    EXPECT_EQ(contents(root.filePath("timeset.cfg")), QByteArray("2024/01/01 00:00:05"));

    // Behind, west of Greenwich.
    DeviceTimeDialog west(volumes, nullptr, {}, [&] { return now; });
    west.offerGpsTime(-32400.0, -270);
    EXPECT_EQ(west.offsetNote()->text(), "Camera clock 9 h behind GPS, measured on the recording played.");
    west.useGpsTime();
    EXPECT_EQ(west.timeEdit()->time(), QTime(10, 30, 5));
    EXPECT_EQ(west.dateEdit()->date(), QDate(2023, 12, 31));
}
