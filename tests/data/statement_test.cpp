#include "data/Statement.h"

#include <gtest/gtest.h>

using namespace vemora;

TEST(Statement, BindsValuesAndRendersThem) {
    Statement s("SELECT * FROM diary_tbl WHERE user_num = ");
    s.number(7)
        .sql(" AND diary_date = ")
        .date(QDate(2026, 2, 3))
        .sql(" AND x = ")
        .text(QStringLiteral("a b"));
    EXPECT_EQ(
        s.query(),
        QStringLiteral("SELECT * FROM diary_tbl WHERE user_num = ? AND diary_date = ? AND x = ?"));
    EXPECT_EQ(s.values(), (QVariantList{7, QStringLiteral("2026-02-03"), QStringLiteral("a b")}));
    EXPECT_EQ(s.rendering(), QStringLiteral("SELECT * FROM diary_tbl WHERE user_num = 7 AND "
                                            "diary_date = #2026-02-03# AND x = 'a b'"));
    EXPECT_FALSE(s.defect());
}

TEST(Statement, UnescapedApostropheBreaksTheStatementEscapedOneDoesNot) {
    Statement broken("UPDATE t SET a = ");
    broken.text(QStringLiteral("it's"));
    ASSERT_TRUE(broken.defect());
    EXPECT_EQ(broken.defect()->number, kErrSyntax);
    EXPECT_FALSE(broken.defect()->description.isEmpty());

    Statement escaped("UPDATE t SET a = ");
    escaped.escapedText(QStringLiteral("it's"));
    EXPECT_FALSE(escaped.defect());
    EXPECT_EQ(escaped.values().first().toString(), QStringLiteral("it`s"));
}

// Each engine's text binds the same values in the same order; SqlText shows the file's.
TEST(Statement, EngineWordedPiecesBindTheSameValuesInBoth) {
    Statement s("SELECT * FROM t WHERE ");
    s.caselessEquals(u"trim(name)", QStringLiteral("Ann"))
        .sql(" AND ")
        .caselessColumnEquals(u"user_name", QStringLiteral("bob"))
        .sql(" AND ")
        .exactEquals(u"note", QStringLiteral("x"))
        .sql(" OR")
        .falseCondition()
        .caselessOrderBy(u"name", u"rowid");
    EXPECT_EQ(s.query(), s.query(Dialect::File));
    EXPECT_EQ(s.query(Dialect::File),
              QStringLiteral("SELECT * FROM t WHERE trim(name) = ? COLLATE NOCASE AND "
                             "user_name = ? AND note=? COLLATE BINARY OR 0 Order By name"));
    EXPECT_EQ(s.query(Dialect::Server).count(QLatin1Char('?')), 3);
    EXPECT_FALSE(s.query(Dialect::Server).contains(QStringLiteral("NOCASE")));
    EXPECT_EQ(s.values().size(), 3);
    EXPECT_EQ(s.rendering(),
              QStringLiteral("SELECT * FROM t WHERE trim(name) = 'Ann' COLLATE NOCASE AND "
                             "user_name = 'bob' AND note='x' COLLATE BINARY OR 0 Order By name"));
    // An apostrophe in an identifying value still breaks the statement.
    EXPECT_TRUE(Statement("SELECT 1 WHERE ")
                    .caselessEquals(u"name", QStringLiteral("it's"))
                    .defect()
                    .has_value());
}
