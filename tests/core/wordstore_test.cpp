#include "core/WordStore.h"
#include "core/StoreFixture.h"
#include "support/ExactText.h"
#include "support/Words.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

constexpr qint64 kAnn = 2;
constexpr qint64 kBob = 3;

class WordStoreTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        for (const QString& word : {u"Banana"_s, u"band"_s, u"bank"_s})
            store(kAnn, word, u"of "_s + word);
        store(1, u"apple"_s, u"red"_s);
    }
    void store(qint64 user, const QString& word, const QString& description) {
        query(insertWord(user, word, description));
    }
    Recordset stored(const QString& word) { return query(selectWord(word)); }
    LoadedWord loaded(const QString& word) {
        const Recordset row = stored(word);
        return {row.text(u"dict_name"), row.text(u"dict_description"),
                row.field(u"user_num").toLongLong()};
    }

    WordStore words{database};
};

TEST_F(WordStoreTest, WordsComeInWordOrderWhateverTheirCase) {
    const Recordset list = words.words().value();
    ASSERT_EQ(list.columns(), QStringList{u"dict_name"_s});
    QStringList texts;
    for (int row = 0; row < list.rowCount(); ++row) texts.append(list.value(row, 0).toString());
    EXPECT_EQ(texts, (QStringList{u"apple"_s, u"Banana"_s, u"band"_s, u"bank"_s}));
    // Read through the shared connection, which keeps no second copy of the list.
    EXPECT_EQ(database.SqlText(), u"SELECT dict_name FROM dictionary_tbl Order By dict_name"_s);
    EXPECT_FALSE(database.DbRecordset().isOpen());
}

TEST_F(WordStoreTest, AddStoresAWordOnceAsTypedWhateverItsLetterCase) {
    EXPECT_EQ(refusal(words.add(kBob, u"   "_s, u"x"_s)), Refusal::Incomplete);
    const Result<Change> half = words.add(kBob, u"kiwi"_s, u"green "_s + kHalfEmoji);
    EXPECT_EQ(refusal(half), Refusal::Unstorable);
    EXPECT_EQ(half.value().field, 1);
    EXPECT_EQ(refusal(words.add(kBob, u"BANK"_s, u"x"_s)), Refusal::Taken);
    EXPECT_EQ(refusal(words.add(kBob, QString(31, u'w'), u"x"_s)), Refusal::TooLong);
    EXPECT_EQ(count(u"dictionary_tbl"_s), 4);

    EXPECT_EQ(refusal(words.add(kBob, u"Cherry's "_s, u"it's red"_s)), Refusal::None);
    const Recordset cherry = stored(u"Cherry`s "_s);
    EXPECT_EQ(cherry.field(u"user_num").toLongLong(), kBob);
    EXPECT_EQ(cherry.text(u"dict_description"), u"it`s red"_s);
}

TEST_F(WordStoreTest, OnlyTheOwnerOrTheAdministratorSavesAndTheWordKeepsItsOwner) {
    EXPECT_EQ(refusal(words.save(kBob, loaded(u"band"_s), u"band"_s, u"a group"_s)),
              Refusal::NotOwner);
    LoadedWord unknownOwner = loaded(u"band"_s);
    unknownOwner.owner.reset();
    EXPECT_EQ(refusal(words.save(kAnn, unknownOwner, u"band"_s, u"a group"_s)), Refusal::NotOwner);
    EXPECT_EQ(stored(u"band"_s).text(u"dict_description"), u"of band"_s);

    // The administrator's change, trimmed.
    EXPECT_EQ(refusal(words.save(1, loaded(u"band"_s), u" band"_s, u" a group "_s)), Refusal::None);
    const Recordset band = stored(u"band"_s);
    EXPECT_EQ(band.field(u"user_num").toLongLong(), kAnn);
    EXPECT_EQ(band.text(u"dict_description"), u"a group"_s);
    EXPECT_EQ(refusal(words.save(kAnn, loaded(u"bank"_s), u"bank"_s, u"money"_s)), Refusal::None);
}

TEST_F(WordStoreTest, SaveComparesWithTheWordExactlyAsLoaded) {
    store(kAnn, u" kiwi"_s, u"green\r\nfruit "_s);
    EXPECT_EQ(refusal(words.save(kAnn, loaded(u" kiwi"_s), u"kiwi"_s, u"green\r\nfruit "_s)),
              Refusal::None);
    EXPECT_EQ(stored(u"kiwi"_s).text(u"dict_description"), u"green\r\nfruit"_s);

    // Changed elsewhere since it was loaded, in letter case too: nothing is overwritten.
    const LoadedWord bank = loaded(u"bank"_s);
    query(Statement(
        "UPDATE dictionary_tbl SET dict_description = 'Of Bank' WHERE dict_name = 'bank'"));
    EXPECT_EQ(refusal(words.save(kAnn, bank, u"bank"_s, u"money"_s)), Refusal::Gone);
    EXPECT_EQ(stored(u"bank"_s).text(u"dict_description"), u"Of Bank"_s);

    // The name of another word, or an apostrophe in the new one, changes nothing.
    EXPECT_EQ(refusal(words.save(kAnn, loaded(u"band"_s), u"Bank"_s, u"x"_s)), Refusal::Taken);
    const Result<Change> apostrophe = words.save(kAnn, loaded(u"band"_s), u"band's"_s, u"x"_s);
    ASSERT_FALSE(apostrophe.ok());
    EXPECT_EQ(apostrophe.error().number, kErrSyntax);
    EXPECT_EQ(refusal(words.save(kAnn, loaded(u"band"_s), u"band"_s, u"   "_s)),
              Refusal::Incomplete);
    EXPECT_EQ(stored(u"band"_s).text(u"dict_description"), u"of band"_s);
}

TEST_F(WordStoreTest, TheReportSelectionFindsTheWordExactlyAsLoaded) {
    store(kBob, u"pear"_s, u"\r\nsoft\n"_s);
    EXPECT_EQ(query(WordStore::selection(u"pear"_s, u"\r\nsoft\n"_s)).rowCount(), 1);
    EXPECT_EQ(query(WordStore::selection(u"PEAR"_s, u"\r\nsoft\n"_s)).rowCount(), 0);
    EXPECT_EQ(query(WordStore::selection(u"pear"_s, u"soft"_s)).rowCount(), 0);
}

}  // namespace
}  // namespace vemora::test
