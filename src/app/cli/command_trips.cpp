#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "catalogue/folder_scan.h"
#include "catalogue/list_escape.h"
#include "toolkit/c_numbers.h"
#include "toolkit/text_format.h"
#include "trips/card_trips.h"
#include "trips/recording_durations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace dravonix::cli {
namespace {

const char* const kTripsHelp =
    "usage: dravonix trips FOLDER [--limit KMH]\n"
    "\n"
    "One line per trip, in time order, tab-separated: start and end (the camera's\n"
    "clock, yyyy-MM-ddTHH:mm:ss), length in seconds (gaps between recordings left\n"
    "out), number of recordings, distance in km, top speed in km/h (empty without\n"
    "a GPS fix), number of events (with --limit, overspeed ones counted too).\n";

const char* const kEventsHelp =
    "usage: dravonix events FOLDER [--limit KMH]\n"
    "\n"
    "One line per event of every trip, in time order, tab-separated: time\n"
    "(yyyy-MM-ddTHH:mm:ss), kind (event-file, impact or overspeed), the recording's\n"
    "front path (rear when alone, escaped as by list), the offset in it in seconds,\n"
    "and the value: the impact's peak in g away from the recording's median, or\n"
    "the speed in km/h; empty for an Event recording's start. An Event recording\n"
    "whose length can't be read (cut off when the power went) is still listed.\n";

const char* const kClockHelp =
    "usage: dravonix clock FOLDER\n"
    "\n"
    "The camera's clock against GPS time, tab-separated: the offset in seconds\n"
    "(camera minus GPS, GPS time taken in the card's time zone and summer time\n"
    "from its config.bin, +09:00 without one) and the number of fixes measured.\n";

struct Arguments {
    QString folder;
    std::optional<double> limitKmh;
};

// FOLDER [--limit KMH]; none after printing the usage.
std::optional<Arguments> parseArguments(const QStringList& args, const char* help, bool takesLimit, int& status)
{
    if (args.size() == 1 && (args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h"))) {
        std::fputs(help, stdout);
        status = 0;
        return std::nullopt;
    }
    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (takesLimit && args[i] == QLatin1String("--limit") && i + 1 < args.size()) {
            const std::string text = args[++i].toStdString();
            const double limit = cAtof(text);
            if (text.empty() || !std::isfinite(limit) || limit < 0 || limit > 1000
                || text.find_first_not_of("0123456789.") != std::string::npos
                || std::count(text.begin(), text.end(), '.') > 1 || text.front() == '.' || text.back() == '.') {
                status = fail(QStringLiteral("--limit takes a speed in km/h from 0 to 1000, not \"%1\"")
                                  .arg(QString::fromStdString(text)));
                return std::nullopt;
            }
            parsed.limitKmh = limit;
        } else if (parsed.folder.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            parsed.folder = args[i];
        } else {
            parsed.folder.clear();
            break;
        }
    }
    if (parsed.folder.isEmpty()) {
        std::fputs(help, stderr);
        status = 2;
        return std::nullopt;
    }
    return parsed;
}

// The card is kept until the process ends, as the list's rows are: handing
// its tens of thousands of paths back one by one only delays the exit.
const CardTrips* analyseFolder(const Arguments& args, bool keepTelemetry, int& status)
{
    auto set = scanRecordingSet(QByteArray::fromStdString(bytesFromArgument(args.folder)));
    if (!set) {
        status = fail(QStringLiteral("%1: %2").arg(args.folder, scanErrorText(set.error())));
        return nullptr;
    }
    static CardTrips* keptUntilExit = nullptr;
    keptUntilExit = new CardTrips(analyseRecordings(std::move(*set), findCardConfig(nativePath(args.folder)),
                                                    TripOptions{args.limitKmh, keepTelemetry}));
    const CardTrips& card = *keptUntilExit;
    if (card.unmeasured > 0)
        std::fprintf(stderr, "dravonix: %d recording(s) without a readable duration are in no trip\n", card.unmeasured);
    if (card.set.duplicates > 0)
        std::fprintf(stderr, "dravonix: %d file(s) named like a recording already taken were left out (the one in the camera's own folder is used)\n", card.set.duplicates);
    return &card;
}

int finish(const QByteArray& out)
{
    std::fwrite(out.constData(), 1, static_cast<std::size_t>(out.size()), stdout);
    std::fflush(stdout);
    return std::ferror(stdout) ? fail(QStringLiteral("could not write the output")) : 0;
}

} // namespace

int runTrips(const QStringList& args)
{
    int status = 0;
    const std::optional<Arguments> parsed = parseArguments(args, kTripsHelp, true, status);
    if (!parsed)
        return status;
    const CardTrips* const card = analyseFolder(*parsed, false, status);
    if (!card)
        return status;
    QByteArray out;
    for (const TripSummary& t : card->trips) {
        const std::string top = t.topSpeedKmh ? std::to_string(*t.topSpeedKmh) : std::string();
        out += formatText("%s\t%s\t%lld\t%zu\t%.1f\t%s\t%zu\n", formatCameraTime(t.trip.start).c_str(),
                          formatCameraTime(t.trip.end).c_str(),
                          static_cast<long long>((t.timeline.lengthMs() + 500) / 1000), t.trip.recordings.size(),
                          t.distanceKm, top.c_str(), t.events.size())
                   .c_str();
    }
    return finish(out);
}

int runEvents(const QStringList& args)
{
    int status = 0;
    const std::optional<Arguments> parsed = parseArguments(args, kEventsHelp, true, status);
    if (!parsed)
        return status;
    const CardTrips* const card = analyseFolder(*parsed, false, status);
    if (!card)
        return status;
    std::vector<TripEvent> events = card->eventsOutsideTrips;
    for (const TripSummary& t : card->trips)
        events.insert(events.end(), t.events.begin(), t.events.end());
    std::stable_sort(events.begin(), events.end(),
                     [](const TripEvent& a, const TripEvent& b) { return a.time < b.time; });
    QByteArray out;
    for (const TripEvent& e : events) {
        out += formatCameraTime(e.time).c_str();
        out += '\t';
        out += tripEventKindName(e.kind);
        out += '\t';
        out += escapeListText(QByteArray::fromStdString(card->set.recordings[e.recording].mainPath()));
        std::string value;
        if (e.kind == TripEventKind::Impact)
            value = formatText("%.2f", e.value);
        else if (e.kind == TripEventKind::Overspeed)
            value = formatText("%.0f", e.value);
        out += formatText("\t%.1f\t%s\n", static_cast<double>(e.offsetMs) / 1000.0, value.c_str()).c_str();
    }
    return finish(out);
}

int runClock(const QStringList& args)
{
    int status = 0;
    const std::optional<Arguments> parsed = parseArguments(args, kClockHelp, false, status);
    if (!parsed)
        return status;
    const CardTrips* const card = analyseFolder(*parsed, true, status);
    if (!card)
        return status;
    std::vector<TripSample> samples;
    for (const TripSummary& t : card->trips)
        samples.insert(samples.end(), t.telemetry.samples.begin(), t.telemetry.samples.end());
    const std::optional<ClockOffset> offset = measureClockOffset(samples, cardZoneMinutes(card->configPath));
    if (!offset)
        return fail(QStringLiteral("%1: no GPS fix with a date and time in any trip").arg(parsed->folder));
    return finish(QByteArray::fromStdString(formatText("%+.1f\t%d\n", offset->seconds, offset->fixes)));
}

} // namespace dravonix::cli
