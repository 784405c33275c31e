#include "core/Transaction.h"
#include "core/StoreFixture.h"
#include "core/WordStore.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

using TransactionTest = StoreTest;

Statement addWord(const char* word) {
    return Statement("INSERT INTO dictionary_tbl VALUES (1, ")
        .text(QString::fromLatin1(word))
        .sql(", 'x')");
}

TEST_F(TransactionTest, ChangesAreKeptOnCommitOnlyAndTheLastStatementStaysInSqlText) {
    {
        Transaction transaction(database);
        ASSERT_TRUE(transaction.begun().ok());
        ASSERT_TRUE(database.execute(addWord("one")).ok());
        ASSERT_TRUE(database.execute(addWord("two")).ok());
        EXPECT_EQ(count(u"dictionary_tbl"_s), 0);  // not yet seen by other connections
    }
    EXPECT_EQ(count(u"dictionary_tbl"_s), 0);

    Transaction transaction(database);
    ASSERT_TRUE(database.execute(addWord("three")).ok());
    EXPECT_TRUE(transaction.commit().ok());
    EXPECT_EQ(count(u"dictionary_tbl"_s), 1);
    EXPECT_TRUE(database.SqlText().startsWith(u"INSERT"_s));
}

TEST_F(TransactionTest, AFailedStatementRollsBackTheWholeChange) {
    query(addWord("taken"));
    {
        Transaction transaction(database);
        ASSERT_TRUE(database.execute(addWord("new")).ok());
        EXPECT_EQ(database.execute(addWord("TAKEN")).error().number, kErrGeneral);
    }
    EXPECT_EQ(count(u"dictionary_tbl"_s), 1);
    // The connection is free for the next change.
    Transaction next(database);
    EXPECT_TRUE(next.begun().ok());
}

TEST_F(TransactionTest, AnInnerChangeIsUndoneAloneAndKeptOnlyWithTheOuterOne) {
    query(addWord("taken"));
    {
        Transaction outer(database);
        {
            Transaction kept(database);
            ASSERT_TRUE(kept.begun().ok());
            ASSERT_TRUE(database.execute(addWord("kept")).ok());
            EXPECT_TRUE(kept.commit().ok());
        }
        {
            Transaction failed(database);
            ASSERT_TRUE(database.execute(addWord("undone")).ok());
            EXPECT_EQ(database.execute(addWord("TAKEN")).error().number, kErrGeneral);
        }
        EXPECT_EQ(count(u"dictionary_tbl"_s), 1);
        EXPECT_TRUE(outer.commit().ok());
    }
    EXPECT_EQ(count(u"dictionary_tbl"_s), 2);
    EXPECT_EQ(
        query(Statement("SELECT * FROM dictionary_tbl WHERE dict_name = 'undone'")).rowCount(), 0);
    {
        Transaction outer(database);
        Transaction inner(database);
        ASSERT_TRUE(database.execute(addWord("dropped")).ok());
        EXPECT_TRUE(inner.commit().ok());
    }
    EXPECT_EQ(count(u"dictionary_tbl"_s), 2);
    // Back at the outermost level: a new change commits on its own.
    Transaction next(database);
    ASSERT_TRUE(database.execute(addWord("next")).ok());
    EXPECT_TRUE(next.commit().ok());
    EXPECT_EQ(count(u"dictionary_tbl"_s), 3);
}

// A server ends the transaction a refused statement ran in; the word's own savepoint keeps the
// caller's going.
TEST_F(TransactionTest, ARefusedWordLeavesTheCallersChangeGoingOn) {
    query(addWord("taken"));
    Transaction batch(database);
    WordStore words(database);
    EXPECT_EQ(refusal(words.add(1, u"TAKEN"_s, u"d"_s)), Refusal::Taken);
    EXPECT_EQ(refusal(words.add(1, u"fresh"_s, u"d"_s)), Refusal::None);
    EXPECT_TRUE(batch.commit().ok());
    EXPECT_EQ(count(u"dictionary_tbl"_s), 2);
}

TEST_F(TransactionTest, AClosedConnectionDoesNotBegin) {
    database.DbConnection().close();
    Transaction transaction(database);
    EXPECT_FALSE(transaction.begun().ok());
}

}  // namespace
}  // namespace vemora::test
