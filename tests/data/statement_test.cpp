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
