#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "route/driving_route.h"
#include "toolkit/input_file.h"


#include <iostream>

namespace dravonix::cli {

int runRoute(const QStringList& args)
{
    QCommandLineParser parser;
    const QCommandLineOption csvOption(QStringLiteral("csv"), QString(), QStringLiteral("OUT"));
    parser.addOption(csvOption);
    if (!parseArguments(parser, args) || parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("usage: dravonix route FILE [--csv OUT]"));
    const QString file = parser.positionalArguments().front();
    const QString csv = parser.value(csvOption); // the last one given
    const auto route = loadDrivingRouteFile(nativePath(file));
    if (!route)
        return fail(QStringLiteral("%1: %2").arg(file, QString::fromStdString(route.error())));
    if (route->records.size() < route->announcedCount())
        std::fprintf(stderr, "dravonix: %s: the header announces %u records, the file holds %zu\n",
                     qUtf8Printable(file), route->announcedCount(), route->records.size());
    // A file of titles alone would pass for an export of the log.
    if (route->records.empty())
        return fail(QStringLiteral("%1: %2; nothing written").arg(file, QString::fromLatin1(kNoRouteRecords)));
    if (csv.isEmpty()) {
        writeRouteCsv(route->records, std::cout);
        std::cout.flush();
        return std::cout ? 0 : fail(QStringLiteral("could not write the output"));
    }
    // Writing over the log being read would lose it.
    const auto input = fileIdentity(nativePath(file));
    const auto output = fileIdentity(nativePath(csv));
    if (input && output && *input == *output)
        return fail(QStringLiteral("%1: the CSV would replace the route file it is made from").arg(csv));
    const WriteOutcome outcome = exportRouteCsv(route->records, nativePath(csv));
    return outcome.ok ? 0 : fail(QString::fromStdString(outcome.message));
}

} // namespace dravonix::cli
