#include "data/Encoding.h"

#include <gtest/gtest.h>

using namespace vemora;

TEST(EncodePassword, LettersAndDigitsMoveIntoTheUpperHalf) {
    const QString clear = QStringLiteral("09AZaz");
    const auto stored = EncodePassword(clear);
    ASSERT_TRUE(stored);
    const int expected[] = {176, 185, 193, 218, 225, 250};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(*cp1252Code(stored->at(i)), expected[i]) << i;
    EXPECT_EQ(EncodePassword(*stored), clear);
}

TEST(EncodePassword, IsItsOwnInverseOverTheWholeCodePage) {
    for (int code = 1; code < 256; ++code) {
        if (code == 128) continue;
        const QString one(cp1252Char(code));
        const auto stored = EncodePassword(one);
        ASSERT_TRUE(stored) << code;
        EXPECT_EQ(*cp1252Code(stored->at(0)), code < 128 ? code + 128 : code - 128);
        EXPECT_EQ(EncodePassword(*stored), one) << code;
    }
}

TEST(EncodePassword, ApostropheBecomesSectionSign) {
    EXPECT_EQ(*EncodePassword(QStringLiteral("'")), QString(QChar(167)));
}

TEST(EncodePassword, RefusesCharactersWithoutAStoredForm) {
    EXPECT_FALSE(EncodePassword(QString(QChar(0x20AC))));                // code 128, the euro sign
    EXPECT_FALSE(EncodePassword(QString(QChar(0))));                     // would be stored as 128
    EXPECT_FALSE(EncodePassword(QStringLiteral("ab") + QChar(0x3042)));  // outside the code page
    // A code-page character from the 0x80-0x9F block does have a stored form.
    EXPECT_EQ(*EncodePassword(QString(QChar(0x2122))), QString(QChar(0x99 - 128)));
}

TEST(ReplaceApostrophes, TurnsEveryApostropheIntoABackquote) {
    EXPECT_EQ(ReplaceApostrophes(QStringLiteral("Ann's 'x'")), QStringLiteral("Ann`s `x`"));
    EXPECT_EQ(ReplaceApostrophes(QStringLiteral("plain")), QStringLiteral("plain"));
    // Text outside the code page is kept as typed.
    const QString wide = QStringLiteral("日記 ") + QChar(0x20AC);
    EXPECT_EQ(ReplaceApostrophes(wide), wide);
}

TEST(TrimBlanks, RemovesOnlyBlanksAroundTheText) {
    EXPECT_EQ(trimBlanks(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(trimBlanks(QStringLiteral("   ")), QString());
    // Line breaks, tabs and non-breaking spaces are part of the text.
    const QString kept = QStringLiteral("\r\n\ta\t") + QChar(0x00A0);
    EXPECT_EQ(trimBlanks(QLatin1Char(' ') + kept + QLatin1Char(' ')), kept);
}

TEST(StoresExactly, RefusesHalfACharacterWhereverItStands) {
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    EXPECT_TRUE(
        storesExactly(QStringLiteral("M ") + emoji + QStringLiteral("\r\n") + QChar(0x2028)));
    EXPECT_TRUE(storesExactly(QString()));
    EXPECT_FALSE(storesExactly(emoji.left(1)));                         // high half, at the end
    EXPECT_FALSE(storesExactly(emoji.left(1) + QStringLiteral("x")));   // high half, then a letter
    EXPECT_FALSE(storesExactly(QStringLiteral("x") + emoji.right(1)));  // low half alone
    EXPECT_FALSE(storesExactly(emoji.right(1) + emoji.left(1)));        // halves reversed
}
