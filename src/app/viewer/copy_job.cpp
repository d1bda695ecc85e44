#include "app/viewer/copy_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace dravonix {

QStringList CopyJob::existingTargets(const QStringList& sources, const QString& folder)
{
    QStringList existing;
    for (const QString& source : sources) {
        const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
        if (QFileInfo::exists(target))
            existing << target;
    }
    return existing;
}

void CopyJob::run()
{
    qint64 total = 0;
    for (const QString& source : sources_)
        total += QFileInfo(source).size();
    qint64 done = 0;
    int copied = 0;
    for (const QString& source : sources_) {
        if (cancelled_)
            break;
        const QString target = QDir(folder_).filePath(QFileInfo(source).fileName());
        QString error;
        if (!copyOne(source, target, total, done, error)) {
            emit finished(copied, error);
            return;
        }
        if (!cancelled_)
            ++copied;
    }
    emit finished(copied, QString());
}

bool CopyJob::copyOne(const QString& source, const QString& target, qint64 total, qint64& done, QString& error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(source, in.errorString());
        return false;
    }
    const QString partial = QFileInfo(target).dir().filePath(QStringLiteral(".") + QFileInfo(target).fileName() + QStringLiteral(".partial"));
    QFile out(partial);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error = QStringLiteral("%1: %2").arg(target, out.errorString());
        return false;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    while (!in.atEnd()) {
        if (cancelled_) {
            out.close();
            out.remove();
            return true;
        }
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0 || out.write(buffer.constData(), n) != n) {
            error = QStringLiteral("%1: %2").arg(target, n < 0 ? in.errorString() : out.errorString());
            out.close();
            out.remove();
            return false;
        }
        done += n;
        emit progress(total > 0 ? static_cast<int>(done * 100 / total) : 100, QFileInfo(source).fileName());
    }
    if (!out.flush()) {
        error = QStringLiteral("%1: %2").arg(target, out.errorString());
        out.close();
        out.remove();
        return false;
    }
#ifdef Q_OS_UNIX
    ::fsync(out.handle()); // on the medium before it takes the real name
#endif
    out.close();
    QFile::remove(target); // the user agreed to replace it
    if (!QFile::rename(partial, target)) {
        error = QStringLiteral("cannot replace %1").arg(target);
        QFile::remove(partial);
        return false;
    }
    return true;
}

} // namespace dravonix
