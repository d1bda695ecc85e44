// How the viewer starts: its command line, the handover to a running copy
// over a real local socket, the folder it lists first, where its dialogs
// open and the name a snapshot is offered under.
#include "app/viewer/app_icon.h"
#include "app/viewer/dialog_folders.h"
#include "app/viewer/instance_handover.h"
#include "app/viewer/snapshot_name.h"
#include "app/viewer/start_folder.h"
#include "app/viewer/viewer_command_line.h"

#include "../qt_wait.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <thread>

using namespace dravonix;

namespace {

ViewerCommandLine parse(std::initializer_list<const char*> words)
{
    std::vector<const char*> argv{"dravonix-viewer"};
    argv.insert(argv.end(), words);
    return parseViewerCommandLine(viewerWordsFromArgv(static_cast<int>(argv.size()), argv.data()));
}

// Hands `folder` over from another thread, as a second process would, while
// this thread runs the event loop of the running copy.
struct Handover {
    bool taken = false;
    std::thread sender;
    Handover(InstanceHandover& to, QByteArray folder, int timeoutMs = 5000)
        : sender([this, &to, folder, timeoutMs] { taken = to.handOver(folder, timeoutMs); })
    {
    }
    ~Handover() { sender.join(); }
};

} // namespace

TEST(ViewerCommandLine, AnswersHelpAndVersionAndTakesOneFolderAsBytes)
{
    const ViewerCommandLine help = parse({"--help"});
    EXPECT_EQ(help.action, ViewerCommandLine::Action::Help);
    for (const char* part : {"[FOLDER]", "--version", "--verbose", "camera's card"})
        EXPECT_TRUE(help.text.contains(QLatin1String(part))) << part;
    EXPECT_EQ(parse({"-h"}).action, ViewerCommandLine::Action::Help);
    // Help wins over what only the application object understands.
    EXPECT_EQ(parse({"-platform", "offscreen", "--help"}).action, ViewerCommandLine::Action::Help);

    const ViewerCommandLine version = parse({"--version"});
    EXPECT_EQ(version.action, ViewerCommandLine::Action::Version);
    EXPECT_EQ(version.text, QStringLiteral("dravonix-viewer 0.1.0\n"));

    const ViewerCommandLine none = parse({});
    EXPECT_EQ(none.action, ViewerCommandLine::Action::Run);
    EXPECT_FALSE(none.folder);
    EXPECT_FALSE(none.verbose);

    const ViewerCommandLine odd = parse({"--verbose", "/media/card/caf\xe9\x01"});
    EXPECT_EQ(odd.action, ViewerCommandLine::Action::Run);
    EXPECT_TRUE(odd.verbose);
    EXPECT_EQ(odd.folder, QByteArray("/media/card/caf\xe9\x01"));
    EXPECT_EQ(parse({"--", "-folder"}).folder, QByteArray("-folder"));
    // Qt's own options are left to the application object.
    const ViewerCommandLine qt = parse({"-platform", "offscreen", "-style=fusion", "-reverse", "/card"});
    EXPECT_EQ(qt.action, ViewerCommandLine::Action::Run);
    EXPECT_EQ(qt.folder, QByteArray("/card"));

    const ViewerCommandLine two = parse({"a", "b"});
    EXPECT_EQ(two.action, ViewerCommandLine::Action::Error);
    EXPECT_TRUE(two.text.contains(QLatin1String("--help")));
    const ViewerCommandLine unknown = parse({"--fullscreen"});
    EXPECT_EQ(unknown.action, ViewerCommandLine::Action::Error);
    EXPECT_TRUE(unknown.text.contains(QLatin1String("fullscreen")));
}

TEST(Handover, MessagesCarryAnyBytesAndRefuseWhatIsNotOurs)
{
    const QByteArray odd("/media/a b/new\nline/\xff\x80/caf\xc3\xa9");
    EXPECT_EQ(folderFromHandover(handoverMessage(odd)), odd);
    EXPECT_EQ(folderFromHandover(handoverMessage(std::nullopt)), QByteArray());
    EXPECT_EQ(folderFromHandover(handoverMessage(QByteArray())), QByteArray());
    EXPECT_EQ(handoverMessage(odd).count('\n'), 1);

    for (const QByteArray& bad : {QByteArray(), QByteArray("dravonix-viewer front"), QByteArray("dravonix-viewer open \n"),
                                  QByteArray("dravonix-viewer open 2f6\n"), QByteArray("dravonix-viewer open zz\n"),
                                  handoverMessage(QByteArray("relative/card")), handoverMessage(QByteArray("/a\0b", 4)),
                                  handoverMessage(odd) + handoverMessage(odd), QByteArray("GET / HTTP/1.0\n")})
        EXPECT_FALSE(folderFromHandover(bad)) << bad.toStdString();

    const QByteArray here = QFile::encodeName(QDir::currentPath());
    EXPECT_EQ(absoluteFolder("card"), here + "/card");
    EXPECT_EQ(absoluteFolder("/media/card"), QByteArray("/media/card"));
}

TEST(Handover, ASecondStartHandsItsFolderToTheRunningOne)
{
    QTemporaryDir runtime;
    InstanceHandover running(runtime.path());
    ASSERT_TRUE(running.becomePrimary());
    InstanceHandover second(runtime.path());
    EXPECT_FALSE(second.becomePrimary()); // the lock is taken

    std::vector<QByteArray> received;
    QObject::connect(&running, &InstanceHandover::handedOver, [&](const QByteArray& f) { received.push_back(f); });
    {
        Handover h(second, "/media/card/Normal");
        ASSERT_TRUE(waitFor([&] { return received.size() == 1; }, 5000));
    }
    {
        Handover h(second, QByteArray()); // no folder: only come to the front
        ASSERT_TRUE(waitFor([&] { return received.size() == 2; }, 5000));
        waitFor([] { return false; }, 50);
    }
    {
        Handover h(second, "relative"); // read against the sender's folder
        ASSERT_TRUE(waitFor([&] { return received.size() == 3; }, 5000));
    }
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0], QByteArray("/media/card/Normal"));
    EXPECT_EQ(received[1], QByteArray());
    EXPECT_EQ(received[2], QFile::encodeName(QDir::currentPath()) + "/relative");
}

TEST(Handover, StrangersAreDroppedAndTheNextStartStillGetsThrough)
{
    QTemporaryDir runtime;
    InstanceHandover running(runtime.path());
    ASSERT_TRUE(running.becomePrimary());
    int received = 0;
    QObject::connect(&running, &InstanceHandover::handedOver, [&] { ++received; });

    QLocalSocket garbage;
    garbage.connectToServer(running.socketPath());
    ASSERT_TRUE(garbage.waitForConnected(2000));
    garbage.write(QByteArray(20000, 'x')); // no newline, ever
    QLocalSocket wrong;
    wrong.connectToServer(running.socketPath());
    ASSERT_TRUE(wrong.waitForConnected(2000));
    wrong.write("dravonix-viewer open 2e2e\n"); // "..": not absolute
    waitFor([&] { return garbage.state() == QLocalSocket::UnconnectedState && wrong.state() == QLocalSocket::UnconnectedState; },
            5000);
    EXPECT_EQ(garbage.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(wrong.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(received, 0);

    InstanceHandover second(runtime.path());
    Handover h(second, "/media/card");
    EXPECT_TRUE(waitFor([&] { return received == 1; }, 5000));
}

TEST(Handover, LeftoversOfADeadCopyNeverBlock)
{
    QTemporaryDir runtime;
    // A socket file nobody listens on, as a killed copy leaves it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(runtime.filePath(QStringLiteral("dravonix-viewer.socket")));
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    // With nobody running, a later start gives up within its time.
    InstanceHandover nobody(runtime.path());
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(nobody.handOver("/media/card", 400));
    EXPECT_LT(timer.elapsed(), 3000);

    InstanceHandover running(runtime.path());
    ASSERT_TRUE(running.becomePrimary());
    int received = 0;
    QObject::connect(&running, &InstanceHandover::handedOver, [&] { ++received; });
    Handover h(nobody, "/media/card");
    EXPECT_TRUE(waitFor([&] { return received == 1; }, 5000));
}

TEST(StartFolder, CommandLineThenCardThenTheFolderListedLast)
{
    QTemporaryDir card;
    QFile config(card.filePath(QStringLiteral("config.bin")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QByteArray(500, '\0'));
    config.close();
    const std::string cardRoot = QFile::encodeName(card.path()).toStdString() + "/";
    const std::vector<RemovableDrive> withCard{{"/media/usb-stick/", "STICK"}, {cardRoot, "DRAVONIX"}};
    const std::vector<RemovableDrive> withoutCard{{"/media/usb-stick/", "STICK"}};
    const auto exists = [](const QByteArray& f) { return f == "/home/me/trip"; };

    EXPECT_EQ(chooseStartFolder({QByteArray("/given"), withCard, "/home/me/trip", exists}), QByteArray("/given"));
    EXPECT_EQ(chooseStartFolder({std::nullopt, withCard, "/home/me/trip", exists}), QFile::encodeName(card.path()));
    EXPECT_EQ(chooseStartFolder({std::nullopt, withoutCard, "/home/me/trip", exists}), QByteArray("/home/me/trip"));
    // A remembered folder that is gone (the card unplugged) is not listed.
    EXPECT_EQ(chooseStartFolder({std::nullopt, withoutCard, "/media/old-card", exists}), std::nullopt);
    EXPECT_EQ(chooseStartFolder({std::nullopt, {}, QByteArray(), exists}), std::nullopt);

    EXPECT_EQ(folderOfRoot("/media/card/"), QByteArray("/media/card"));
    EXPECT_EQ(folderOfRoot("/"), QByteArray("/"));
}

TEST(DialogFolders, TheLastChoiceThenTheUsersFoldersNeverTheWorkingFolder)
{
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir last;
    EXPECT_EQ(firstExistingFolder({QString(), QStringLiteral("/nonexistent/folder"), last.path()}), last.path());
    EXPECT_EQ(firstExistingFolder({QString(), QStringLiteral("/nonexistent/folder")}), QDir::homePath());

    EXPECT_EQ(snapshotDialogFolder(last.path()), last.path());
    EXPECT_EQ(copyDialogFolder(last.path()), last.path());
    EXPECT_EQ(openDialogFolder(QString(), last.path()), last.path()); // the card
    for (const QString& folder : {snapshotDialogFolder(QStringLiteral("/gone")), copyDialogFolder(QString()),
                                  openDialogFolder(QString(), QString())}) {
        EXPECT_TRUE(QFileInfo(folder).isDir()) << folder.toStdString();
        EXPECT_NE(folder, QDir::currentPath());
    }
}

TEST(SnapshotName, RecordingNameAndPosition)
{
    EXPECT_EQ(snapshotFileName("/card/Normal/alwa_20230615_071500_F.mp4", 83'450), QStringLiteral("alwa_20230615_071500_F_01m23s.png"));
    EXPECT_EQ(snapshotFileName("/card/Normal/alwa_20230615_071500_F.mp4", 0), QStringLiteral("alwa_20230615_071500_F_00m00s.png"));
    EXPECT_EQ(snapshotFileName("/c/event_20230615_071500_R.mp4", 3'723'000), QStringLiteral("event_20230615_071500_R_1h02m03s.png"));
    EXPECT_EQ(snapshotFileName("/c/clip", -5), QStringLiteral("clip_00m00s.png"));
    EXPECT_EQ(snapshotFileName("/c/.mp4", 1000), QStringLiteral(".mp4_00m01s.png"));
    EXPECT_EQ(snapshotFileName(QByteArray(), 1000), QStringLiteral("snapshot_00m01s.png"));
}

TEST(SnapshotName, TheFileInTheLargePane)
{
    const QByteArray front("/c/alwa_20230615_071500_F.mp4");
    const QByteArray rear("/c/alwa_20230615_071500_R.mp4");
    EXPECT_EQ(largePaneRecording(front, ChannelMode::Both, false), front);
    EXPECT_EQ(largePaneRecording(front, ChannelMode::Both, true), rear);
    EXPECT_EQ(largePaneRecording(rear, ChannelMode::Both, false), front); // a pair opened from its rear row
    EXPECT_EQ(largePaneRecording(rear, ChannelMode::Both, true), rear);
    EXPECT_EQ(largePaneRecording(rear, ChannelMode::RearOnly, true), rear);
    EXPECT_EQ(largePaneRecording(front, ChannelMode::FrontOnly, false), front);
    EXPECT_EQ(largePaneRecording(QByteArray(), ChannelMode::Both, false), QByteArray());
}

TEST(AppIcon, EverySizeIsCompiledInForTheWindow)
{
    const QIcon icon = applicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        // Transparent corners, the lens's dark ring at the centre.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    }
}
