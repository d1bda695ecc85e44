// The card format dialog on image files standing in for the card's device:
// its lists, the refusals and the question before anything is written, the
// format on its own thread with the dialog still alive, the safety copy, the
// outcome messages, and the way it is opened from the settings dialog.
#include "card/ui/format_dialog.h"
#include "card/udisks2_service.h"
#include "../config/settings_card.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTimer>

#include "../qt_wait.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

using namespace dravonix;

namespace {

constexpr qint64 kGiB = 1024LL * 1024 * 1024;

QByteArray head(const QString& path, qint64 bytes = 512)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

bool allZero(const QByteArray& bytes) { return bytes.count('\0') == bytes.size(); }

QString runTool(const QString& program, const QStringList& arguments, int* status = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (status != nullptr)
        *status = process.exitCode();
    return QString::fromUtf8(process.readAll());
}

// A card folder with its config.bin and an image file as its device, the
// dialog's messages and questions recorded, and a temporary folder of its own.
struct FormatBench {
    explicit FormatBench(qint64 imageBytes, const QString& label = QStringLiteral("DRAVONIX"))
    {
        QDir(root.path()).mkpath(QStringLiteral("card"));
        QDir(root.path()).mkpath(QStringLiteral("temp"));
        QFile config(card() + QStringLiteral("/config.bin"));
        config.open(QIODevice::WriteOnly);
        config.write(QByteArray(500, '\x5a'));
        config.close();
        image = root.filePath(QStringLiteral("card.img"));
        QFile file(image);
        file.open(QIODevice::WriteOnly);
        file.resize(imageBytes);
        file.close();
        volumes.add(card().toStdString(), label.toStdString(), image.toStdString());
        services.present = [this](QWidget*, const ShownMessage& m) { messages.push_back(m); };
        services.ask = [this](QWidget*, const ShownMessage& q) {
            questions.push_back(q);
            return answer;
        };
        services.tempFolder = root.filePath(QStringLiteral("temp"));
    }
    QString card() const { return root.filePath(QStringLiteral("card")); }
    QString configPath() const { return card() + QStringLiteral("/config.bin"); }
    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }
    // Runs Start and waits for the outcome; false when the format didn't begin.
    bool formatWith(FormatDialog& dialog, bool* ok = nullptr)
    {
        bool finished = false;
        QObject::connect(&dialog, &FormatDialog::formatFinished, [&](bool good) {
            finished = true;
            if (ok != nullptr)
                *ok = good;
        });
        if (!dialog.start())
            return false;
        return waitFor([&] { return finished; }, 60000);
    }

    QTemporaryDir root;
    QString image;
    FolderVolumes volumes;
    FormatServices services;
    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> questions;
    bool answer = true;
};

} // namespace

TEST(FormatDialog, ListsFollowTheCardsSizeAndFileSystem)
{
    FormatBench small(2 * kGiB);
    FormatDialog dialog(small.volumes, small.configPath(), small.services);
    ASSERT_TRUE(dialog.device());
    EXPECT_EQ(dialog.windowTitle(), "SD Card Format");
    EXPECT_EQ(dialog.fileSystemList()->count(), 1);
    EXPECT_EQ(dialog.fileSystemList()->itemText(0), "FAT32");
    EXPECT_EQ(dialog.fileSystemList()->currentIndex(), -1); // not FAT32 now
    EXPECT_EQ(dialog.allocationUnitList()->currentText(), "16K");
    EXPECT_EQ(dialog.findChild<QLabel*>("volume")->toolTip(), small.card() + "/\n\"DRAVONIX\", 2.1 GB, " + small.image);
    EXPECT_FALSE(dialog.progressBar()->isVisibleTo(&dialog));

    // 7 GiB exactly shows 64K, a byte less 16K; a FAT32 volume shows its file system selected.
    FormatBench seven(7 * kGiB);
    EXPECT_EQ(FormatDialog(seven.volumes, seven.configPath(), seven.services).allocationUnitList()->currentText(), "64K");
    FormatBench under(7 * kGiB - 1);
    EXPECT_EQ(FormatDialog(under.volumes, under.configPath(), under.services).allocationUnitList()->currentText(), "16K");
    ASSERT_TRUE(small.formatWith(dialog));
    FormatDialog again(small.volumes, small.card(), small.services); // opened on the chosen root
    EXPECT_EQ(again.fileSystemList()->currentIndex(), 0);
    EXPECT_TRUE(small.messages.size() == 1 && small.messages[0].text == "Format complete.");
}

TEST(FormatDialog, AsksFirstThenFormatsKeepsTheSafetyCopyAndSaysSo)
{
    FormatBench bench(2 * kGiB, QStringLiteral("OLDNAME"));
    FormatDialog dialog(bench.volumes, bench.configPath(), bench.services);
    dialog.show();

    // No: nothing written, nothing copied.
    bench.answer = false;
    EXPECT_FALSE(dialog.start());
    ASSERT_EQ(bench.questions.size(), 1u);
    EXPECT_EQ(bench.questions[0].caption, "SD Card Format");
    EXPECT_EQ(bench.questions[0].text, "All data on this volume will be erased:\n\n" + bench.card()
                                           + "/\nLabel: OLDNAME\nSize: 2.1 GB (2147483648 bytes)\nDevice: " + bench.image
                                           + "\n\nFormat it as FAT32 now?");
    EXPECT_TRUE(allZero(head(bench.image, 1 << 20)));
    EXPECT_FALSE(QFile::exists(bench.services.tempFolder + "/config.bin"));
    EXPECT_TRUE(dialog.isVisible());

    // Yes: the format, the copy, the label and the message; the dialog ends.
    bench.answer = true;
    bool ok = false;
    ASSERT_TRUE(bench.formatWith(dialog, &ok));
    EXPECT_TRUE(ok);
    ASSERT_EQ(bench.messages.size(), 1u);
    EXPECT_EQ(bench.messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(bench.messages[0].caption, "SD Card Format");
    EXPECT_EQ(bench.messages[0].text, "Format complete.");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(head(bench.services.tempFolder + "/config.bin", 1000), QByteArray(500, '\x5a'));
    int status = -1;
    const QString fsck = runTool(QStringLiteral("/usr/sbin/fsck.fat"), {QStringLiteral("-n"), bench.image}, &status);
    EXPECT_EQ(status, 0) << fsck.toStdString();
    EXPECT_EQ(runTool(QStringLiteral("/usr/sbin/fatlabel"), {bench.image}).trimmed(), "DRAVONIX");
    EXPECT_EQ(dialog.progressBar()->value(), 0);
    EXPECT_TRUE(dialog.startButton()->isEnabled());
}

TEST(FormatDialog, RefusesBeforeAskingWhatMustNotBeFormatted)
{
    // Too small and too large for FAT32: said with the figures, nothing asked or written.
    FormatBench tiny(100LL * 1024 * 1024);
    FormatDialog small(tiny.volumes, tiny.configPath(), tiny.services);
    EXPECT_FALSE(small.start());
    EXPECT_TRUE(tiny.questions.empty());
    EXPECT_EQ(tiny.lastMessage(), "Cannot format this drive.\n\n" + tiny.card()
                                      + "/ (104857600 bytes, 204800 sectors of 512 bytes) is too small for FAT32 with 16K "
                                        "clusters: that makes 6395 clusters, and FAT32 needs at least 65536.");
    EXPECT_TRUE(allZero(head(tiny.image)));
    FormatBench huge(3LL * 1024 * kGiB);
    FormatDialog large(huge.volumes, huge.configPath(), huge.services);
    EXPECT_FALSE(large.start());
    EXPECT_TRUE(huge.questions.empty());
    EXPECT_TRUE(huge.lastMessage().endsWith("is too large for FAT32, which counts at most 4294967294 sectors: no cluster "
                                            "size can change that."))
        << huge.lastMessage().toStdString();

    // No device behind the volume: unavailable, at opening and at Start.
    FormatBench gone(2 * kGiB);
    FolderVolumes noDevice;
    noDevice.add(gone.card().toStdString(), "DRAVONIX");
    FormatDialog unavailable(noDevice, gone.configPath(), gone.services);
    unavailable.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(unavailable.fileSystemList()->count(), 0);
    EXPECT_EQ(unavailable.allocationUnitList()->count(), 0);
    EXPECT_EQ(gone.lastMessage(), "The selected drive is unavailable");
    EXPECT_FALSE(unavailable.start());
    EXPECT_EQ(gone.messages.size(), 2u);
    EXPECT_TRUE(gone.questions.empty());

    // The disk the system runs from, where its node is visible.
    for (const char* system : {"/dev/vda", "/dev/sda", "/dev/nvme0n1"}) {
        if (!QFile::exists(system))
            continue;
        FormatBench bench(2 * kGiB);
        FolderVolumes onSystem;
        onSystem.add(bench.card().toStdString(), "DRAVONIX", system);
        FormatDialog dialog(onSystem, bench.configPath(), bench.services);
        EXPECT_FALSE(dialog.start());
        EXPECT_TRUE(bench.questions.empty());
        EXPECT_TRUE(bench.lastMessage().startsWith(QStringLiteral("Cannot format this drive.\n\n") + system))
            << bench.lastMessage().toStdString();
    }
}

TEST(FormatDialog, AWriteProtectedCardAndABusyImageAreSaid)
{
    // Busy: another writer holds the image.
    FormatBench busy(2 * kGiB);
    const int holder = ::open(busy.image.toLocal8Bit().constData(), O_RDWR);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    FormatDialog dialog(busy.volumes, busy.configPath(), busy.services);
    bool ok = true;
    ASSERT_TRUE(busy.formatWith(dialog, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(busy.lastMessage(), "Cannot format this drive.\n\n" + busy.image
                                      + " is locked by another process that is writing it: try again when it has finished");
    EXPECT_TRUE(allZero(head(busy.image)));
    EXPECT_TRUE(dialog.startButton()->isEnabled()); // open for another try
    ::close(holder);

    // Write-protected: the medium's file system refuses writes.
    FormatBench locked(2 * kGiB);
    const QString mountPoint = locked.root.filePath(QStringLiteral("ro"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    QFile(mountPoint + "/card.img").open(QIODevice::WriteOnly);
    QFile::resize(mountPoint + "/card.img", 2 * kGiB);
    ASSERT_EQ(::mount(nullptr, mountPoint.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
    FolderVolumes volumes;
    volumes.add(locked.card().toStdString(), "DRAVONIX", (mountPoint + "/card.img").toStdString());
    FormatDialog protectedCard(volumes, locked.configPath(), locked.services);
    EXPECT_FALSE(protectedCard.start());
    ASSERT_FALSE(locked.messages.empty());
    EXPECT_EQ(locked.messages.back().icon, QMessageBox::Critical);
    EXPECT_EQ(locked.messages.back().caption, "Error");
    EXPECT_EQ(locked.messages.back().text, "The disk cannot be written to because it is write protected.\n\nPlease "
                                           "remove the write protection from the volume in drive");
    EXPECT_TRUE(locked.questions.empty());
    ::umount(mountPoint.toLocal8Bit().constData());
}

TEST(FormatDialog, AFailurePartWayShowsTheCodeAndTheAdvice)
{
    // An image on a file system that fills up while the FATs are written:
    // the writes fail part way, as they do when a card is pulled out.
    FormatBench bench(2 * kGiB);
    const QString mountPoint = bench.root.filePath(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const QString image = mountPoint + "/card.img";
    QFile(image).open(QIODevice::WriteOnly);
    QFile::resize(image, 2 * kGiB);
    FolderVolumes volumes;
    volumes.add(bench.card().toStdString(), "DRAVONIX", image.toStdString());
    FormatDialog dialog(volumes, bench.configPath(), bench.services);
    bool ok = true;
    ASSERT_TRUE(bench.formatWith(dialog, &ok));
    EXPECT_FALSE(ok);
    ASSERT_FALSE(bench.messages.empty());
    EXPECT_EQ(bench.messages.back().icon, QMessageBox::Warning);
    EXPECT_EQ(bench.messages.back().text,
              "Cannot format this drive. (28)\n\nQuit any disk utilities or other programs that are using this device,\n\n"
              "and make sure that no windows is displaying the contents of the drive.\n\nThen try formatting again.");
    EXPECT_EQ(bench.messages.back().details, "Failed to write");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.closeButton()->isEnabled());
    ::umount(mountPoint.toLocal8Bit().constData());
}

TEST(FormatDialog, KeepsPaintingWhileFormattingAndCannotBeClosedMeanwhile)
{
    FormatBench bench(2 * kGiB);
    QSemaphore release;
    bench.services.diskService = [&release]() -> std::unique_ptr<DiskService> {
        release.acquire(); // holds the formatting thread until the test lets it go
        return nullptr;
    };
    FormatDialog dialog(bench.volumes, bench.configPath(), bench.services);
    dialog.show();
    bool finished = false;
    QObject::connect(&dialog, &FormatDialog::formatFinished, [&] { finished = true; });
    ASSERT_TRUE(dialog.start());
    EXPECT_TRUE(dialog.formatting());
    EXPECT_FALSE(dialog.startButton()->isEnabled());
    EXPECT_FALSE(dialog.closeButton()->isEnabled());
    EXPECT_TRUE(dialog.progressBar()->isVisible());
    EXPECT_EQ(dialog.progressBar()->maximum(), 0); // busy: nothing written yet
    EXPECT_TRUE(dialog.findChild<QLabel*>("formatting")->isVisible());
    EXPECT_FALSE(dialog.start()); // not twice
    dialog.reject();
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    bool ticked = false;
    QTimer::singleShot(20, [&] { ticked = true; });
    EXPECT_TRUE(waitFor([&] { return ticked; }, 2000)) << "the event loop stood still";
    const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
    if (!folder.isEmpty())
        dialog.grab().save(QDir(folder).filePath("format-dialog-formatting.png"));
    release.release();
    ASSERT_TRUE(waitFor([&] { return finished; }, 60000));
    EXPECT_FALSE(dialog.formatting());
    EXPECT_EQ(bench.lastMessage(), "Format complete.");
}

TEST(FormatDialog, WithoutTheRightToTheDeviceAndNoSystemBusItSaysWhatIsNeeded)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to take away its own right to the image";
    FormatBench bench(2 * kGiB);
    ::chmod(bench.root.path().toLocal8Bit().constData(), 0755);
    ::chmod(bench.image.toLocal8Bit().constData(), 0600);
    // The formatting thread drops root's file rights while the job runs, and
    // meets a disk service with no bus behind it.
    class WithoutRights final : public DiskService {
    public:
        WithoutRights()
            : bus_(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"))),
              service_(bus_)
        {
            ::setfsuid(65534);
        }
        ~WithoutRights() override { ::setfsuid(0); }
        Expected<int, Error> openForWriting(const std::string& path) override { return service_.openForWriting(path); }
        std::optional<Error> unmount(const std::string& path) override { return service_.unmount(path); }

    private:
        QDBusConnection bus_;
        UDisks2Service service_;
    };
    bench.services.diskService = [] { return std::make_unique<WithoutRights>(); };
    FormatDialog dialog(bench.volumes, bench.configPath(), bench.services);
    bool ok = true;
    ASSERT_TRUE(bench.formatWith(dialog, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(bench.lastMessage(), "Cannot format this drive.\n\nFormatting needs write permission to " + bench.image
                                       + ", which this user does not have, and asking the disk service for it failed: there "
                                         "is no system bus (D-Bus) to ask the disk service UDisks2 for it");
    EXPECT_TRUE(allZero(head(bench.image)));
}

TEST(FormatDialog, OpensFromTheSettingsDialogOnTheCardOrASelectedVolume)
{
    FormatBench bench(2 * kGiB);
    // With a card: the dialog on its config.bin, without asking for a drive.
    dravonix::testing::SettingsCard card;
    card.write(DeviceConfig());
    const QString image = bench.image;
    qputenv("DRAVONIX_TEST_DEVICES", (card.folder() + "=" + image).toUtf8());
    SettingsDialog& settings = card.open();
    int chooserCalls = 0;
    QString chosen;
    FormatServices services = bench.services;
    services.chooseDrive = [&](QWidget*) {
        ++chooserCalls;
        return chosen;
    };
    settings.setFormatServices(services);
    QString seenTitle;
    QString seenVolume;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FormatDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seenTitle = dialog->windowTitle();
        seenVolume = dialog->findChild<QLabel*>("volume")->toolTip();
        const QString folder = qEnvironmentVariable("DRAVONIX_SCREENSHOTS");
        if (!folder.isEmpty())
            dialog->grab().save(QDir(folder).filePath("format-dialog.png"));
        dialog->closeButton()->click();
    });
    card.find<QPushButton>("formatButton")->click();
    EXPECT_EQ(seenTitle, "SD Card Format");
    EXPECT_TRUE(seenVolume.startsWith(card.folder() + "/")) << seenVolume.toStdString();
    EXPECT_EQ(chooserCalls, 0);
    qunsetenv("DRAVONIX_TEST_DEVICES");

    // Without a card: "Select Drive"; cancelled, nothing; not a volume, string 301; a volume, the dialog.
    dravonix::testing::SettingsCard empty;
    SettingsDialog& noCard = empty.open();
    noCard.setFormatServices(services);
    empty.find<QPushButton>("formatButton")->click();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_TRUE(bench.messages.empty());
    chosen = bench.root.path();
    empty.find<QPushButton>("formatButton")->click();
    ASSERT_EQ(bench.messages.size(), 1u);
    EXPECT_EQ(bench.messages[0].caption, "Select Drive");
    EXPECT_EQ(bench.messages[0].text, "Not removable drive.\n\nSelect another drive.");
    chosen = empty.folder();
    bool opened = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<FormatDialog*>(QApplication::activeModalWidget());
        opened = dialog != nullptr;
        if (dialog != nullptr)
            dialog->closeButton()->click();
    });
    empty.find<QPushButton>("formatButton")->click();
    EXPECT_TRUE(opened);
    EXPECT_EQ(bench.messages.size(), 2u); // the volume has no device: unavailable
    EXPECT_EQ(bench.messages.back().text, "The selected drive is unavailable");
}
