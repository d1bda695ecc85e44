// Recording names as the card's file names give them: the fields, the sort
// key, the list's date and time texts, the other channel's path, and the
// order of keys, which must be a total order (a sort with anything less can
// run off the end of its range).
#include "catalogue/folder_scan.h"
#include "catalogue/recording_name.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

using namespace dravonix;

namespace {

QString nameFrom(FuzzedDataProvider& in)
{
    const int how = in.ConsumeIntegralInRange(0, 2);
    const std::string bytes = in.ConsumeRandomLengthString(64);
    if (how == 0)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (how == 1)
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString units; // any UTF-16, lone surrogates included
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.append(QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8))));
    return units;
}

int sign(int v) { return (v > 0) - (v < 0); }

void checkName(const QString& text)
{
    const RecordingName name = parseRecordingName(text);
    if (name.sortKey.isEmpty() || name.isFront != (name.channelLetter == u'F'))
        std::abort();
    if (name.kind == RecordingKind::Unknown && (name.year != 0 || name.channelLetter != 0))
        std::abort();
    const std::optional<QDate> date = listDate(name);
    const std::optional<QTime> time = listTime(name);
    if (time && !date)
        std::abort();
    if (formatListDate(name, QLocale::c()).isEmpty() || formatListTime(name).isEmpty())
        std::abort();
    (void)kindListText(name.kind);
    (void)kindStringId(name.kind);
    if (const int icon = kindIconIndex(name.kind, name.isFront); icon < 0 || icon > kNoKindIcon)
        std::abort();
    const QString partner = partnerPath(text, name.isFront);
    if (text.size() < 5 ? !partner.isEmpty() : partner.size() != text.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString a = nameFrom(in);
    const QString b = nameFrom(in);
    const QString c = nameFrom(in);
    for (const QString* text : {&a, &b, &c})
        checkName(*text);

    if (compareSortKeys(a, a) != 0)
        std::abort();
    const int ab = compareSortKeys(a, b);
    const int bc = compareSortKeys(b, c);
    const int ac = compareSortKeys(a, c);
    if (sign(ab) != -sign(compareSortKeys(b, a)) || (ab == 0) != (a == b))
        std::abort();
    if (ab <= 0 && bc <= 0 && ac > 0)
        std::abort(); // not transitive
    if (ab >= 0 && bc >= 0 && ac < 0)
        std::abort();
    return 0;
}
