// The statement pieces each engine words its own way mean the same on both: each case runs on
// the file and, when VEMORA_TEST_PG_URL names a server, on a server database too, and both
// must give the rows the file gives.
#include "data/Caseless.h"
#include "data/Connection.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class DialectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SqliteEngine::createDatabase(m_fileDir.filePath(u"journey.mdb"_s)));
        addEngine(makeConnectionString(m_fileDir.path()));
        if (m_server.server()) addEngine(m_server.connectionString());
    }

    void addEngine(const QString& connectionString) {
        auto connection = std::make_unique<Connection>();
        connection->setConnectionString(connectionString);
        const Status opened = connection->open();
        ASSERT_TRUE(opened) << opened.error().description.toStdString();
        engines.push_back(std::move(connection));
    }

    // Runs the statement on every engine, failing the test when one fails.
    void run(const Statement& statement) {
        for (auto& engine : engines) {
            const Result<Recordset> ran = engine->execute(statement);
            EXPECT_TRUE(ran) << name(*engine) << ": " << ran.error().description.toStdString();
        }
    }

    // One column of the statement's rows on each engine, the file's first.
    QList<QStringList> column(const Statement& statement, int index = 0) {
        QList<QStringList> all;
        for (auto& engine : engines) {
            Result<Recordset> rows = engine->execute(statement);
            EXPECT_TRUE(rows) << name(*engine) << ": " << rows.error().description.toStdString();
            QStringList texts;
            if (rows)
                for (int r = 0; r < rows.value().rowCount(); ++r)
                    texts.append(rows.value().value(r, index).toString());
            all.append(texts);
        }
        return all;
    }

    // Expects every engine to give `want`.
    void expectColumn(const Statement& statement, const QStringList& want, int index = 0) {
        const QList<QStringList> got = column(statement, index);
        for (qsizetype i = 0; i < got.size(); ++i)
            EXPECT_EQ(got.at(i), want)
                << name(*engines.at(size_t(i))) << ": " << statement.rendering().toStdString();
    }

    static std::string name(const Connection& c) { return c.hasDataVersion() ? "file" : "server"; }

    void addWords(const QStringList& words) {
        for (const QString& word : words)
            run(Statement("INSERT INTO dictionary_tbl VALUES (1, ").value(word).sql(", 'd')"));
    }

    std::vector<std::unique_ptr<Connection>> engines;

private:
    QTemporaryDir m_fileDir;
    TempDatabase m_server;  // the file again, or a server database
};

const QStringList kWords{u"banana"_s, u"B2"_s,     u"apple"_s,  u"_under"_s, u"Zebra"_s,
                         u"éclair"_s, u"Éclair"_s, u"Apples"_s, u"a"_s,      u"O`Neil"_s};

TEST_F(DialectTest, CaselessEqualityFoldsAsciiLettersOnly) {
    addWords(kWords);
    const auto word = [](const QString& text) {
        return Statement("SELECT dict_name FROM dictionary_tbl WHERE ")
            .caselessColumnEquals(u"dict_name", text);
    };
    expectColumn(word(u"APPLE"_s), {u"apple"_s});
    expectColumn(word(u"éCLAIR"_s), {u"éclair"_s});
    expectColumn(word(u"ÉCLAIR"_s), {u"Éclair"_s});
    expectColumn(word(u"appl"_s), {});
    expectColumn(word(u"o`neil"_s), {u"O`Neil"_s});

    run(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, '  Ann ')"));
    const auto trimmed = [](const QString& text) {
        return Statement("SELECT name FROM addressbook_tbl WHERE ")
            .caselessEquals(u"trim(name)", text);
    };
    expectColumn(trimmed(u"aNN"_s), {u"  Ann "_s});
    expectColumn(trimmed(u"Än"_s), {});
}

TEST_F(DialectTest, ExactEqualityComparesLetterForLetter) {
    addWords(kWords);
    const auto word = [](const QString& text) {
        return Statement("SELECT dict_name FROM dictionary_tbl WHERE ")
            .exactEquals(u"dict_name", text);
    };
    expectColumn(word(u"Apple"_s), {});
    expectColumn(word(u"apple"_s), {u"apple"_s});
    expectColumn(word(u"Éclair"_s), {u"Éclair"_s});
}

TEST_F(DialectTest, CaselessOrderIsTheFilesNoCaseOrderWithNullsFirst) {
    addWords(kWords);
    QStringList want = kWords;
    std::sort(want.begin(), want.end(), [](const QString& a, const QString& b) {
        return caselessCompare(a.toUtf8(), b.toUtf8()) < 0;
    });
    expectColumn(Statement("SELECT dict_name FROM dictionary_tbl").caselessOrderBy(u"dict_name"),
                 want);
    // Upper-case ASCII sorts among the lower case, "_" before letters, non-ASCII after them.
    EXPECT_EQ(want.mid(0, 4), (QStringList{u"_under"_s, u"a"_s, u"apple"_s, u"Apples"_s}));

    run(Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, NULL), (1, 'b')"));
    expectColumn(
        Statement("SELECT COALESCE(name, '-') AS n FROM addressbook_tbl").caselessOrderBy(u"name"),
        {u"-"_s, u"b"_s});
}

TEST_F(DialectTest, PrefixFindOverTheOrderedRowsStopsOnTheSameRow) {
    addWords(kWords);
    for (auto& engine : engines) {
        Result<Recordset> rows = engine->execute(
            Statement("SELECT * FROM dictionary_tbl").caselessOrderBy(u"dict_name"));
        ASSERT_TRUE(rows);
        Recordset& words = rows.value();
        ASSERT_TRUE(words.findForward(u"dict_name", u"APP"_s));
        EXPECT_EQ(words.text(u"dict_name"), u"apple"_s) << name(*engine);
        words.moveFirst();
        ASSERT_TRUE(words.findForward(u"dict_name", u"É"_s));
        EXPECT_EQ(words.text(u"dict_name"), u"Éclair"_s) << name(*engine);
        words.moveFirst();
        ASSERT_TRUE(words.findForward(u"dict_name", u"é"_s));
        EXPECT_EQ(words.text(u"dict_name"), u"éclair"_s) << name(*engine);
    }
}

TEST_F(DialectTest, EqualTextsCompareWithIsAndFalseHoldsForNoRow) {
    run(
        Statement("INSERT INTO addressbook_tbl (user_num, name) VALUES (1, 'Ann'), (1, 'aNN'), "
                  "(1, NULL), (1, NULL), (1, 'Ánn')"));
    expectColumn(Statement("SELECT count(*) AS n FROM addressbook_tbl a, addressbook_tbl b WHERE ")
                     .caselessIs(u"a.name", u"b.name"),
                 {u"9"_s});
    expectColumn(Statement("SELECT name FROM addressbook_tbl WHERE").falseCondition(), {});
}

TEST_F(DialectTest, AccountsComeInTheirStoredOrder) {
    for (const QString& user : {u"zed"_s, u"amy"_s, u"kim"_s})
        run(Statement("INSERT INTO users (user_name) VALUES (").value(user).sql(")"));
    // Rewriting a row moves it on a server unless the order is asked for.
    run(Statement("UPDATE users SET name = 'A' WHERE user_name = 'admin'"));
    expectColumn(Statement("Select user_num, user_name,user_password, name from users")
                     .storedOrder(u"user_num"),
                 {u"admin"_s, u"zed"_s, u"amy"_s, u"kim"_s}, 1);
}

TEST_F(DialectTest, DaysReadBackAsTheFileWritesThemLeapDayIncluded) {
    const QDate leap(2024, 2, 29);
    run(Statement("INSERT INTO diary_tbl VALUES (1, ").date(leap).sql(", 'it`s')"));
    run(Statement("INSERT INTO diary_tbl VALUES (1, ").date(leap.addDays(1)).sql(", NULL)"));
    expectColumn(Statement("SELECT diary_date FROM diary_tbl WHERE diary_date = ").date(leap),
                 {u"2024-02-29"_s});
    expectColumn(Statement("SELECT diary_date FROM diary_tbl WHERE diary_date BETWEEN ")
                     .date(QDate(2024, 2, 28))
                     .sql(" AND ")
                     .date(QDate(2024, 3, 1))
                     .sql(" ORDER BY diary_date"),
                 {u"2024-02-29"_s, u"2024-03-01"_s});
    for (auto& engine : engines) {
        Result<Recordset> rows = engine->execute(
            Statement("SELECT user_num, diary_date, diary_message FROM diary_tbl ORDER BY 2"));
        ASSERT_TRUE(rows);
        Recordset& r = rows.value();
        EXPECT_EQ(r.field(u"user_num").typeId(), QMetaType::LongLong) << name(*engine);
        EXPECT_EQ(r.field(u"diary_date").typeId(), QMetaType::QString) << name(*engine);
        EXPECT_EQ(r.date(u"diary_date"), leap) << name(*engine);
        r.moveNext();
        EXPECT_TRUE(r.field(u"diary_message").isNull()) << name(*engine);
        EXPECT_EQ(r.field(u"diary_message").typeId(), QMetaType::QString) << name(*engine);
    }
}

TEST_F(DialectTest, TheTwoErrorNumbersArriveInTheSameCases) {
    addWords({u"Word"_s});
    for (auto& engine : engines) {
        const Result<Recordset> again =
            engine->execute(Statement("INSERT INTO dictionary_tbl VALUES (1, 'WORD', 'd')"));
        ASSERT_FALSE(again) << name(*engine);
        EXPECT_EQ(again.error().number, kErrGeneral) << name(*engine);
        const Result<Recordset> broken =
            engine->execute(Statement("UPDATE dictionary_tbl SET dict_name = 'it's'"));
        ASSERT_FALSE(broken) << name(*engine);
        EXPECT_EQ(broken.error().number, kErrSyntax) << name(*engine);
        // An apostrophe in an identifying value breaks the statement before either engine.
        const Result<Recordset> typed =
            engine->execute(Statement("SELECT * FROM dictionary_tbl WHERE ")
                                .caselessColumnEquals(u"dict_name", u"it's"_s));
        ASSERT_FALSE(typed) << name(*engine);
        EXPECT_EQ(typed.error().number, kErrSyntax) << name(*engine);
        // A prepared statement that failed leaves the connection usable.
        EXPECT_TRUE(engine->execute(Statement("SELECT count(*) FROM users"))) << name(*engine);
    }
}

}  // namespace
}  // namespace vemora::test
