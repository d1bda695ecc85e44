#pragma once
// A cursor over text that reads fields the way C's scanf reads "%Nd", "%c"
// and literal characters. The camera's file names and NMEA time fields were
// written for scanf, and a field that fails to match leaves the rest unread,
// so the decoders need exactly those rules rather than a stricter parser.

#include <cstddef>
#include <string_view>

namespace dravonix {

template <typename Char>
class FieldScanner {
public:
    explicit FieldScanner(std::basic_string_view<Char> text) : text_(text) {}

    // "%Nd": white space skipped (not counted in the width), an optional sign
    // and at least one digit, at most `width` characters in all.
    bool readInt(int width, int& out)
    {
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
        std::size_t p = pos_;
        const std::size_t end = p + static_cast<std::size_t>(width) < text_.size()
                                    ? p + static_cast<std::size_t>(width)
                                    : text_.size();
        bool negative = false;
        if (p < end && (text_[p] == Char('+') || text_[p] == Char('-'))) {
            negative = text_[p] == Char('-');
            ++p;
        }
        const std::size_t digitsStart = p;
        long long value = 0;
        while (p < end && text_[p] >= Char('0') && text_[p] <= Char('9')) {
            value = value * 10 + static_cast<long long>(text_[p] - Char('0'));
            ++p;
        }
        if (p == digitsStart)
            return false;
        out = static_cast<int>(negative ? -value : value);
        pos_ = p;
        return true;
    }

    // A literal character in the format must match the next character exactly.
    bool literal(Char expected)
    {
        if (pos_ >= text_.size() || text_[pos_] != expected)
            return false;
        ++pos_;
        return true;
    }

    // "%c": the next character whatever it is.
    bool readChar(Char& out)
    {
        if (pos_ >= text_.size())
            return false;
        out = text_[pos_++];
        return true;
    }

private:
    static bool isSpace(Char c)
    {
        return c == Char(' ') || (c >= Char('\t') && c <= Char('\r'));
    }

    std::basic_string_view<Char> text_;
    std::size_t pos_ = 0;
};

} // namespace dravonix
