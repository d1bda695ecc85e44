#include "catalogue/recording_name.h"

#include <gtest/gtest.h>

using namespace dravonix;

TEST(RecordingName, ParsesEveryKindFromTheCameraGrammar)
{
    const struct {
        const char16_t* name;
        RecordingKind kind;
        bool front;
        int icon;
        const char* text;
    } cases[] = {
        {u"alwa_20230615_142530_F.mp4", RecordingKind::Always, true, 0, "Always"},
        {u"alwa_20230615_142530_R.mp4", RecordingKind::Always, false, 3, "Always"},
        {u"event_20230615_142530_F.mp4", RecordingKind::Event, true, 1, "Event"},
        {u"event_20230615_142530_R.mp4", RecordingKind::Event, false, 4, "Event"},
        {u"motion_20230615_142530_F.mp4", RecordingKind::Park, true, 2, "Park"},
        {u"motion_20230615_142530_R.mp4", RecordingKind::Park, false, 5, "Park"},
        {u"user_20230615_142530_F.mp4", RecordingKind::User, true, kNoKindIcon, "User"},
        {u"user_20230615_142530_R.mp4", RecordingKind::User, false, kNoKindIcon, "User"},
    };
    for (const auto& c : cases) {
        const RecordingName n = parseRecordingName(QString::fromUtf16(c.name));
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        EXPECT_EQ(n.kind, c.kind);
        EXPECT_EQ(n.isFront, c.front);
        EXPECT_EQ(kindIconIndex(n.kind, n.isFront), c.icon);
        EXPECT_EQ(kindListText(n.kind).toStdString(), c.text);
        EXPECT_EQ(n.year, 2023);
        EXPECT_EQ(n.month, 6);
        EXPECT_EQ(n.day, 15);
        EXPECT_EQ(n.hour, 14);
        EXPECT_EQ(n.minute, 25);
        EXPECT_EQ(n.second, 30);
        EXPECT_EQ(n.sortKey, QString("20230615_142530_") + QChar(n.channelLetter));
    }
    EXPECT_EQ(kindStringId(RecordingKind::Park), 289);
    EXPECT_EQ(kindStringId(RecordingKind::Unknown), 270);
}

TEST(RecordingName, PrefixesAreCaseSensitiveAndOnlyCapitalFIsFront)
{
    const RecordingName capital = parseRecordingName(u"Event_20230615_142530_F.mp4");
    EXPECT_EQ(capital.kind, RecordingKind::Unknown);
    EXPECT_EQ(capital.sortKey, "00000000_000000_");
    EXPECT_FALSE(capital.isFront);

    const RecordingName lower = parseRecordingName(u"event_20230615_142530_f.mp4");
    EXPECT_EQ(lower.kind, RecordingKind::Event);
    EXPECT_FALSE(lower.isFront);
    EXPECT_EQ(lower.channelLetter, u'f');
}

TEST(RecordingName, ShortAndBrokenNamesKeepWhatParsed)
{
    const RecordingName tiny = parseRecordingName(u"a.mp4");
    EXPECT_EQ(tiny.kind, RecordingKind::Unknown);
    EXPECT_EQ(tiny.sortKey, "00000000_000000_");
    EXPECT_EQ(tiny.sortKey.size(), 16);
    EXPECT_EQ(formatListDate(tiny), " ");
    EXPECT_EQ(formatListTime(tiny), " ");

    const RecordingName yearOnly = parseRecordingName(u"event_2023_x.mp4");
    EXPECT_EQ(yearOnly.kind, RecordingKind::Event);
    EXPECT_EQ(yearOnly.year, 2023);
    EXPECT_EQ(yearOnly.month, 0);
    EXPECT_EQ(yearOnly.channelLetter, 0);
    EXPECT_FALSE(yearOnly.isFront);
    EXPECT_EQ(yearOnly.sortKey, "20230000_000000_");
    EXPECT_EQ(formatListDate(yearOnly), " ");

    EXPECT_EQ(parseRecordingName(u"alwa_").kind, RecordingKind::Unknown); // 5 characters
    EXPECT_EQ(parseRecordingName(u"alwa_2").year, 2);
    const RecordingName noChannel = parseRecordingName(u"alwa_20230615_142530_");
    EXPECT_EQ(noChannel.channelLetter, 0);
    EXPECT_EQ(noChannel.second, 30);
}

TEST(RecordingName, FieldsFollowScanfRules)
{
    // White space before a number is skipped, a sign is taken, widths limit digits.
    const RecordingName spaced = parseRecordingName(u"alwa_2023 6 5_ 1 2 3_R");
    EXPECT_EQ(spaced.month, 6);
    EXPECT_EQ(spaced.day, 5);
    EXPECT_EQ(spaced.hour, 1);
    EXPECT_EQ(spaced.second, 3);
    EXPECT_EQ(spaced.channelLetter, u'R');

    const RecordingName negative = parseRecordingName(u"alwa_-12306_15_142530_F");
    EXPECT_EQ(negative.year, static_cast<std::uint16_t>(-123));
    EXPECT_EQ(negative.month, 6);
    EXPECT_EQ(negative.day, 0); // "_" is no digit
    EXPECT_EQ(negative.sortKey, "654130600_000000_");
}

TEST(RecordingName, ImpossibleDatesAndTimesShowBlank)
{
    EXPECT_EQ(formatListDate(parseRecordingName(u"alwa_20230230_142530_F.mp4")), " ");
    EXPECT_EQ(formatListTime(parseRecordingName(u"alwa_20230230_142530_F.mp4")), " ");
    const RecordingName badTime = parseRecordingName(u"alwa_20230615_246199_F.mp4");
    EXPECT_NE(formatListDate(badTime), " ");
    EXPECT_EQ(formatListTime(badTime), " ");
    EXPECT_EQ(formatListTime(parseRecordingName(u"alwa_20230615_142530_F.mp4")), "14:25:30");
    EXPECT_EQ(formatListDate(parseRecordingName(u"alwa_20230615_142530_F.mp4"), QLocale(QLocale::English, QLocale::UnitedStates)),
              "6/15/23");
    EXPECT_EQ(formatListDate(parseRecordingName(u"alwa_20230615_142530_F.mp4"), QLocale(QLocale::German)), "15.06.23");
    // Where the short format spells the month, digits keep the column narrow.
    EXPECT_EQ(formatListDate(parseRecordingName(u"alwa_20230615_142530_F.mp4"), QLocale::c()), "2023-06-15");
}

TEST(RecordingName, PartnerSwapsTheChannelLetterOnly)
{
    EXPECT_EQ(partnerPath(u"/card/Event/event_20230615_142530_F.mp4", true), "/card/Event/event_20230615_142530_R.mp4");
    EXPECT_EQ(partnerPath(u"/card/Event/event_20230615_142530_R.mp4", false), "/card/Event/event_20230615_142530_F.mp4");
    EXPECT_EQ(partnerPath(u"b.mp4", true), "R.mp4");
    EXPECT_EQ(partnerPath(u"mp4", true), "");
    EXPECT_EQ(partnerPath(u"", false), "");
}

TEST(RecordingName, PartnerOfTheFileSystemsBytes)
{
    EXPECT_EQ(partnerPath(QByteArray("/c/\xff/a_F.mp4"), true), QByteArray("/c/\xff/a_R.mp4"));
    EXPECT_EQ(partnerPath(QByteArray("/c/a_R.mp4"), false), QByteArray("/c/a_F.mp4"));
    // The fifth character from the end, whether one byte or a UTF-8 sequence.
    EXPECT_EQ(partnerPath(QByteArray("x\xc3\xa9.mp4"), true), QByteArray("xR.mp4"));
    EXPECT_EQ(partnerPath(QByteArray("x\xa9.mp4"), true), QByteArray("xR.mp4"));
    EXPECT_EQ(partnerPath(QByteArray("b.mp4"), true), QByteArray("R.mp4"));
    EXPECT_EQ(partnerPath(QByteArray("mp4"), true), QByteArray());
    EXPECT_EQ(partnerPath(QByteArray(), false), QByteArray());
}

TEST(RecordingName, TheSortKeyTextIsTheFieldsWrittenOut)
{
    char16_t key[kSortKeyCapacity];
    const RecordingName plain = parseRecordingName(u"event_20230615_142530_F.mp4");
    EXPECT_EQ(QStringView(key, writeSortKey(plain, key)), u"20230615_142530_F");
    EXPECT_EQ(plain.sortKey, u"20230615_142530_F");
    // The widest fields a name can give still fit.
    RecordingName widest;
    widest.year = widest.month = widest.day = widest.hour = widest.minute = widest.second = 65535;
    widest.channelLetter = u'Z';
    EXPECT_EQ(QStringView(key, writeSortKey(widest, key)), u"655356553565535_655356553565535_Z");
    EXPECT_EQ(parseRecordingName(u"clip.mp4").sortKey, u"00000000_000000_");
}
