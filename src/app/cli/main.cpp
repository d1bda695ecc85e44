#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "toolkit/product.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <functional>
#include <map>

namespace {

const char* const kUsage =
    "usage: dravonix COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  list FOLDER                          recordings of a card or folder, in list order\n"
    "  trips FOLDER [--limit KMH]           the drives on a card: start, end, length, recordings,\n"
    "                                       distance, top speed, events\n"
    "  events FOLDER [--limit KMH]          Event recordings, impacts and (with a limit) overspeed\n"
    "  clock FOLDER                         the camera's clock minus GPS time, in seconds\n"
    "  telemetry FILE|FOLDER... [--format csv|gpx|kml] [--valid-only]\n"
    "                                       the telemetry tracks of recordings (a folder: each of its\n"
    "                                       recordings); GPX and KML have a segment per recording\n"
    "  export FOLDER --from TIME --to TIME OUT [--layout side|inset] [--overlay] [--no-combined]\n"
    "                                       a range of a trip: clips, combined.mp4, route.gpx/.kml,\n"
    "                                       SHA256SUMS (TIME: \"YYYY-MM-DD HH:MM:SS\"; export --help)\n"
    "  card                                 removable drives and which one is the camera's card\n"
    "  config show FILE                     every field of a config.bin and its checksum\n"
    "  config defaults OUT                  write a config.bin of default values\n"
    "  config set FILE NAME=VALUE...        change fields to what a settings page could store, checked\n"
    "                                       as the settings' Save does (fields no page edits: raw\n"
    "                                       numbers; config --help lists every field's values)\n"
    "  timeset [--at \"YYYY-MM-DD HH:MM:SS\"] [FILE]\n"
    "                                       write the camera's clock file (to the card's own by default)\n"
    "  route FILE [--csv OUT]               the driving-route log as CSV\n"
    "  format TARGET [--label TEXT] [--cluster 16K|64K] [--sector-size 512|4096] [--yes] [--verbose]\n"
    "                                       format a removable device or an image file FAT32\n"
    "\n"
    "options:\n"
    "  -h, --help                           this text\n"
    "  -v, --version                        the program's version\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dravonix"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(dravonix::product::kVersion));
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << dravonix::cli::argumentFromBytes(argv[i]);

    // Options before the command are the program's own; everything from the
    // command on belongs to the command.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QString());
    if (!dravonix::cli::parseArguments(parser, args)) {
        std::fputs(kUsage, stderr);
        return dravonix::cli::fail(QStringLiteral("unknown command \"%1\"").arg(args.value(0)));
    }
    if (parser.isSet(version)) {
        std::printf("dravonix %s\n", dravonix::product::kVersion);
        return 0;
    }
    QStringList commandArgs = parser.positionalArguments();
    if (commandArgs.isEmpty() || parser.isSet(help)) {
        std::fputs(kUsage, commandArgs.isEmpty() && !parser.isSet(help) ? stderr : stdout);
        return parser.isSet(help) ? 0 : 2;
    }
    const std::map<QString, std::function<int(const QStringList&)>> commands{
        {QStringLiteral("list"), dravonix::cli::runList},
        {QStringLiteral("telemetry"), dravonix::cli::runTelemetry},
        {QStringLiteral("card"), dravonix::cli::runCard},
        {QStringLiteral("config"), dravonix::cli::runConfig},
        {QStringLiteral("timeset"), dravonix::cli::runTimeset},
        {QStringLiteral("route"), dravonix::cli::runRoute},
        {QStringLiteral("format"), dravonix::cli::runFormat},
        {QStringLiteral("trips"), dravonix::cli::runTrips},
        {QStringLiteral("events"), dravonix::cli::runEvents},
        {QStringLiteral("clock"), dravonix::cli::runClock},
        {QStringLiteral("export"), dravonix::cli::runExport},
    };
    const QString name = commandArgs.takeFirst();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        std::fputs(kUsage, stderr);
        return dravonix::cli::fail(QStringLiteral("unknown command \"%1\"").arg(name));
    }
    // A command reports its own failures; this only keeps an unforeseen one
    // from ending the process with an abort.
    int status = 1;
    try {
        status = command->second(commandArgs);
    } catch (const std::exception& unforeseen) {
        return dravonix::cli::fail(QStringLiteral("%1 failed: %2").arg(name, QString::fromLocal8Bit(unforeseen.what())));
    }
    // Standard output meets a full disk only when its buffer goes: output
    // that was lost is a failure, whatever the command concluded.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout) != 0) && status == 0)
        return dravonix::cli::fail(QStringLiteral("could not write the output"));
    return status;
}
