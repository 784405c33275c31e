// The Hunspell wrapper and the per-user spelling, with the small dictionary in data/.
#include "spelling/Spelling.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "core/Database.h"
#include "core/OptionStore.h"
#include "support/TestPlatform.h"

namespace vemora::test {

namespace {

const QString kData = QStringLiteral(VEMORA_SPELLING_DATA);
const QString kTest = QStringLiteral("xx_TEST");

QStringList words(const QString& text, const QList<TextRange>& ranges) {
    QStringList found;
    for (const TextRange& range : ranges) found.append(text.mid(range.start, range.length));
    return found;
}

}  // namespace

TEST(SpellChecker, FindsTheUnknownWordsWhereTheyStand) {
    SpellChecker checker;
    ASSERT_TRUE(checker.load(kData, kTest));
    // Capitals, punctuation, a backquoted apostrophe and numbers are no misspellings.
    const QString text =
        QStringLiteral("Hello wrold, the diray of 2026 (3rd).\nDon`t plannr; Morning 'quote' ñoño");
    const QList<TextRange> ranges = checker.misspelt(text);
    EXPECT_EQ(words(text, ranges), (QStringList{QStringLiteral("wrold"), QStringLiteral("diray"),
                                                QStringLiteral("plannr"), QStringLiteral("ñoño")}));
    EXPECT_EQ(ranges.value(0), (TextRange{6, 5}));

    EXPECT_TRUE(checker.suggestions(QStringLiteral("wrold")).contains(QStringLiteral("world")));
    EXPECT_TRUE(checker.suggestions(QStringLiteral("helo")).contains(QStringLiteral("hello")));

    checker.addWord(QStringLiteral("plannr"));
    EXPECT_TRUE(checker.isCorrect(QStringLiteral("plannr")));
    EXPECT_EQ(SpellChecker::wordAt(text, 8), (TextRange{6, 5}));
    EXPECT_EQ(SpellChecker::wordAt(text, 11), (TextRange{6, 5}));  // just after the word
    EXPECT_EQ(SpellChecker::wordAt(text, 12).length, 0);
}

TEST(SpellChecker, WithoutADictionaryEveryWordPasses) {
    QTemporaryDir empty;
    // A word list without its affix file is no dictionary.
    QFile lone(empty.filePath(QStringLiteral("yy_NONE.dic")));
    ASSERT_TRUE(lone.open(QIODevice::WriteOnly));
    lone.write("1\nword\n");
    lone.close();
    EXPECT_TRUE(installedDictionaries(empty.path()).isEmpty());
    EXPECT_EQ(installedDictionaries(kData), QStringList{kTest});

    SpellChecker checker;
    EXPECT_FALSE(checker.load(empty.path(), QStringLiteral("yy_NONE")));
    EXPECT_FALSE(checker.isLoaded());
    EXPECT_TRUE(checker.misspelt(QStringLiteral("qzxw wrold")).isEmpty());
    EXPECT_TRUE(checker.isCorrect(QStringLiteral("qzxw")));
    EXPECT_TRUE(checker.suggestions(QStringLiteral("qzxw")).isEmpty());
    EXPECT_EQ(dictionaryTitle(QStringLiteral("en_US")), QStringLiteral("English (United States)"));
}

class SpellingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(database.open().ok());
        ann = env.addUser(QStringLiteral("ann"), QStringLiteral("pw"), QStringLiteral("Ann"));
        bob = env.addUser(QStringLiteral("bob"), QStringLiteral("pw"), QStringLiteral("Bob"));
    }

    TestPlatform env;
    Database database{env.database.directory(), Database::Lock::None};
    qint64 ann = 0;
    qint64 bob = 0;
};

TEST_F(SpellingTest, AddedWordsAndTheLanguageBelongToTheirUser) {
    Spelling spelling(database, kData);
    QSignalSpy changed(&spelling, &Spelling::changed);
    ASSERT_TRUE(spelling.setUser(ann).ok());
    // The only dictionary installed is everyone's default.
    EXPECT_EQ(spelling.language(), kTest);
    EXPECT_FALSE(spelling.checker().isCorrect(QStringLiteral("Vemora")));

    ASSERT_TRUE(spelling.addWord(QStringLiteral("Vemora")).ok());
    ASSERT_TRUE(spelling.addWord(QStringLiteral("Kelvo's")).ok());
    EXPECT_TRUE(spelling.checker().isCorrect(QStringLiteral("Vemora")));
    // As the boxes show a stored apostrophe.
    EXPECT_TRUE(spelling.checker().isCorrect(QStringLiteral("Kelvo`s")));
    EXPECT_EQ(OptionStore(database).value(ann, Spelling::kWordsOption.toString()).value(),
              QStringLiteral("Vemora\nKelvo's"));
    ASSERT_TRUE(spelling.setLanguage({}).ok());
    EXPECT_TRUE(spelling.language().isEmpty());
    EXPECT_TRUE(spelling.checker().misspelt(QStringLiteral("qzxw")).isEmpty());
    EXPECT_EQ(changed.count(), 4);

    // Bob sees none of it.
    ASSERT_TRUE(spelling.setUser(bob).ok());
    EXPECT_EQ(spelling.language(), kTest);
    EXPECT_FALSE(spelling.checker().isCorrect(QStringLiteral("Vemora")));

    // Ann's choices come back with her, the words once checking is on again.
    ASSERT_TRUE(spelling.setUser(ann).ok());
    EXPECT_TRUE(spelling.language().isEmpty());
    ASSERT_TRUE(spelling.setLanguage(kTest).ok());
    EXPECT_TRUE(spelling.checker().isCorrect(QStringLiteral("Kelvo's")));

    // Logged out: nothing is checked and nothing is stored.
    ASSERT_TRUE(spelling.setUser(std::nullopt).ok());
    EXPECT_TRUE(spelling.checker().misspelt(QStringLiteral("qzxw")).isEmpty());
    EXPECT_TRUE(spelling.addWord(QStringLiteral("qzxw")).ok());
    EXPECT_FALSE(OptionStore(database).value(bob, Spelling::kWordsOption.toString()).value());
}

TEST_F(SpellingTest, ARemovedDictionaryFallsBackAndNoneLeavesTextAlone) {
    QTemporaryDir none;
    ASSERT_TRUE(OptionStore(database)
                    .set(ann, Spelling::kLanguageOption.toString(), QStringLiteral("zz_GONE"))
                    .ok());
    Spelling spelling(database, kData);
    ASSERT_TRUE(spelling.setUser(ann).ok());
    EXPECT_EQ(spelling.language(), kTest);

    Spelling nothing(database, none.path());
    ASSERT_TRUE(nothing.setUser(ann).ok());
    EXPECT_TRUE(nothing.language().isEmpty());
    EXPECT_TRUE(nothing.checker().misspelt(QStringLiteral("qzxw wrold")).isEmpty());
}

}  // namespace vemora::test
