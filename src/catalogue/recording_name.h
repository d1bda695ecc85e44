#pragma once
// What a recording's file name says: kind, start time, channel, the key that
// orders the list, and the file of the other channel. Nothing else about a
// recording is read for the list.

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>

#include <cstdint>
#include <optional>

namespace dravonix {

enum class RecordingKind : std::uint8_t { Unknown = 0, Always = 1, Event = 2, User = 3, Park = 4 };

struct RecordingName {
    RecordingKind kind = RecordingKind::Unknown;
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    char16_t channelLetter = 0; // 0 when the name ends before it
    bool isFront = false;       // only an upper-case "F" is front
    QString sortKey;
};

RecordingName parseRecordingName(QStringView bareFileName);

// The sort key's text, "%04d%02d%02d_%02d%02d%02d_%c" of the fields (a
// channel letter of 0 ends it), written to `key`; returns its length.
inline constexpr qsizetype kSortKeyCapacity = 40; // six five-digit fields, two "_", a letter
qsizetype writeSortKey(const RecordingName& name, char16_t (&key)[kSortKeyCapacity]);

// The list's texts: the locale's short date in digits (its own order, or
// yyyy-MM-dd where the locale spells the month) and "HH:mm:ss"; " " when the
// date (or, for the time, the time) is impossible.
QString formatListDate(const RecordingName& name, const QLocale& locale = QLocale());
QString formatListTime(const RecordingName& name);

// The date and time the list shows, or none where it shows " ".
std::optional<QDate> listDate(const RecordingName& name);
std::optional<QTime> listTime(const RecordingName& name);

// The other channel's file: the channel letter before a three-letter
// extension swapped. Empty when the path is too short to have one.
QString partnerPath(QStringView fullPath, bool isFront);
// The same over the file system's bytes, a character being a UTF-8 sequence
// or a single byte that isn't part of one.
QByteArray partnerPath(const QByteArray& nativePath, bool isFront);

// String ids and English texts of the kinds, and the kind icon's index in the
// icon strip (6, past the strip's end, for kinds without an icon).
int kindStringId(RecordingKind kind);
QString kindListText(RecordingKind kind);
int kindIconIndex(RecordingKind kind, bool isFront);
inline constexpr int kNoKindIcon = 6;

} // namespace dravonix
