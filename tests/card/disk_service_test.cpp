// The disk service over D-Bus against a mock UDisks2 on a private bus: the
// descriptor it hands over formats the image file that a user without the
// right to open it asked for, and every way it can fail is said plainly.
#include "card/format_flow.h"
#include "card/format_job.h"
#include "card/udisks2_service.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <csignal>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace dravonix;

namespace {

// The system's Python, which has python3-dbusmock (not one a version manager put first).
QString systemPython() { return QStringLiteral(DRAVONIX_SYSTEM_PYTHON); }

bool dbusmockAvailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        return false;
    return QProcess::execute(systemPython(), {QStringLiteral("-c"), QStringLiteral("import dbusmock")}) == 0;
}

// A helper process ends with the test, also when the test is killed.
void dieWithTheTest(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// A bus of our own, on which anyone may own any name: the system bus as far
// as the code under test is concerned.
class PrivateBus {
public:
    PrivateBus()
    {
        QFile config(folder_.filePath(QStringLiteral("bus.conf")));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral(
                         "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                         "<busconfig><type>system</type><listen>unix:path=%1</listen><auth>EXTERNAL</auth>\n"
                         "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                         "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n")
                         .arg(folder_.filePath(QStringLiteral("socket")))
                         .toUtf8());
        config.close();
        dieWithTheTest(daemon_);
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config.fileName(),
                                                      QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("dravonix-test-bus"));
        daemon_.kill();
        daemon_.waitForFinished();
    }
    QString address() const { return address_; }
    QDBusConnection connection() const { return QDBusConnection::connectToBus(address_, QStringLiteral("dravonix-test-bus")); }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
};

// The mock UDisks2 of udisks2_mock.py on a bus.
class MockUDisks2 {
public:
    MockUDisks2(const PrivateBus& bus, const QJsonObject& parameters)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address());
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        dieWithTheTest(process_);
        process_.start(systemPython(), {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                                        QStringLiteral(DRAVONIX_UDISKS2_TEMPLATE), QStringLiteral("-p"),
                                        QString::fromUtf8(QJsonDocument(parameters).toJson(QJsonDocument::Compact))});
        const QDBusConnection connection = bus.connection();
        QElapsedTimer waited;
        waited.start();
        while (!(ready_ = connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.UDisks2")))
               && waited.elapsed() < 15000)
            QThread::msleep(50);
    }
    ~MockUDisks2()
    {
        process_.kill();
        process_.waitForFinished();
    }
    bool ready() const { return ready_; }

private:
    QProcess process_;
    bool ready_ = false;
};

QByteArray readAll(const QString& path, qint64 limit = 1 << 20)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(limit) : QByteArray();
}

struct CommandResult {
    int status;
    QString output;
};
CommandResult run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

// Runs `work` as a user without the right to open root's files: on a thread
// whose file-system identity is "nobody" (root loses its override of file
// permissions with it).
template <typename Work>
void runWithoutFileRights(Work work)
{
    std::thread worker([&] {
        ::setfsuid(65534);
        work();
        ::setfsuid(0);
    });
    worker.join();
}

class DiskServiceOverDBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!dbusmockAvailable())
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        ASSERT_FALSE(bus_.address().isEmpty()) << "the private bus did not start";
        // World-readable folders so that "nobody" may reach the image; the image itself root's alone.
        ::chmod(folder_.path().toLocal8Bit().constData(), 0755);
        image_ = folder_.filePath(QStringLiteral("card.img"));
        log_ = folder_.filePath(QStringLiteral("calls.log"));
        QFile file(image_);
        file.open(QIODevice::WriteOnly);
        file.resize(2LL * 1024 * 1024 * 1024);
        file.close();
        ::chmod(image_.toLocal8Bit().constData(), 0600);
    }
    QJsonObject parameters(const QString& device) const
    {
        return {{"device", device}, {"image", image_}, {"log", log_}};
    }
    FormatRequest request() const
    {
        FormatRequest r;
        r.device = *imageVolumeDevice(image_.toStdString());
        r.tempFolder = folder_.path().toStdString();
        r.allocationUnit = "16K";
        return r;
    }

    QTemporaryDir folder_;
    PrivateBus bus_;
    QString image_;
    QString log_;
};

} // namespace

TEST_F(DiskServiceOverDBus, HandsOverTheDeviceThatAUserMayNotOpenAndTheFormatGoesThroughIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to take away its own right to the image";
    MockUDisks2 mock(bus_, parameters(image_));
    ASSERT_TRUE(mock.ready());
    UDisks2Service service(bus_.connection());
    const FormatRequest asked = request(); // while the image can still be read
    FormatJobResult result;
    int progressCalls = 0;
    runWithoutFileRights([&] {
        ASSERT_EQ(::open(image_.toLocal8Bit().constData(), O_RDWR), -1) << "the image is still open to this thread";
        result = runFormatJob(asked, &service, [&](std::uint64_t, std::uint64_t) { ++progressCalls; });
    });
    EXPECT_TRUE(result.ok()) << result.detail;
    EXPECT_TRUE(result.labelled);
    EXPECT_GT(progressCalls, 2);
    EXPECT_EQ(readAll(log_), QStringLiteral("ResolveDevice %1\nOpenDevice rw flags=%2\n").arg(image_).arg(O_EXCL).toUtf8());
    const CommandResult fsck = run(QStringLiteral("/usr/sbin/fsck.fat"), {QStringLiteral("-n"), image_});
    EXPECT_EQ(fsck.status, 0) << fsck.output.toStdString();
    const CommandResult label = run(QStringLiteral("/usr/sbin/fatlabel"), {image_});
    EXPECT_EQ(label.output.trimmed(), "DRAVONIX") << label.output.toStdString();
}

TEST_F(DiskServiceOverDBus, ARefusalAWrongDescriptorAndAMissingServiceAreSaid)
{
    // polkit says no.
    {
        QJsonObject p = parameters(image_);
        p.insert("deny", true);
        MockUDisks2 mock(bus_, p);
        ASSERT_TRUE(mock.ready());
        UDisks2Service service(bus_.connection());
        const auto opened = service.openForWriting(image_.toStdString());
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.error().message, "UDisks2 did not allow it: Not authorized to perform operation");
        if (::geteuid() == 0) {
            const FormatRequest asked = request();
            FormatJobResult result;
            runWithoutFileRights([&] { result = runFormatJob(asked, &service); });
            EXPECT_TRUE(result.needsPermission);
            EXPECT_EQ(result.detail, "Formatting needs write permission to " + image_.toStdString()
                                         + ", which this user does not have, and asking the disk service for it failed: "
                                           "UDisks2 did not allow it: Not authorized to perform operation");
        }
    }
    // A descriptor of another file than the one asked for is never written.
    {
        const QString other = folder_.filePath(QStringLiteral("other.img"));
        QFile(other).open(QIODevice::WriteOnly);
        QJsonObject p = parameters(image_);
        p.insert("image", other);
        MockUDisks2 mock(bus_, p);
        ASSERT_TRUE(mock.ready());
        UDisks2Service service(bus_.connection());
        if (::geteuid() == 0) {
            const FormatRequest asked = request();
            FormatJobResult result;
            runWithoutFileRights([&] { result = runFormatJob(asked, &service); });
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.detail, "the disk service handed over something other than " + image_.toStdString());
            EXPECT_EQ(QFileInfo(other).size(), 0);
        }
        // A device UDisks2 doesn't know.
        const auto unknown = service.openForWriting("/dev/nothing");
        ASSERT_FALSE(unknown);
        EXPECT_EQ(unknown.error().message, "UDisks2 does not know /dev/nothing");
    }
    // A bus without UDisks2.
    UDisks2Service none(bus_.connection());
    const auto notRunning = none.openForWriting(image_.toStdString());
    ASSERT_FALSE(notRunning);
    EXPECT_EQ(notRunning.error().message, "the disk service UDisks2 is not running");
}

TEST_F(DiskServiceOverDBus, WithoutASystemBusTheMessageNamesTheDeviceAndThePermission)
{
    const QDBusConnection nothing = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/dravonix-bus"),
                                                                  QStringLiteral("dravonix-no-bus"));
    ASSERT_FALSE(nothing.isConnected());
    UDisks2Service service(nothing);
    const auto opened = service.openForWriting("/dev/sdz1");
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().message, "there is no system bus (D-Bus) to ask the disk service UDisks2 for it");
    if (::geteuid() == 0) {
        const FormatRequest asked = request();
        FormatJobResult result;
        runWithoutFileRights([&] { result = runFormatJob(asked, &service); });
        EXPECT_TRUE(result.needsPermission);
        EXPECT_EQ(result.detail, "Formatting needs write permission to " + image_.toStdString()
                                     + ", which this user does not have, and asking the disk service for it failed: "
                                       "there is no system bus (D-Bus) to ask the disk service UDisks2 for it");
        EXPECT_EQ(readAll(image_, 512).count('\0'), 512) << "the image was written";
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("dravonix-no-bus"));
}

TEST_F(DiskServiceOverDBus, UnmountsThroughTheServiceAndABusyVolumeIsNotWritten)
{
    {
        MockUDisks2 mock(bus_, parameters(QStringLiteral("/dev/sdz1")));
        ASSERT_TRUE(mock.ready());
        UDisks2Service service(bus_.connection());
        EXPECT_FALSE(service.unmount("/dev/sdz1"));
        EXPECT_TRUE(readAll(log_).endsWith("ResolveDevice /dev/sdz1\nUnmount\n")) << readAll(log_).toStdString();
    }
    {
        QJsonObject p = parameters(QStringLiteral("/dev/sdz1"));
        p.insert("busy", true);
        MockUDisks2 mock(bus_, p);
        ASSERT_TRUE(mock.ready());
        UDisks2Service service(bus_.connection());
        const auto failed = service.unmount("/dev/sdz1");
        ASSERT_TRUE(failed);
        EXPECT_EQ(failed->systemError, EBUSY);
        EXPECT_EQ(failed->message, "UDisks2: Error unmounting: target is busy");
    }
    // A mounted volume with a file open on it: the unmount fails and the
    // device is left alone.
    const QString mountPoint = folder_.filePath(QStringLiteral("mounted"));
    QDir().mkpath(mountPoint);
    if (::mount("tmpfs", mountPoint.toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    QFile open(mountPoint + QStringLiteral("/in-use"));
    ASSERT_TRUE(open.open(QIODevice::WriteOnly));
    FormatRequest busy = request();
    busy.device.mountPoint = mountPoint.toStdString();
    const FormatJobResult result = runFormatJob(busy, nullptr);
    EXPECT_EQ(result.code, EBUSY);
    EXPECT_EQ(result.detail, image_.toStdString() + " could not be unmounted from " + mountPoint.toStdString()
                                 + ": Device or resource busy");
    EXPECT_EQ(readAll(image_, 512).count('\0'), 512) << "the image was written";
    open.close();
    EXPECT_EQ(::umount(mountPoint.toLocal8Bit().constData()), 0);
}
