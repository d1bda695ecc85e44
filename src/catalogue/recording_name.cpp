#include "catalogue/recording_name.h"

#include "toolkit/field_scanner.h"

#include <array>
#include <string_view>

namespace dravonix {
namespace {

struct KindPrefix {
    RecordingKind kind;
    std::u16string_view prefix;
};

// Tested in this order; no prefix is a prefix of another.
constexpr std::array<KindPrefix, 4> kPrefixes{{
    {RecordingKind::Always, u"alwa_"},
    {RecordingKind::Event, u"event_"},
    {RecordingKind::User, u"user_"},
    {RecordingKind::Park, u"motion_"},
}};

void scanFields(std::u16string_view rest, RecordingName& name)
{
    FieldScanner<char16_t> scan(rest);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char16_t channel = 0;
    // Each step runs only when the one before matched; what didn't stays 0.
    (void)(scan.readInt(4, year) && scan.readInt(2, month) && scan.readInt(2, day) && scan.literal(u'_')
           && scan.readInt(2, hour) && scan.readInt(2, minute) && scan.readInt(2, second) && scan.literal(u'_')
           && scan.readChar(channel));
    name.year = static_cast<std::uint16_t>(year);
    name.month = static_cast<std::uint16_t>(month);
    name.day = static_cast<std::uint16_t>(day);
    name.hour = static_cast<std::uint16_t>(hour);
    name.minute = static_cast<std::uint16_t>(minute);
    name.second = static_cast<std::uint16_t>(second);
    name.channelLetter = channel;
}

// "%0Nd" of an unsigned 16-bit field.
char16_t* putNumber(char16_t* out, unsigned value, int width)
{
    char16_t digits[8];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        *out++ = u'0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

} // namespace

qsizetype writeSortKey(const RecordingName& n, char16_t (&key)[kSortKeyCapacity])
{
    char16_t* end = putNumber(key, n.year, 4);
    end = putNumber(end, n.month, 2);
    end = putNumber(end, n.day, 2);
    *end++ = u'_';
    end = putNumber(end, n.hour, 2);
    end = putNumber(end, n.minute, 2);
    end = putNumber(end, n.second, 2);
    *end++ = u'_';
    if (n.channelLetter != 0)
        *end++ = n.channelLetter;
    return end - key;
}

namespace {

QString makeSortKey(const RecordingName& n)
{
    char16_t key[kSortKeyCapacity];
    return QString(reinterpret_cast<const QChar*>(key), writeSortKey(n, key));
}

} // namespace

RecordingName parseRecordingName(QStringView bareFileName)
{
    RecordingName name;
    const std::u16string_view text(reinterpret_cast<const char16_t*>(bareFileName.utf16()),
                                   static_cast<std::size_t>(bareFileName.size()));
    if (text.size() >= 6) {
        for (const KindPrefix& p : kPrefixes) {
            if (text.starts_with(p.prefix)) {
                name.kind = p.kind;
                scanFields(text.substr(p.prefix.size()), name);
            }
        }
    }
    name.isFront = name.channelLetter == u'F';
    name.sortKey = makeSortKey(name);
    return name;
}

std::optional<QDate> listDate(const RecordingName& name)
{
    // The range a calendar record can be formatted in.
    if (name.year < 1601 || name.year > 30827)
        return std::nullopt;
    const QDate date(name.year, name.month, name.day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> listTime(const RecordingName& name)
{
    if (!listDate(name))
        return std::nullopt;
    const QTime time(name.hour, name.minute, name.second);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString formatListDate(const RecordingName& name, const QLocale& locale)
{
    const std::optional<QDate> date = listDate(name);
    if (!date)
        return QStringLiteral(" ");
    // The list's date column is narrow: a short format that spells out the
    // month (the C locale's "d MMM yyyy") would not fit, so it goes numeric.
    QString format = locale.dateFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd")))
        format = QStringLiteral("yyyy-MM-dd");
    return locale.toString(*date, format);
}

QString formatListTime(const RecordingName& name)
{
    const std::optional<QTime> time = listTime(name);
    return time ? time->toString(QStringLiteral("HH:mm:ss")) : QStringLiteral(" ");
}

QString partnerPath(QStringView fullPath, bool isFront)
{
    if (fullPath.size() < 5)
        return {};
    QString partner = fullPath.toString();
    partner[partner.size() - 5] = isFront ? QLatin1Char('R') : QLatin1Char('F');
    return partner;
}

namespace {

// Where the character that ends at `end` starts.
qsizetype characterStart(const QByteArray& bytes, qsizetype end)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (byte(end - 1) < 0x80)
        return end - 1;
    for (qsizetype start = end - 2; start >= 0 && start >= end - 4; --start) {
        const unsigned char lead = byte(start);
        if (lead >= 0x80 && lead < 0xC0)
            continue; // a continuation byte: the lead is further back
        const qsizetype length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        return length == end - start ? start : end - 1;
    }
    return end - 1;
}

} // namespace

QByteArray partnerPath(const QByteArray& nativePath, bool isFront)
{
    // The channel letter is the fifth character from the end.
    qsizetype end = nativePath.size();
    for (int i = 0; i < 4 && end > 0; ++i)
        end = characterStart(nativePath, end);
    if (end <= 0)
        return {};
    const qsizetype start = characterStart(nativePath, end);
    QByteArray partner = nativePath;
    partner.replace(start, end - start, isFront ? "R" : "F");
    return partner;
}

int kindStringId(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Always: return 271;
    case RecordingKind::Event: return 272;
    case RecordingKind::User: return 273;
    case RecordingKind::Park: return 289;
    case RecordingKind::Unknown: break;
    }
    return 270;
}

QString kindListText(RecordingKind kind)
{
    switch (kind) {
    case RecordingKind::Always: return QStringLiteral("Always");
    case RecordingKind::Event: return QStringLiteral("Event");
    case RecordingKind::User: return QStringLiteral("User");
    case RecordingKind::Park: return QStringLiteral("Park");
    case RecordingKind::Unknown: break;
    }
    return QStringLiteral("Unknown");
}

int kindIconIndex(RecordingKind kind, bool isFront)
{
    const int rearOffset = isFront ? 0 : 3;
    switch (kind) {
    case RecordingKind::Always: return 0 + rearOffset;
    case RecordingKind::Event: return 1 + rearOffset;
    case RecordingKind::Park: return 2 + rearOffset;
    case RecordingKind::User:
    case RecordingKind::Unknown: break;
    }
    return kNoKindIcon;
}

} // namespace dravonix
