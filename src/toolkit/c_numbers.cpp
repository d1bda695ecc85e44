#include "toolkit/c_numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace dravonix {
namespace {

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view skipSpace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    return text.substr(i);
}

bool startsWithHexPrefix(std::string_view t)
{
    return t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
}


// from_chars leaves the value alone when it is out of range; strtod gives
// HUGE_VAL on overflow and 0 on underflow. Tell the two apart from the text.
bool magnitudeIsLarge(std::string_view t, std::chars_format format)
{
    const char exponentMark = format == std::chars_format::hex ? 'p' : 'e';
    const auto isDigit = [format](char c) {
        const auto u = static_cast<unsigned char>(c);
        return format == std::chars_format::hex ? std::isxdigit(u) != 0 : std::isdigit(u) != 0;
    };
    long long scale = 0;
    std::size_t i = 0;
    while (i < t.size() && t[i] == '0')
        ++i;
    bool seenNonZero = false;
    for (; i < t.size() && isDigit(t[i]); ++i) {
        seenNonZero = true;
        ++scale;
    }
    if (!seenNonZero && i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && t[i] == '0'; ++i)
            --scale;
    }
    while (i < t.size() && (isDigit(t[i]) || t[i] == '.'))
        ++i;
    if (i + 1 < t.size() && (t[i] | 0x20) == exponentMark)
        scale += t[i + 1] == '-' ? -100000 : 100000;
    return scale > 0;
}

// Plain decimals without the general parser, as they start a text (what
// follows them is not read by atof either). Anything else (an exponent,
// more digits, no digit at all) is left to from_chars.
std::optional<double> plainDecimal(std::string_view t)
{
    const char* at = t.data();
    const char* const end = at + t.size();
    const c_numbers::PlainDigits read = c_numbers::readPlainDigits(at, end);
    const std::ptrdiff_t count = read.whole + read.fraction;
    if (count == 0 || count > 15 || (at != end && (*at == 'e' || *at == 'E')))
        return std::nullopt;
    return c_numbers::plainValue(read);
}

} // namespace

double c_numbers::generalAtof(std::string_view text)
{
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto withSign = [negative](double value) { return negative ? -value : value; };
    // One sign only (from_chars would take a second '-'); with none read, the
    // result is a plain 0, not -0.
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        return 0.0;
    if (!startsWithHexPrefix(text))
        if (const std::optional<double> plain = plainDecimal(text))
            return withSign(*plain);
    auto format = std::chars_format::general;
    if (startsWithHexPrefix(text)) {
        text.remove_prefix(2);
        format = std::chars_format::hex;
        if (text[0] == '+' || text[0] == '-')
            return withSign(0.0); // the number is the "0" before the x
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, format);
    (void)end;
    if (error == std::errc::result_out_of_range)
        value = magnitudeIsLarge(text, format) ? HUGE_VAL : 0.0; // as strtod does
    else if (error != std::errc())
        return format == std::chars_format::hex ? withSign(0.0) : 0.0;
    return withSign(value);
}

int cAtoi(std::string_view text)
{
    text = skipSpace(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    constexpr long long limit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > limit)
            value = limit; // saturate instead of overflowing
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

} // namespace dravonix
