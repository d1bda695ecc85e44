#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/track_reader.h"


#include <iostream>

namespace dravonix::cli {

int runTelemetry(const QStringList& args)
{
    QString file;
    QString format = QStringLiteral("csv");
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--format") && i + 1 < args.size())
            format = args[++i];
        else if (args[i].startsWith(QLatin1String("--format=")))
            format = args[i].mid(9);
        else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            file = args[i];
        else
            return fail(QStringLiteral("usage: dravonix telemetry FILE [--format csv|gpx]"));
    }
    if (file.isEmpty())
        return fail(QStringLiteral("usage: dravonix telemetry FILE [--format csv|gpx]"));
    if (format != QLatin1String("csv") && format != QLatin1String("gpx"))
        return fail(QStringLiteral("unknown format \"%1\" (csv or gpx)").arg(format));

    TelemetryTrack track;
    const TrackReadResult result = readTelemetryTrack(nativePath(file), track);
    if (!result.ok())
        return fail(QStringLiteral("%1: %2").arg(file, QString::fromStdString(result.reason)));
    if (format == QLatin1String("gpx"))
        writeTelemetryGpx(track, nativePath(file).filename().string(), std::cout);
    else
        writeTelemetryCsv(track, std::cout);
    std::cout.flush();
    return std::cout ? 0 : fail(QStringLiteral("could not write the output"));
}

} // namespace dravonix::cli
