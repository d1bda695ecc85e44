#pragma once
// The running state of the GPS receiver as the camera's NMEA text describes
// it, and the conversions the readout and the map apply to it.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace dravonix {

// Calendar record with the same fields as the camera's clock (day of week and
// milliseconds included), so that a decoded time keeps what the text said.
struct CalendarTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;

    bool isZero() const
    {
        return (year | month | dayOfWeek | day | hour | minute | second | millisecond) == 0;
    }
    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// The small members sit together: a track holds one fix per second.
struct GpsFix {
    CalendarTime utc;
    double latitudeRaw = 0.0;  // ddmm.mmmm as written, never negative
    double longitudeRaw = 0.0; // dddmm.mmmm
    double speedKnots = 0.0;
    double courseDegrees = 0.0;
    double hdop = 0.0;
    std::int32_t satellitesInUse = 0;
    std::int32_t gpsSatellites = 0;
    std::int32_t glonassSatellites = 0;
    char latitudeHemisphere = 'N';
    char longitudeHemisphere = 'E';
    bool valid = false;
    bool gnsSeen = false;
    bool gsaSeen = false;

    // A coordinate of 0 means no GGA has given a position yet.
    bool hasPosition() const { return latitudeRaw != 0.0 && longitudeRaw != 0.0; }

    friend bool operator==(const GpsFix&, const GpsFix&) = default;
};

// Applies one sentence ("$" up to, not including, the line end) to `fix`.
// True when it was one of the understood kinds and was applied.
bool decodeSentence(std::string_view sentence, GpsFix& fix);
// How much of a sentence a reader takes into the fix: all of it, or what a
// trip's distance, speed and events are made of (validity, position and
// speed), leaving the rest of the fix as it was.
enum class FixDetail { Full, Motion };

// Applies every sentence of one record's text, in order: the sentences that
// forEachSentence finds, each as decodeSentence takes it.
void decodeRecordText(std::span<const char> text, GpsFix& fix, FixDetail detail = FixDetail::Full);

// The date and time an RMC sentence carries, in UTC, with its seconds written
// as hhmmss, hhmmss.s, hhmmss.ss or hhmmss.sss, as receivers differ. None for
// another sentence, a missing date or a time of another shape. (decodeSentence
// takes only the last width into the running fix, as the readout always has.)
std::optional<CalendarTime> rmcDateTime(std::string_view sentence);

// The readout works in single precision.
float knotsToKmh(double knots);
float knotsToMph(double knots);

// A speed as the readout shows it: truncated toward zero, clamped to the
// integer range so that a garbage value can't overflow the conversion.
long long truncatedSpeed(float speed);

// ddmm.mmmm (or dddmm.mmmm) with its hemisphere letter to signed degrees.
double nmeaToDegrees(double raw, char hemisphere);

} // namespace dravonix
