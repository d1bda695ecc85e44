#pragma once
// atof / atoi as C defines them, over a bounded view instead of a C string:
// leading white space, an optional sign, then as much of a number as there
// is; anything unreadable gives 0.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dravonix {

namespace c_numbers {

// The digits, a point and digits again that start a text, as one integer;
// `at` is left after them. Wraps past 19 digits: callers refuse those.
struct PlainDigits {
    std::uint64_t digits = 0;
    std::ptrdiff_t whole = 0;    // digits before the point
    std::ptrdiff_t fraction = 0; // and after it
};
inline PlainDigits readPlainDigits(const char*& at, const char* end)
{
    PlainDigits read;
    const auto run = [&] {
        const char* const first = at;
        for (; at != end && static_cast<unsigned char>(*at - '0') < 10; ++at)
            read.digits = read.digits * 10 + static_cast<std::uint64_t>(*at - '0');
        return at - first;
    };
    read.whole = run();
    if (at != end && *at == '.') {
        ++at;
        read.fraction = run();
    }
    return read;
}

// With at most 15 digits the digits are exact as an integer, the power of
// ten is exact, and one correctly rounded division gives the double that
// strtod gives.
inline double plainValue(const PlainDigits& read)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return static_cast<double>(read.digits) / kPowers[read.fraction];
}

double generalAtof(std::string_view text);

} // namespace c_numbers

// The usual NMEA field ("12638.5592", "32.4") is read here, inline: a decoded
// text reads three of them every second of a card.
inline double cAtof(std::string_view text)
{
    const char* at = text.data();
    const char* const end = at + text.size();
    const c_numbers::PlainDigits read = c_numbers::readPlainDigits(at, end);
    if (at == end && read.whole > 0 && read.whole + read.fraction <= 15)
        return c_numbers::plainValue(read);
    return c_numbers::generalAtof(text);
}

int cAtoi(std::string_view text);

} // namespace dravonix
