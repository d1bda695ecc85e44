#include "nmea_text.h"
#include "toolkit/text_format.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace dravonix::demo {
namespace {

std::string degreesMinutes(double degrees, int degreeDigits)
{
    const double magnitude = std::abs(degrees);
    int whole = static_cast<int>(magnitude);
    double minutes = std::round((magnitude - whole) * 60.0 * 10000.0) / 10000.0;
    if (minutes >= 60.0) {
        minutes -= 60.0;
        ++whole;
    }
    return formatText(degreeDigits == 2 ? "%02d%07.4f" : "%03d%07.4f", whole, minutes);
}

std::string rmc(const DriveSecond& at, const std::chrono::hh_mm_ss<std::chrono::seconds>& time,
                const std::chrono::year_month_day& date)
{
    const std::string clock = formatText("%02d%02d%02d.000", static_cast<int>(time.hours().count()),
                                     static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    const std::string day = formatText("%02u%02u%02d", unsigned(date.day()), unsigned(date.month()),
                                   int(date.year()) % 100);
    if (at.fixLost)
        return withChecksum("$GNRMC," + clock + ",V,,,,,,," + day + ",,,N");
    const double knots = at.speedMps * 3600.0 / 1852.0;
    return withChecksum("$GNRMC," + clock + ",A," + degreesMinutes(at.latitude, 2) + (at.latitude < 0 ? ",S," : ",N,")
                        + degreesMinutes(at.longitude, 3) + (at.longitude < 0 ? ",W," : ",E,")
                        + formatText("%.1f,%.1f,", knots, at.headingDeg) + day + ",,,A");
}

std::string gga(const DriveSecond& at, const std::chrono::hh_mm_ss<std::chrono::seconds>& time)
{
    const std::string clock = formatText("%02d%02d%02d", static_cast<int>(time.hours().count()),
                                     static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    if (at.fixLost)
        return withChecksum("$GNGGA," + clock + ",,,,,0,00,99.9");
    return withChecksum("$GNGGA," + clock + "," + degreesMinutes(at.latitude, 2) + (at.latitude < 0 ? ",S," : ",N,")
                        + degreesMinutes(at.longitude, 3) + (at.longitude < 0 ? ",W," : ",E,")
                        + formatText("1,%02d,%.1f", at.gpsSatellites + at.glonassSatellites, at.hdop));
    // Altitude and geoid fields are left off: RMC and GGA must share 128 bytes.
}

// One GSA per constellation; GPS satellites numbered from 1, GLONASS from 65.
std::string gsa(const DriveSecond& at, bool glonass)
{
    const int count = glonass ? at.glonassSatellites : at.gpsSatellites;
    std::string body = "$GNGSA,A," + std::string(count == 0 ? "1" : "3");
    for (int slot = 0; slot < 12; ++slot)
        body += slot < count ? formatText(",%02d", (glonass ? 65 : 2) + slot * 3) : ",";
    body += formatText(",,%.1f,", at.hdop); // PDOP and VDOP left out: the record has 128 bytes
    return withChecksum(body);
}

} // namespace

std::string withChecksum(std::string_view body)
{
    unsigned sum = 0;
    for (char c : body.substr(1))
        sum ^= static_cast<unsigned char>(c);
    return std::string(body) + formatText("*%02X", sum);
}

std::string recordText(const DriveSecond& at, std::chrono::sys_seconds utc, int secondIndex)
{
    const auto day = std::chrono::floor<std::chrono::days>(utc);
    const std::chrono::hh_mm_ss time(utc - day);
    const std::chrono::year_month_day date(day);
    // Every tenth second the receiver reports its active satellites instead:
    // both constellations together, so the count never shows GPS alone.
    std::string text = secondIndex % 10 == 4 ? gsa(at, false) + "\r\n" + gsa(at, true) + "\r\n"
                                              : rmc(at, time, date) + "\r\n" + gga(at, time) + "\r\n";
    if (text.size() > 128)
        throw std::logic_error("a record's GPS text outgrew its 128 bytes: " + text);
    return text;
}

} // namespace dravonix::demo
