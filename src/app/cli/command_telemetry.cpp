#include "app/cli/commands.h"
#include "app/cli/native_path.h"
#include "catalogue/folder_scan.h"
#include "telemetry/telemetry_export.h"
#include "telemetry/track_reader.h"
#include "trips/trip_recordings.h"

#include <QByteArray>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace dravonix::cli {
namespace {

struct Input {
    std::filesystem::path path;
    QString shown;
};

// Files as given; a folder stands for its recordings in time order (the
// front file of each, the rear one where there is no front).
bool expandInputs(const QStringList& arguments, std::vector<Input>& inputs, int& status)
{
    for (const QString& argument : arguments) {
        std::error_code error;
        if (!std::filesystem::is_directory(nativePath(argument), error)) {
            inputs.push_back({nativePath(argument), argument});
            continue;
        }
        const auto set = scanRecordingSet(QByteArray::fromStdString(bytesFromArgument(argument)));
        if (!set) {
            status = fail(QStringLiteral("%1: %2").arg(argument, scanErrorText(set.error())));
            return false;
        }
        if (set->recordings.empty()) {
            status = fail(QStringLiteral("%1: no recordings named by the camera").arg(argument));
            return false;
        }
        for (const TripRecording& r : set->recordings)
            inputs.push_back({r.mainPath(), argumentFromBytes(r.mainPath())});
    }
    return true;
}

std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

// Several tracks as one CSV: the header once, each row led by its file.
void writeCsvOfMany(const std::vector<TelemetryTrack>& tracks, const std::vector<Input>& inputs, std::ostream& out)
{
    bool headerDone = false;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        std::ostringstream one;
        writeTelemetryCsv(tracks[t], one);
        std::istringstream lines(one.str());
        std::string line;
        std::getline(lines, line);
        if (!headerDone)
            out << "file," << line << '\n';
        headerDone = true;
        const std::string file = csvField(bytesFromArgument(inputs[t].shown));
        while (std::getline(lines, line))
            out << file << ',' << line << '\n';
    }
}

} // namespace

int runTelemetry(const QStringList& args)
{
    QCommandLineParser parser;
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(), QStringLiteral("csv|gpx|kml"),
                                          QStringLiteral("csv"));
    const QCommandLineOption validOnlyOption(QStringLiteral("valid-only"));
    parser.addOption(formatOption);
    parser.addOption(validOnlyOption);
    const QString usage = QStringLiteral("usage: dravonix telemetry FILE|FOLDER... [--format csv|gpx|kml] [--valid-only]");
    if (!parseArguments(parser, args) || parser.positionalArguments().isEmpty())
        return fail(usage);
    const QString format = parser.value(formatOption); // the last one given
    if (format != QLatin1String("csv") && format != QLatin1String("gpx") && format != QLatin1String("kml"))
        return fail(QStringLiteral("unknown format \"%1\" (csv, gpx or kml)").arg(format));

    int status = 0;
    std::vector<Input> inputs;
    if (!expandInputs(parser.positionalArguments(), inputs, status))
        return status;

    // Every readable track is written; one that can't be read is named and
    // makes the exit status a failure, without hiding the others.
    std::vector<TelemetryTrack> tracks;
    std::vector<Input> read;
    for (const Input& input : inputs) {
        TelemetryTrack track;
        const TrackReadResult result = readTelemetryTrack(input.path, track);
        if (!result.ok()) {
            status = fail(QStringLiteral("%1: %2").arg(input.shown, QString::fromStdString(result.reason)));
            continue;
        }
        tracks.push_back(std::move(track));
        read.push_back(input);
    }
    if (tracks.empty())
        return status;

    std::vector<const TelemetryTrack*> segments;
    for (const TelemetryTrack& t : tracks)
        segments.push_back(&t);
    const RouteOptions options{parser.isSet(validOnlyOption)};
    const std::string name = read.size() == 1 ? read.front().path.filename().string() : std::string("Dravonix route");
    if (format == QLatin1String("gpx"))
        writeRouteGpx(segments, name, options, std::cout);
    else if (format == QLatin1String("kml"))
        writeRouteKml(segments, name, options, std::cout);
    else if (tracks.size() == 1)
        writeTelemetryCsv(tracks.front(), std::cout);
    else
        writeCsvOfMany(tracks, read, std::cout);
    std::cout.flush();
    return std::cout ? status : fail(QStringLiteral("could not write the output"));
}

} // namespace dravonix::cli
