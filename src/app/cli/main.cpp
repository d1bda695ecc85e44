#include "app/cli/commands.h"
#include "app/cli/native_path.h"

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
    "  telemetry FILE [--format csv|gpx]    the telemetry track of a recording\n"
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
    "                                       format a removable device or an image file FAT32\n";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << dravonix::cli::argumentFromBytes(argv[i]);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
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
    };
    const QString name = args.takeFirst();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        std::fputs(kUsage, stderr);
        return dravonix::cli::fail(QStringLiteral("unknown command \"%1\"").arg(name));
    }
    // A command reports its own failures; this only keeps an unforeseen one
    // from ending the process with an abort.
    try {
        return command->second(args);
    } catch (const std::exception& unforeseen) {
        return dravonix::cli::fail(QStringLiteral("%1 failed: %2").arg(name, QString::fromLocal8Bit(unforeseen.what())));
    }
}
