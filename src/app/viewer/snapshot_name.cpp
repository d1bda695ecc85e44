#include "app/viewer/snapshot_name.h"

#include "catalogue/recording_name.h"

#include <QFile>

namespace dravonix {
namespace {

QByteArray fileNameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

} // namespace

QByteArray largePaneRecording(const QByteArray& openedPath, ChannelMode mode, bool swapped)
{
    if (openedPath.isEmpty() || mode != ChannelMode::Both)
        return openedPath; // a single channel always plays in the large pane
    const bool openedFront = parseRecordingName(QFile::decodeName(fileNameOf(openedPath))).isFront;
    const bool wantFront = !swapped;
    return openedFront == wantFront ? openedPath : partnerPath(openedPath, openedFront);
}

QString snapshotFileName(const QByteArray& recordingPath, std::int64_t positionMs)
{
    QString base = QFile::decodeName(fileNameOf(recordingPath));
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    if (base.isEmpty())
        base = QStringLiteral("snapshot");
    const std::int64_t seconds = std::max<std::int64_t>(positionMs, 0) / 1000;
    const std::int64_t hours = seconds / 3600;
    QString position = QString::asprintf("%02lldm%02llds", static_cast<long long>(seconds / 60 % 60),
                                         static_cast<long long>(seconds % 60));
    if (hours > 0)
        position.prepend(QString::number(hours) + QLatin1Char('h'));
    return base + QLatin1Char('_') + position + QStringLiteral(".png");
}

} // namespace dravonix
