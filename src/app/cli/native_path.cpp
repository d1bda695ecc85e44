#include "app/cli/native_path.h"
#include "toolkit/utf8.h"

namespace dravonix::cli {
namespace {

// Bytes 0x80-0xFF become U+DC80-U+DCFF; ASCII is always valid UTF-8.
constexpr char16_t kEscapeBase = 0xDC00;

} // namespace

QString argumentFromBytes(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = utf8SequenceLength(bytes, at);
        if (length == 0) {
            out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        out += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        at += length;
    }
    return out;
}

std::string bytesFromArgument(QStringView text)
{
    std::string out;
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        out += text.mid(runStart, end - runStart).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A low surrogate after a high one is half of a real character.
        const bool paired = i > 0 && text[i - 1].isHighSurrogate();
        const bool escaped = c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !paired;
        if (!escaped)
            continue;
        flush(i);
        out += static_cast<char>(c - kEscapeBase);
        runStart = i + 1;
    }
    flush(text.size());
    return out;
}

std::filesystem::path nativePath(QStringView argument) { return std::filesystem::path(bytesFromArgument(argument)); }

} // namespace dravonix::cli
