#include "telemetry/nmea_split.h"
#include "toolkit/c_numbers.h"
#include "toolkit/field_scanner.h"

#include <array>
#include <bit>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

namespace dravonix {

using nmea::kKeptFields;
using nmea::SplitSentence;

namespace {

// Body before the single "*", cut at every ",". False unless there is
// exactly one "*". One pass over the characters: the fields are short, so a
// search call per field would cost more than it saves.
bool splitSentence(std::string_view sentence, SplitSentence& out)
{
    const char* const text = sentence.data();
    const std::size_t size = sentence.size();
    std::size_t fieldStart = 0;
    std::size_t i = 0;
    for (; i < size && text[i] != '*'; ++i) {
        if (text[i] != ',')
            continue;
        if (out.count < kKeptFields)
            out.fields[out.count] = {text + fieldStart, i - fieldStart};
        ++out.count;
        fieldStart = i + 1;
    }
    if (i == size || sentence.find('*', i + 1) != std::string_view::npos)
        return false;
    if (out.count < kKeptFields)
        out.fields[out.count] = {text + fieldStart, i - fieldStart};
    ++out.count;
    return true;
}

void decodeRmc(const SplitSentence& f, GpsFix& fix)
{
    fix.speedKnots = cAtof(f[7]);
    fix.courseDegrees = cAtof(f[8]);
    fix.valid = f[2] == "A";
    if (f[9].size() != 6 || f[1].size() != 10)
        return;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    FieldScanner<char> time(f[1]);
    (void)(time.readInt(2, hour) && time.readInt(2, minute) && time.readInt(2, second)
           && time.literal('.') && time.readInt(3, millisecond));
    int day = 0, month = 0, year = 0;
    FieldScanner<char> date(f[9]);
    (void)(date.readInt(2, day) && date.readInt(2, month) && date.readInt(2, year));
    fix.utc = CalendarTime{static_cast<std::uint16_t>(year + 2000),
                           static_cast<std::uint16_t>(month),
                           0,
                           static_cast<std::uint16_t>(day),
                           static_cast<std::uint16_t>(hour),
                           static_cast<std::uint16_t>(minute),
                           static_cast<std::uint16_t>(second),
                           static_cast<std::uint16_t>(millisecond)};
}

void decodeGgaPosition(const SplitSentence& f, GpsFix& fix)
{
    if (!f[2].empty())
        fix.latitudeRaw = cAtof(f[2]);
    if (!f[3].empty())
        fix.latitudeHemisphere = f[3][0];
    if (!f[4].empty())
        fix.longitudeRaw = cAtof(f[4]);
    if (!f[5].empty())
        fix.longitudeHemisphere = f[5][0];
}

void decodeGga(const SplitSentence& f, bool combinedName, GpsFix& fix)
{
    decodeGgaPosition(f, fix);
    if (combinedName && !fix.gnsSeen && !fix.gsaSeen)
        fix.satellitesInUse = cAtoi(f[7]);
    if (!fix.gnsSeen && !f[8].empty())
        fix.hdop = cAtof(f[8]);
}

void decodeGsa(const SplitSentence& f, GpsFix& fix)
{
    fix.gsaSeen = true;
    if (fix.gnsSeen)
        return;
    int count = 0;
    for (std::size_t i = 3; i <= 14; ++i) {
        const auto satellite = static_cast<std::uint8_t>(f[i].empty() ? 0 : cAtoi(f[i]));
        if (satellite != 0)
            ++count;
    }
    const auto first = static_cast<std::uint8_t>(f[3].empty() ? 0 : cAtoi(f[3]));
    if (first >= 1 && first <= 64) {
        fix.gpsSatellites = count;
        fix.satellitesInUse = count;
    } else if (first >= 65) {
        fix.glonassSatellites = count;
        fix.satellitesInUse = fix.gpsSatellites + count;
    } else if (!fix.valid) {
        fix.satellitesInUse = 0;
    }
}

void decodeGns(const SplitSentence& f, GpsFix& fix)
{
    fix.gnsSeen = true;
    fix.satellitesInUse = cAtoi(f[7]);
    if (!f[8].empty())
        fix.hdop = cAtof(f[8]);
}

bool isDigits(std::string_view text)
{
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

int twoDigits(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

} // namespace

std::optional<CalendarTime> rmcDateTime(std::string_view sentence)
{
    SplitSentence f;
    if (!splitSentence(sentence, f) || (f[0] != "$GPRMC" && f[0] != "$GNRMC"))
        return std::nullopt;
    const std::string_view time = f[1];
    const std::string_view date = f[9];
    if (time.size() < 6 || !isDigits(time.substr(0, 6)) || date.size() != 6 || !isDigits(date))
        return std::nullopt;
    int millisecond = 0;
    if (time.size() > 6) {
        const std::string_view fraction = time.substr(7);
        if (time[6] != '.' || fraction.size() > 3 || !isDigits(fraction))
            return std::nullopt;
        for (std::size_t i = 0; i < 3; ++i)
            millisecond = millisecond * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    const int hour = twoDigits(time, 0), minute = twoDigits(time, 2), second = twoDigits(time, 4);
    const int day = twoDigits(date, 0), month = twoDigits(date, 2), year = twoDigits(date, 4);
    if (hour > 23 || minute > 59 || second > 60 || day < 1 || day > 31 || month < 1 || month > 12)
        return std::nullopt;
    return CalendarTime{static_cast<std::uint16_t>(year + 2000), static_cast<std::uint16_t>(month), 0,
                        static_cast<std::uint16_t>(day),        static_cast<std::uint16_t>(hour),
                        static_cast<std::uint16_t>(minute),     static_cast<std::uint16_t>(second),
                        static_cast<std::uint16_t>(millisecond)};
}

namespace {

// RMC's and GGA's fields that place the car and give its speed, as
// decodeRmc and decodeGga read them.
void decodeMotion(const SplitSentence& f, bool rmc, GpsFix& fix)
{
    if (rmc) {
        fix.speedKnots = cAtof(f[7]);
        fix.valid = f[2] == "A";
        return;
    }
    decodeGgaPosition(f, fix);
}

} // namespace

nmea::SentenceKind nmea::sentenceKind(std::string_view name)
{
    if (name == "$GPRMC" || name == "$GNRMC")
        return SentenceKind::Rmc;
    if (name == "$GPGGA")
        return SentenceKind::Gga;
    if (name == "$GNGGA")
        return SentenceKind::CombinedGga;
    if (name == "$GNGSA")
        return SentenceKind::Gsa;
    if (name == "$GNGNS")
        return SentenceKind::Gns;
    return SentenceKind::Other;
}

bool nmea::applySentence(const SplitSentence& f, GpsFix& fix, FixDetail detail)
{
    return applySentence(sentenceKind(f[0]), f, fix, detail);
}

bool nmea::applySentence(SentenceKind kind, const SplitSentence& f, GpsFix& fix, FixDetail detail)
{
    switch (kind) {
    case SentenceKind::Rmc:
        if (f.count < 3)
            return false;
        if (detail == FixDetail::Motion)
            decodeMotion(f, true, fix);
        else
            decodeRmc(f, fix);
        return true;
    case SentenceKind::Gga:
    case SentenceKind::CombinedGga:
        if (detail == FixDetail::Motion)
            decodeMotion(f, false, fix);
        else
            decodeGga(f, kind == SentenceKind::CombinedGga, fix);
        return true;
    case SentenceKind::Gsa:
    case SentenceKind::Gns:
        if (detail == FixDetail::Motion)
            return false; // they count satellites
        if (kind == SentenceKind::Gsa)
            decodeGsa(f, fix);
        else
            decodeGns(f, fix);
        return true;
    case SentenceKind::Other:
        break;
    }
    return false;
}

bool decodeSentence(std::string_view sentence, GpsFix& fix)
{
    SplitSentence f;
    return splitSentence(sentence, f) && nmea::applySentence(f, fix);
}

void decodeRecordText(std::span<const char> text, GpsFix& fix, FixDetail detail)
{
    nmea::forEachSplitSentence(text, [&](const nmea::SplitSentence& f) { nmea::applySentence(f, fix, detail); });
}

float knotsToKmh(double knots) { return static_cast<float>(knots) * 1.852f; }

float knotsToMph(double knots) { return static_cast<float>(knots) * 1.150779f; }

long long truncatedSpeed(float speed)
{
    if (std::isnan(speed))
        return 0;
    constexpr long long limit = 9'000'000'000'000'000'000;
    if (speed >= 9.0e18f)
        return limit;
    if (speed <= -9.0e18f)
        return -limit;
    return static_cast<long long>(speed);
}

double nmeaToDegrees(double raw, char hemisphere)
{
    const double signedRaw = (hemisphere == 'S' || hemisphere == 'W') ? -raw : raw;
    const double scaled = signedRaw / 100.0;
    const double wholeDegrees = std::trunc(scaled);
    return wholeDegrees + (scaled - wholeDegrees) * 100.0 / 60.0;
}

} // namespace dravonix
