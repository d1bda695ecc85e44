#include "app/viewer/incident_export_runner.h"

#include "catalogue/folder_scan.h"
#include "export/export_module.h"
#include "trips/recording_durations.h"
#include "trips/trip_recordings.h"

#include <QFile>

#include <system_error>

namespace dravonix {

CameraMs cameraMsOf(const QDateTime& time) { return time.toMSecsSinceEpoch(); }

QDateTime dateTimeOf(CameraMs time) { return QDateTime::fromMSecsSinceEpoch(time, Qt::UTC); }

std::filesystem::path freshExportFolder(const std::filesystem::path& parent, CameraMs start)
{
    const std::string stamp = dateTimeOf(start).toString(QStringLiteral("yyyyMMdd_HHmmss")).toStdString();
    std::error_code error;
    for (int n = 1;; ++n) {
        const std::filesystem::path candidate =
            parent / ("incident_" + stamp + (n == 1 ? std::string() : "_" + std::to_string(n)));
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
            return candidate;
    }
}

ExportRunner incidentExportRunner(const QByteArray& cardFolder)
{
    return [cardFolder](const ExportChoices& choices, const std::function<void(const ExportStep&)>& progress,
                        const std::atomic<bool>& cancel) -> ExportOutcome {
        progress({0, 1, QStringLiteral("Reading the recordings"), 0.0});
        auto set = scanRecordingSet(cardFolder);
        if (!set)
            return {false, false, {}, QStringLiteral("The recordings can't be listed: %1").arg(scanErrorText(set.error()))};
        ExportOptions options;
        options.recordings = std::move(*set);
        measureRecordings(options.recordings);
        if (cancel)
            return {false, true, {}, {}};
        options.from = cameraMsOf(choices.from);
        options.to = cameraMsOf(choices.to);
        options.cardFolder = std::filesystem::path(cardFolder.toStdString());
        options.target = freshExportFolder(std::filesystem::path(QFile::encodeName(choices.targetFolder).toStdString()),
                                           options.from);
        options.combined = choices.combined;
        options.layout = choices.sideBySide ? CombinedLayout::SideBySide : CombinedLayout::Inset;
        options.overlay = choices.overlay;
        options.skipUnreadable = choices.skipUnreadable;
        const auto result = runIncidentExport(
            options,
            [&progress](const ExportProgress& p) {
                progress({p.step, p.steps, QString::fromStdString(p.text), p.fraction});
            },
            cancel);
        if (!result) {
            if (cancel)
                return {false, true, {}, {}};
            ExportOutcome failed{false, false, {}, QString::fromLocal8Bit(result.error().message.c_str())};
            failed.unreadableFiles = isUnreadableFilesError(result.error());
            return failed;
        }
        return {true, false, QFile::decodeName(QByteArray::fromStdString(result->folder.string())), {}};
    };
}

} // namespace dravonix
