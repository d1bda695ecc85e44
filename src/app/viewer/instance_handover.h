#pragma once
// One viewer per user: the first start takes a lock file in the user's
// runtime folder and listens on a local socket beside it. A later start
// finds the lock taken, sends its folder (or nothing, to bring the running
// viewer to the front) over the socket and ends. A lock left by a copy that
// died is taken over, and so is its socket file.

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace dravonix {

// What travels over the socket: one line naming the folder as hex bytes, or
// one line asking only to come to the front.
QByteArray handoverMessage(const std::optional<QByteArray>& folder);
// nullopt for a message that is not one of ours; an empty folder when only
// the front is asked for.
std::optional<QByteArray> folderFromHandover(const QByteArray& message);

// A folder as the running copy must see it: relative names are the sender's.
QByteArray absoluteFolder(const QByteArray& folder);

class InstanceHandover : public QObject {
    Q_OBJECT
public:
    // The lock and the socket live in `runtimeFolder`.
    explicit InstanceHandover(const QString& runtimeFolder, QObject* parent = nullptr);
    ~InstanceHandover() override;

    // True when this process is the viewer that runs: the lock is taken and
    // the socket listens.
    bool becomePrimary();
    // For a later start: hands the folder over (an empty one brings the
    // running viewer to the front) and waits up to `timeoutMs` for it to
    // be taken. False when nobody answered in that time.
    bool handOver(const QByteArray& folder, int timeoutMs = 5000);

    QString lockPath() const;
    QString socketPath() const;

signals:
    // From a later start; an empty folder asks only to come to the front.
    void handedOver(const QByteArray& folder);

private:
    void readRequest(QLocalSocket* socket);

    QString folder_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace dravonix
