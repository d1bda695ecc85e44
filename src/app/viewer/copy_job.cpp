#include "app/viewer/copy_job.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravonix {
namespace {

QByteArray fileNameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

QString shown(const QByteArray& path) { return QFile::decodeName(path); }

QString systemError(const QByteArray& path)
{
    return QStringLiteral("%1: %2").arg(shown(path), QString::fromLocal8Bit(std::strerror(errno)));
}

// The size of a regular file, or -1 for anything else (a FIFO would block the copy for good).
qint64 regularFileSize(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<qint64>(st.st_size);
}

} // namespace

QByteArray CopyJob::targetFor(const QByteArray& source, const QString& folder)
{
    QByteArray target = QFile::encodeName(folder);
    if (!target.endsWith('/'))
        target += '/';
    return target + fileNameOf(source);
}

QList<QByteArray> CopyJob::existingTargets(const QList<QByteArray>& sources, const QString& folder)
{
    QList<QByteArray> existing;
    for (const QByteArray& source : sources) {
        const QByteArray target = targetFor(source, folder);
        if (::access(target.constData(), F_OK) == 0)
            existing << target;
    }
    return existing;
}

void CopyJob::run()
{
    qint64 total = 0;
    for (const QByteArray& source : sources_)
        total += std::max<qint64>(regularFileSize(source), 0);
    qint64 done = 0;
    int copied = 0;
    for (const QByteArray& source : sources_) {
        if (cancelled_)
            break;
        QString error;
        if (!copyOne(source, targetFor(source, folder_), total, done, error)) {
            emit finished(copied, error);
            return;
        }
        if (!cancelled_)
            ++copied;
    }
    emit finished(copied, QString());
}

bool CopyJob::copyOne(const QByteArray& source, const QByteArray& target, qint64 total, qint64& done, QString& error)
{
    // Opened without waiting (a FIFO would block here), then checked to be a regular file.
    const int inHandle = ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (inHandle < 0) {
        error = systemError(source);
        return false;
    }
    QFile in;
    in.open(inHandle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st {};
    if (::fstat(inHandle, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = QStringLiteral("%1: not a regular file").arg(shown(source));
        return false;
    }
    const QByteArray partial = target.left(target.lastIndexOf('/') + 1) + '.' + fileNameOf(target) + ".partial";
    const int outHandle = ::open(partial.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (outHandle < 0) {
        error = systemError(target);
        return false;
    }
    QFile out;
    out.open(outHandle, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
    const auto discard = [&] {
        out.close();
        ::unlink(partial.constData());
    };
    const QString name = shown(fileNameOf(source));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (cancelled_) {
            discard();
            return true;
        }
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0 || out.write(buffer.constData(), n) != n) {
            error = QStringLiteral("%1: %2").arg(shown(n < 0 ? source : target), n < 0 ? in.errorString() : out.errorString());
            discard();
            return false;
        }
        done += n;
        emit progress(total > 0 ? static_cast<int>(std::min<qint64>(done * 100 / total, 100)) : 100, name);
    }
    if (!out.flush()) {
        error = QStringLiteral("%1: %2").arg(shown(target), out.errorString());
        discard();
        return false;
    }
    if (::fsync(outHandle) != 0) { // on the medium before it takes the real name
        error = systemError(target);
        discard();
        return false;
    }
    out.close();
    // rename() replaces an existing target (the user agreed to that) in one step.
    if (::rename(partial.constData(), target.constData()) != 0) {
        error = QStringLiteral("cannot replace %1: %2").arg(shown(target), QString::fromLocal8Bit(std::strerror(errno)));
        ::unlink(partial.constData());
        return false;
    }
    return true;
}

} // namespace dravonix
