#include "app/viewer/instance_handover.h"

#include "app/viewer/viewer_log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cctype>

namespace dravonix {
namespace {

constexpr char kOpen[] = "dravonix-viewer open ";
constexpr char kFront[] = "dravonix-viewer front";
constexpr char kTaken[] = "taken\n";
// A path of 4096 bytes as hex, with room to spare; anything longer is not ours.
constexpr qsizetype kLongestMessage = 16384;

} // namespace

QByteArray handoverMessage(const std::optional<QByteArray>& folder)
{
    if (!folder || folder->isEmpty())
        return QByteArray(kFront) + '\n';
    return QByteArray(kOpen) + folder->toHex() + '\n';
}

std::optional<QByteArray> folderFromHandover(const QByteArray& message)
{
    if (!message.endsWith('\n') || message.count('\n') != 1)
        return std::nullopt;
    const QByteArray line = message.chopped(1);
    if (line == kFront)
        return QByteArray();
    if (!line.startsWith(kOpen))
        return std::nullopt;
    const QByteArray hex = line.mid(qsizetype(sizeof kOpen) - 1);
    if (hex.isEmpty() || hex.size() % 2 != 0
        || !std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }))
        return std::nullopt;
    const QByteArray folder = QByteArray::fromHex(hex);
    // Only a whole absolute path is opened: a relative one would be read
    // against the running copy's folder, a NUL would cut it short.
    if (!folder.startsWith('/') || folder.contains('\0'))
        return std::nullopt;
    return folder;
}

QByteArray absoluteFolder(const QByteArray& folder)
{
    if (folder.isEmpty() || folder.startsWith('/'))
        return folder;
    return QFile::encodeName(QDir::currentPath()) + '/' + folder;
}

InstanceHandover::InstanceHandover(const QString& runtimeFolder, QObject* parent)
    : QObject(parent), folder_(runtimeFolder), lock_(QDir(runtimeFolder).filePath(QStringLiteral("dravonix-viewer.lock")))
{
    // A lock whose process is gone is taken over at once, however young.
    lock_.setStaleLockTime(0);
}

InstanceHandover::~InstanceHandover()
{
    if (server_ != nullptr)
        server_->close(); // removes the socket file before the lock goes
}

QString InstanceHandover::lockPath() const { return QDir(folder_).filePath(QStringLiteral("dravonix-viewer.lock")); }
QString InstanceHandover::socketPath() const { return QDir(folder_).filePath(QStringLiteral("dravonix-viewer.socket")); }

bool InstanceHandover::becomePrimary()
{
    if (!lock_.tryLock(0))
        return false;
    // Holding the lock, any socket file left is a dead copy's.
    QLocalServer::removeServer(socketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath()))
        qCWarning(viewerLog, "a second start can't hand its folder over: %s", qUtf8Printable(server_->errorString()));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
            // A peer that says nothing is not waited on for long.
            QTimer::singleShot(3000, socket, [socket] { socket->abort(); });
        }
    });
    return true;
}

void InstanceHandover::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestMessage)
            socket->abort();
        return;
    }
    const auto folder = folderFromHandover(socket->readLine(kLongestMessage + 1));
    if (!folder) {
        socket->abort();
        return;
    }
    socket->write(kTaken);
    socket->flush();
    socket->disconnectFromServer();
    emit handedOver(*folder);
}

bool InstanceHandover::handOver(const QByteArray& folder, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray message = handoverMessage(folder.isEmpty() ? std::nullopt : std::optional(absoluteFolder(folder)));
    // The running copy takes its lock a moment before it listens: try again
    // until the deadline.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 1000)))) {
            socket.write(message);
            if (socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
                QByteArray answer;
                while (!answer.contains('\n') && socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
                    answer += socket.readAll();
                if (answer == kTaken)
                    return true;
            }
            return false;
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace dravonix
