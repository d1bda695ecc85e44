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

void writeTelemetryGpx(const TelemetryTrack& track, std::string_view trackName, std::ostream& out)
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"Dravonix\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
           "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
           "  <trk>\n    <name>"
        << xmlEscaped(trackName) << "</name>\n    <trkseg>\n";
    constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
    for (const GpsFix& f : track.fixes()) {
        if (!f.hasPosition())
            continue;
        out << "      <trkpt lat=\"" << fixed6(nmeaToDegrees(f.latitudeRaw, f.latitudeHemisphere)) << "\" lon=\""
            << fixed6(nmeaToDegrees(f.longitudeRaw, f.longitudeHemisphere)) << "\">";
        if (const std::string time = formatUtc(f.utc); !time.empty())
            out << "<time>" << time << "</time>";
        out << "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>"
            << shortest(f.speedKnots * kMetresPerSecondPerKnot) << "</gpxtpx:speed><gpxtpx:course>"
            << shortest(f.courseDegrees) << "</gpxtpx:course></gpxtpx:TrackPointExtension></extensions></trkpt>\n";
    }
    out << "    </trkseg>\n  </trk>\n</gpx>\n";
}

} // namespace dravonix
