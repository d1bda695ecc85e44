#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "catalogue/folder_scan.h"
#include "export/export_module.h"
#include "toolkit/text_format.h"
#include "trips/recording_durations.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <string>

namespace dravonix::cli {
namespace {

const char* const kExportHelp =
    "usage: dravonix export FOLDER --from \"YYYY-MM-DD HH:MM:SS\" --to \"YYYY-MM-DD HH:MM:SS\" OUT\n"
    "                       [--layout side|inset] [--overlay] [--no-combined] [--skip-unreadable] [--verbose]\n"
    "\n"
    "Exports a range of the camera's clock, within one trip of FOLDER (or one\n"
    "parking recording), to the new (or empty) folder OUT: the front and rear\n"
    "clips copied without re-encoding from the key frame at or before the start,\n"
    "named as the camera names its files and carrying their telemetry;\n"
    "combined.mp4 (front and rear side by side, or the rear as an inset;\n"
    "--overlay burns in the date and time, speed and position); route.gpx and\n"
    "route.kml; export.txt; and SHA256SUMS, the SHA-256 of every file written\n"
    "and read (sha256sum -c SHA256SUMS in OUT checks them).\n"
    "A missing or unreadable file of the range stops the export unless\n"
    "--skip-unreadable is given. Ctrl+C cancels, leaving nothing behind.\n";

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted.store(true); }

std::optional<CameraMs> parseMoment(const QString& text)
{
    const std::string s = text.toStdString();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (s.size() != 19
        || std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute, &second, &tail) != 6
        || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    for (const std::size_t digit : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u, 12u, 14u, 15u, 17u, 18u})
        if (s[digit] < '0' || s[digit] > '9')
            return std::nullopt;
    return cameraTime(year, month, day, hour, minute, second);
}

} // namespace

int runExport(const QStringList& args)
{
    if (args.size() == 1 && (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h"))) {
        std::fputs(kExportHelp, stdout);
        return 0;
    }
    QCommandLineParser parser;
    const QCommandLineOption fromOption(QStringLiteral("from"), QString(), QStringLiteral("time"));
    const QCommandLineOption toOption(QStringLiteral("to"), QString(), QStringLiteral("time"));
    const QCommandLineOption layoutOption(QStringLiteral("layout"), QString(), QStringLiteral("side|inset"),
                                          QStringLiteral("side"));
    const QCommandLineOption overlayOption(QStringLiteral("overlay"));
    const QCommandLineOption noCombinedOption(QStringLiteral("no-combined"));
    const QCommandLineOption skipOption(QStringLiteral("skip-unreadable"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"));
    parser.addOptions({fromOption, toOption, layoutOption, overlayOption, noCombinedOption, skipOption, verboseOption});
    if (!parseArguments(parser, args) || parser.positionalArguments().size() != 2 || !parser.isSet(fromOption)
        || !parser.isSet(toOption)) {
        std::fputs(kExportHelp, stderr);
        return 2;
    }
    const std::optional<CameraMs> from = parseMoment(parser.value(fromOption));
    const std::optional<CameraMs> to = parseMoment(parser.value(toOption));
    if (!from || !to)
        return fail(QStringLiteral("--from and --to take a time of the camera's clock as \"YYYY-MM-DD HH:MM:SS\""));
    const QString layout = parser.value(layoutOption);
    if (layout != QLatin1String("side") && layout != QLatin1String("inset"))
        return fail(QStringLiteral("unknown layout \"%1\" (side or inset)").arg(layout));

    const QString folder = parser.positionalArguments().at(0);
    auto set = scanRecordingSet(QByteArray::fromStdString(bytesFromArgument(folder)));
    if (!set)
        return fail(QStringLiteral("%1: %2").arg(folder, scanErrorText(set.error())));
    ExportOptions options;
    options.recordings = std::move(*set);
    measureRecordings(options.recordings);
    options.from = *from;
    options.to = *to;
    options.target = nativePath(parser.positionalArguments().at(1));
    options.cardFolder = nativePath(folder);
    options.combined = !parser.isSet(noCombinedOption);
    options.layout = layout == QLatin1String("inset") ? CombinedLayout::Inset : CombinedLayout::SideBySide;
    options.overlay = parser.isSet(overlayOption);
    options.skipUnreadable = parser.isSet(skipOption);

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    int lastStep = -1;
    const auto result = runIncidentExport(
        options,
        [&](const ExportProgress& p) {
            if (p.step != lastStep)
                std::fprintf(stderr, "[%d/%d] %s\n", p.step + 1, p.steps, p.text.c_str());
            lastStep = p.step;
        },
        interrupted);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (!result) {
        if (interrupted.load())
            return fail(QStringLiteral("export cancelled; nothing was left in %1").arg(parser.positionalArguments().at(1)));
        return fail(QString::fromLocal8Bit(result.error().message.c_str()));
    }
    if (parser.isSet(verboseOption)) {
        for (const ExportStepTime& t : result->stepTimes)
            std::fputs(formatText("  %-26s %8.3f s\n", t.text.c_str(), t.seconds).c_str(), stderr);
        std::fprintf(stderr, "  copied %llu bytes of the recordings\n", static_cast<unsigned long long>(result->sourceBytesCopied));
    }
    for (const std::string& skipped : result->skipped)
        std::fprintf(stderr, "dravonix: left out: %s\n", skipped.c_str());
    for (const std::string& file : result->files)
        std::printf("%s\n", (result->folder / file).c_str());
    std::fflush(stdout);
    return std::ferror(stdout) ? fail(QStringLiteral("could not write the output")) : 0;
}

} // namespace dravonix::cli
