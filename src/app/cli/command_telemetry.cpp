#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/track_reader.h"


#include <iostream>

namespace dravonix::cli {

int runTelemetry(const QStringList& args)
{
    QCommandLineParser parser;
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(), QStringLiteral("csv|gpx"), QStringLiteral("csv"));
    parser.addOption(formatOption);
    if (!parseArguments(parser, args) || parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("usage: dravonix telemetry FILE [--format csv|gpx]"));
    const QString file = parser.positionalArguments().front();
    const QString format = parser.value(formatOption); // the last one given
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
