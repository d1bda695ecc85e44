// The viewer's Settings and clock buttons on the demo card's config.bin, offered as the
// machine's only removable volume through DRAVONIX_TEST_VOLUMES.
#include "app/viewer/main_window.h"
#include "config/device_config.h"
#include "config/ui/device_time_dialog.h"
#include "config/ui/settings_dialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QTimeEdit>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dravonix;

namespace {

// A card folder holding a copy of the demo card's config.bin, with a change.
class CardCopy {
public:
    explicit CardCopy(std::uint32_t speedUnit)
    {
        QFile demo(qEnvironmentVariable("DRAVONIX_TEST_CARD") + QStringLiteral("/config.bin"));
        if (!demo.open(QIODevice::ReadOnly))
            return;
        QByteArray bytes = demo.readAll();
        bytes[164] = static_cast<char>(speedUnit);
        QFile copy(file());
        copy.open(QIODevice::WriteOnly);
        copy.write(bytes);
        qputenv("DRAVONIX_TEST_VOLUMES", (folder.path() + QStringLiteral("=DRAVONIX")).toUtf8());
    }
    ~CardCopy() { qunsetenv("DRAVONIX_TEST_VOLUMES"); }
    QString file() const { return folder.filePath(QStringLiteral("config.bin")); }
    DeviceConfig read() const
    {
        QFile f(file());
        f.open(QIODevice::ReadOnly);
        const QByteArray b = f.readAll();
        DeviceConfig config;
        config.overwriteWith(std::span(reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size())));
        return config;
    }

    QTemporaryDir folder;
};

} // namespace

TEST(SettingsButton, OpensTheDialogOnTheTestVolumeAndSaves)
{
    CardCopy card(1);
    ASSERT_EQ(QFileInfo(card.file()).size(), 500) << "the demo card has no config.bin";
    MainWindow window;
    window.show();
    // The window's own card lookup sees the test volume too.
    EXPECT_EQ(window.speedLabel().text(), "0 Mi/h");

    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        auto* microphone = dialog->findChild<QAbstractButton*>(QStringLiteral("microphone.0"));
        ASSERT_NE(microphone, nullptr);
        microphone->click();
        dialog->save();
    });
    auto* settings = window.findChild<QAbstractButton*>(QStringLiteral("button1103"));
    ASSERT_NE(settings, nullptr);
    settings->click(); // modal: returns once the dialog has closed
    EXPECT_EQ(title, "Device Settings : " + card.file());
    const DeviceConfig saved = card.read();
    EXPECT_EQ(saved.microphone(), 0u);
    EXPECT_EQ(saved.speedUnit(), 1u);
    EXPECT_EQ(saved.storedChecksum(), saved.checksum());
}

TEST(ClockButton, OpensTheDeviceTimeDialogOnTheTestVolumesClockFile)
{
    CardCopy card(0);
    const QString clockFile = card.folder.filePath(QStringLiteral("timeset.cfg"));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("DRAVONIX_TEST_CARD") + QStringLiteral("/timeset.cfg"), clockFile))
        << "the demo card has no timeset.cfg";
    MainWindow window;
    window.show();

    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<DeviceTimeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        dialog->dateEdit()->setDate(QDate(2025, 1, 5));
        dialog->timeEdit()->setTime(QTime(7, 8, 9));
        dialog->save();
    });
    auto* clock = window.findChild<QAbstractButton*>(QStringLiteral("button1100"));
    ASSERT_NE(clock, nullptr);
    clock->click();
    EXPECT_EQ(title, "Device Time - " + clockFile);
    QFile written(clockFile);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("2025/01/05 07:08:09"));
}
