#include "catalogue/list_escape.h"

#include <gtest/gtest.h>

using namespace dravonix;

TEST(ListEscape, PlainNamesPassUnchanged)
{
    EXPECT_EQ(escapeListText("/card/Normal/alwa_20230615_142530_F.mp4"), "/card/Normal/alwa_20230615_142530_F.mp4");
    EXPECT_EQ(escapeListText("/card/\xec\xa3\xbc\xed\x96\x89/a.mp4"), "/card/\xec\xa3\xbc\xed\x96\x89/a.mp4"); // Hangul
    EXPECT_EQ(escapeListText("\xf0\x9f\x9a\x97.mp4"), "\xf0\x9f\x9a\x97.mp4");                                 // U+1F697
    EXPECT_EQ(escapeListText(""), "");
}

TEST(ListEscape, ControlCharactersAndBackslashes)
{
    EXPECT_EQ(escapeListText("a\tb\nc\rd\\e"), "a\\tb\\nc\\rd\\\\e");
    EXPECT_EQ(escapeListText(QByteArrayView("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(escapeListText("\x1b[31m\x7f"), "\\x1B[31m\\x7F");
    EXPECT_EQ(escapeListText("\xc2\x85|\xc2\x9f|\xc2\xa0"), "\\xC2\\x85|\\xC2\\x9F|\xc2\xa0"); // C1 controls, then NBSP
}

TEST(ListEscape, BytesThatAreNotUtf8)
{
    EXPECT_EQ(escapeListText("alwa_\xff_F.mp4"), "alwa_\\xFF_F.mp4");
    EXPECT_EQ(escapeListText("\xc3"), "\\xC3");                   // cut short at the end
    EXPECT_EQ(escapeListText("\xc3x"), "\\xC3x");                 // cut short by an ASCII byte
    EXPECT_EQ(escapeListText("\xc0\xaf"), "\\xC0\\xAF");          // overlong "/"
    EXPECT_EQ(escapeListText("\xed\xa0\x80"), "\\xED\\xA0\\x80"); // a surrogate
    EXPECT_EQ(escapeListText("\xf4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80"); // past U+10FFFF
    EXPECT_EQ(escapeListText("\xe2\x82"), "\\xE2\\x82");
}

TEST(ListEscape, EverySpecialByteIsFoundWhereverItSitsInALongName)
{
    // Long plain runs are checked eight bytes at a time: a byte that needs
    // escaping must be found at any place in such a block.
    const QByteArray specials[] = {QByteArray(1, '\0'), "\x1f", "\x7f", "\\", "\x80", "\xff", "\xc3\xa9", "\xc2\x85",
                                   " ", "~"};
    const QByteArray plain = "abcdefghijklmnopqrstuvwx";
    for (const QByteArray& special : specials) {
        for (qsizetype at = 0; at <= plain.size(); ++at) {
            const QByteArray before = plain.left(at);
            const QByteArray after = plain.mid(at);
            EXPECT_EQ(escapeListText(before + special + after),
                      escapeListText(before) + escapeListText(special) + escapeListText(after))
                << special.toHex().toStdString() << " at " << at;
        }
    }
    EXPECT_EQ(escapeListText("abcdefgh\x7fijklmnop"), "abcdefgh\\x7Fijklmnop");
    EXPECT_EQ(escapeListText("abcdefg\\hijklmnop"), "abcdefg\\\\hijklmnop");
}
