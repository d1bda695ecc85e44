#include "telemetry/telemetry_export.h"
#include "toolkit/utf8.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace dravonix {
namespace {

std::string shortest(double value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

std::string fixed6(double value)
{
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    return std::string(buffer.data(), result.ptr);
}

// Single characters from the camera's text: printable ones as they are,
// anything that would break a CSV line as its code.
std::string characterField(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u > 0x20 && u < 0x7f && c != ',' && c != '"')
        return std::string(1, c);
    std::array<char, 8> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "0x%02X", u);
    return buffer.data();
}

// Text for an XML document: markup characters escaped, and what XML may not
// hold at all (control characters other than tab and line ends, bytes that
// are not UTF-8) written as U+FFFD.
std::string xmlEscaped(std::string_view text)
{
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8SequenceLength(text, at);
        const char c = text[at];
        const bool control = length == 1 && static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
        const bool nonCharacter = length == 3 && (text.substr(at, 3) == "\xEF\xBF\xBE" || text.substr(at, 3) == "\xEF\xBF\xBF");
        if (length == 0 || control || nonCharacter) {
            out += kReplacement;
            at += std::max<std::size_t>(length, 1);
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

} // namespace

std::string formatUtc(const CalendarTime& utc)
{
    if (utc.isZero())
        return {};
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", unsigned{utc.year},
                  unsigned{utc.month}, unsigned{utc.day}, unsigned{utc.hour}, unsigned{utc.minute},
                  unsigned{utc.second}, unsigned{utc.millisecond});
    return buffer.data();
}

void writeTelemetryCsv(const TelemetryTrack& track, std::ostream& out)
{
    out << "index,accel_x,accel_y,accel_z,unit,valid,utc,latitude_raw,latitude_hemisphere,longitude_raw,"
           "longitude_hemisphere,latitude,longitude,speed_knots,speed_kmh,speed_mph,course,satellites,hdop\n";
    const auto& samples = track.samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const TelemetrySample& s = samples[i];
        const GpsFix& f = track.fixes()[i];
        out << i << ',' << shortest(s.accelX) << ',' << shortest(s.accelY) << ',' << shortest(s.accelZ) << ','
            << characterField(s.speedUnitMarker) << ',' << (f.valid ? 1 : 0) << ',' << formatUtc(f.utc) << ','
            << shortest(f.latitudeRaw) << ',' << characterField(f.latitudeHemisphere) << ','
            << shortest(f.longitudeRaw) << ',' << characterField(f.longitudeHemisphere) << ','
            << (f.latitudeRaw != 0.0 ? fixed6(nmeaToDegrees(f.latitudeRaw, f.latitudeHemisphere)) : "") << ','
            << (f.longitudeRaw != 0.0 ? fixed6(nmeaToDegrees(f.longitudeRaw, f.longitudeHemisphere)) : "") << ','
            << shortest(f.speedKnots) << ',' << truncatedSpeed(knotsToKmh(f.speedKnots)) << ','
            << truncatedSpeed(knotsToMph(f.speedKnots)) << ',' << shortest(f.courseDegrees) << ','
            << f.satellitesInUse << ',' << shortest(f.hdop) << '\n';
    }
}

std::optional<CalendarTime> sampleUtc(const TelemetrySample& sample)
{
    std::optional<CalendarTime> found;
    forEachSentence(std::span<const char>(sample.nmeaText), [&](std::string_view sentence) {
        if (const std::optional<CalendarTime> time = rmcDateTime(sentence))
            found = time;
    });
    return found;
}

int speedBand(double kmh)
{
    if (!(kmh > 0.0))
        return 0;
    return std::min(kSpeedBands - 1, static_cast<int>(kmh / kSpeedBandKmh));
}

namespace {

// The samples a route shows: placed, and valid unless the options let
// invalid ones through (to be marked).
template <typename OnPoint>
void forEachRoutePoint(const TelemetryTrack& track, const RouteOptions& options, OnPoint&& onPoint)
{
    for (std::size_t i = 0; i < track.sampleCount(); ++i) {
        const GpsFix& f = track.fixes()[i];
        if (!f.hasPosition() || (options.validOnly && !f.valid))
            continue;
        onPoint(track.samples()[i], f);
    }
}

std::string kmlCoordinates(const GpsFix& f)
{
    return fixed6(nmeaToDegrees(f.longitudeRaw, f.longitudeHemisphere)) + ','
           + fixed6(nmeaToDegrees(f.latitudeRaw, f.latitudeHemisphere)) + ",0";
}

double kmhOf(const GpsFix& f) { return f.speedKnots * 1.852; }

// aabbggrr, from blue (slow) through green and yellow to red and purple.
constexpr std::array<const char*, kSpeedBands> kBandColours{"ffff7f00", "ffffbf00", "ff00c000", "ff00e0e0",
                                                            "ff0090ff", "ff0000ff", "ffc000c0"};

std::string bandName(int band)
{
    if (band == kSpeedBands - 1)
        return std::to_string(band * kSpeedBandKmh) + " km/h and above";
    return std::to_string(band * kSpeedBandKmh) + " to " + std::to_string((band + 1) * kSpeedBandKmh) + " km/h";
}

} // namespace

void writeRouteGpx(const std::vector<const TelemetryTrack*>& segments, std::string_view trackName,
                   const RouteOptions& options, std::ostream& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Dravonix\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
           "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
           "  <trk>\n    <name>"
        << xmlEscaped(trackName) << "</name>\n";
    constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
    for (const TelemetryTrack* track : segments) {
        out << "    <trkseg>\n";
        forEachRoutePoint(*track, options, [&](const TelemetrySample& s, const GpsFix& f) {
            out << "      <trkpt lat=\"" << fixed6(nmeaToDegrees(f.latitudeRaw, f.latitudeHemisphere)) << "\" lon=\""
                << fixed6(nmeaToDegrees(f.longitudeRaw, f.longitudeHemisphere)) << "\">";
            if (const std::optional<CalendarTime> time = sampleUtc(s))
                out << "<time>" << formatUtc(*time) << "</time>";
            if (!f.valid)
                out << "<fix>none</fix>";
            out << "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>"
                << shortest(f.speedKnots * kMetresPerSecondPerKnot) << "</gpxtpx:speed><gpxtpx:course>"
                << shortest(f.courseDegrees) << "</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n";
        });
        out << "    </trkseg>\n";
    }
    out << "  </trk>\n</gpx>\n";
}

void writeRouteKml(const std::vector<const TelemetryTrack*>& segments, std::string_view name,
                   const RouteOptions& options, std::ostream& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n"
        << "  <name>" << xmlEscaped(name) << "</name>\n";
    for (int band = 0; band < kSpeedBands; ++band)
        out << "  <Style id=\"speed" << band << "\"><LineStyle><color>" << kBandColours[static_cast<std::size_t>(band)]
            << "</color><width>4</width></LineStyle></Style>\n";
    out << "  <Style id=\"nofix\"><IconStyle><color>ff808080</color><scale>0.5</scale></IconStyle></Style>\n";

    // A line per run of valid points in one band; each run starts at the
    // last point of the one before, so the line has no holes.
    out << "  <Folder>\n    <name>Route</name>\n";
    for (const TelemetryTrack* track : segments) {
        std::vector<std::string> run;
        int runBand = -1;
        std::string lastPoint;
        const auto flush = [&] {
            if (run.size() >= 2) {
                out << "    <Placemark><name>" << bandName(runBand) << "</name><styleUrl>#speed" << runBand
                    << "</styleUrl><LineString><tessellate>1</tessellate><coordinates>";
                for (std::size_t i = 0; i < run.size(); ++i)
                    out << (i == 0 ? "" : " ") << run[i];
                out << "</coordinates></LineString></Placemark>\n";
            }
            run.clear();
        };
        forEachRoutePoint(*track, options, [&](const TelemetrySample&, const GpsFix& f) {
            if (!f.valid)
                return;
            const std::string point = kmlCoordinates(f);
            const int band = speedBand(kmhOf(f));
            if (band != runBand) {
                flush();
                if (!lastPoint.empty())
                    run.push_back(lastPoint);
                runBand = band;
            }
            run.push_back(point);
            lastPoint = point;
        });
        if (run.size() == 1 && !lastPoint.empty() && runBand >= 0) // a lone point still shows where it was
            run.push_back(lastPoint);
        flush();
    }
    out << "  </Folder>\n";

    if (!options.validOnly) {
        out << "  <Folder>\n    <name>Without a valid fix</name>\n";
        for (const TelemetryTrack* track : segments) {
            forEachRoutePoint(*track, options, [&](const TelemetrySample& s, const GpsFix& f) {
                if (f.valid)
                    return;
                out << "    <Placemark><styleUrl>#nofix</styleUrl>";
                if (const std::optional<CalendarTime> time = sampleUtc(s))
                    out << "<TimeStamp><when>" << formatUtc(*time) << "</when></TimeStamp>";
                out << "<Point><coordinates>" << kmlCoordinates(f) << "</coordinates></Point></Placemark>\n";
            });
        }
        out << "  </Folder>\n";
    }
    out << "</Document>\n</kml>\n";
}

} // namespace dravonix
