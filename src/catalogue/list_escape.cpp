#include "catalogue/list_escape.h"

#include <cstdint>
#include <cstring>

namespace dravonix {
namespace {

// The length of the valid UTF-8 sequence at `at`, or 0 when the byte there
// doesn't start one (overlong forms, surrogates and values past U+10FFFF
// included).
qsizetype sequenceLength(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (qsizetype i = at + 2; i < at + length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

void appendHex(std::string& out, unsigned char byte)
{
    const char digits[] = "0123456789ABCDEF";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0x0F];
}

// Bytes that pass unchanged: printable ASCII but the backslash.
bool passesAsIs(unsigned char byte) { return byte >= 0x20 && byte < 0x7F && byte != '\\'; }

// True when all eight bytes pass unchanged, tested at once: none has its
// top bit set, none is below 0x20, none is 0x7F and none is a backslash.
bool eightPassAsIs(const char* p)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    const std::uint64_t below20 = (v - ones * 0x20) & ~v;
    const std::uint64_t is7f = v + ones; // 0x7F becomes 0x80; no carries once the top bits are clear
    const std::uint64_t slash = v ^ (ones * '\\');
    const std::uint64_t isSlash = (slash - ones) & ~slash;
    return ((v | below20 | is7f | isSlash) & highs) == 0;
}

} // namespace

void appendListText(std::string& out, QByteArrayView bytes)
{
    const char* const data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        // Names are nearly always plain: copy a run of them at once.
        qsizetype run = i;
        while (size - run >= 8 && eightPassAsIs(data + run))
            run += 8;
        while (run < size && passesAsIs(static_cast<unsigned char>(data[run])))
            ++run;
        if (run > i) {
            out.append(data + i, static_cast<std::size_t>(run - i));
            i = run;
            continue;
        }
        const auto byte = static_cast<unsigned char>(data[i]);
        const qsizetype length = sequenceLength(bytes, i);
        if (length == 1) {
            switch (byte) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: appendHex(out, byte); // the other C0 controls and DEL
            }
            ++i;
        } else if (length == 0 || (byte == 0xC2 && static_cast<unsigned char>(data[i + 1]) < 0xA0)) {
            // Not UTF-8, or a C1 control: every byte of it as a number.
            const qsizetype n = length == 0 ? 1 : length;
            for (qsizetype k = 0; k < n; ++k)
                appendHex(out, static_cast<unsigned char>(data[i + k]));
            i += n;
        } else {
            out.append(data + i, static_cast<std::size_t>(length));
            i += length;
        }
    }
}

QByteArray escapeListText(QByteArrayView bytes)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(bytes.size()));
    appendListText(out, bytes);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace dravonix
