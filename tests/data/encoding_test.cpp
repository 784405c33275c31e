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
    EXPECT_FALSE(EncodePassword(QString(QChar(0x20AC))));  // code 128, the euro sign
    EXPECT_FALSE(EncodePassword(QString(QChar(0))));       // would be stored as 128
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
