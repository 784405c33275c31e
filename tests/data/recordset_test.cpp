#include "data/Recordset.h"
#include "data/Caseless.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>

#include <limits>

using namespace vemora;

namespace {

// Texts that tell ASCII folding from any other: letters of both cases, the characters between
// 'Z' and 'a', prefixes of one another, and letters outside ASCII that NOCASE leaves unfolded.
const QStringList kTexts = {
    QStringLiteral("abc"),     QStringLiteral("ABC"),     QStringLiteral("Abd"),
    QStringLiteral("ab"),      QStringLiteral("a"),       QStringLiteral("[x"),
    QStringLiteral("_x"),      QStringLiteral("`x"),      QStringLiteral("zeta"),
    QStringLiteral("Zeta"),    QStringLiteral("Émile"),   QStringLiteral("émile"),
    QStringLiteral("emile"),   QStringLiteral("Ärger"),   QStringLiteral("ärger"),
    QStringLiteral("straße"),  QStringLiteral("STRASSE"), QStringLiteral("Ωmega"),
    QStringLiteral("ωmega"),   QStringLiteral("9lives"),  QStringLiteral("𝒜x"),
    QStringLiteral("\uFB01x"), QStringLiteral("")};

class SqliteOracle : public ::testing::Test {
protected:
    void SetUp() override {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("oracle"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE t (id INTEGER, name TEXT COLLATE NOCASE, other TEXT COLLATE NOCASE)")));
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?)")));
        for (int i = 0; i < kTexts.size(); ++i) {
            q.addBindValue(i);
            q.addBindValue(kTexts.at(i));
            q.addBindValue(kTexts.at((i * 7) % kTexts.size()));
            ASSERT_TRUE(q.exec());
        }
        q.addBindValue(99);
        q.addBindValue(QVariant(QMetaType::fromType<QString>()));
        q.addBindValue(QVariant(QMetaType::fromType<QString>()));
        ASSERT_TRUE(q.exec());
    }
    void TearDown() override {
        db.close();
        db = {};
        QSqlDatabase::removeDatabase(QStringLiteral("oracle"));
    }
    // The rows as the engine orders them, read the way a connection reads them.
    Recordset ordered(const QString& by) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM t ORDER BY ") + by));
        std::vector<ColumnValues> values(3);
        while (q.next())
            for (int c = 0; c < 3; ++c) values[size_t(c)].append(q.value(c));
        return Recordset({QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("other")},
                         std::move(values));
    }
    // Whether the engine's LIKE takes the row's column to begin with the prefix.
    std::vector<bool> likes(const QString& by, const QString& column, const QString& prefix) {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("SELECT coalesce(%1 LIKE replace(?, '_', '\\_') || '%' ESCAPE '\\', 0) "
                           "FROM t ORDER BY %2")
                .arg(column, by));
        q.addBindValue(prefix);
        EXPECT_TRUE(q.exec());
        std::vector<bool> found;
        while (q.next()) found.push_back(q.value(0).toBool());
        return found;
    }
    QSqlDatabase db;
};

int sign(int n) {
    return (n > 0) - (n < 0);
}

}  // namespace

TEST_F(SqliteOracle, CaselessComparisonIsTheEnginesNocase) {
    QSqlQuery q(db);
    q.prepare(
        QStringLiteral("SELECT (? COLLATE NOCASE) < ?, (? COLLATE NOCASE) = ?, "
                       "? LIKE replace(?, '_', '\\_') || '%' ESCAPE '\\'"));
    for (const QString& a : kTexts) {
        for (const QString& b : kTexts) {
            for (const QString& value : {a, b, a, b, a, b}) q.addBindValue(value);
            ASSERT_TRUE(q.exec() && q.next());
            const int engine = q.value(1).toBool() ? 0 : (q.value(0).toBool() ? -1 : 1);
            EXPECT_EQ(sign(caselessCompare(a.toUtf8(), b.toUtf8())), engine)
                << qPrintable(a) << " vs " << qPrintable(b);
            EXPECT_EQ(caselessStartsWith(a.toUtf8(), b.toUtf8()), q.value(2).toBool())
                << qPrintable(a) << " begins with " << qPrintable(b);
        }
    }
    // Only ASCII letters fold.
    EXPECT_TRUE(caselessStartsWith(QByteArrayView("Zeta"), QByteArrayView("zE")));
    EXPECT_FALSE(
        caselessStartsWith(QStringLiteral("Émile").toUtf8(), QStringLiteral("é").toUtf8()));
    EXPECT_FALSE(caselessStartsWith(QByteArrayView("[x"), QByteArrayView("{")));
}

// From every row, for every prefix, the find stops where the engine's LIKE first holds at or
// after that row; both on the column the rows are sorted by and on one they are not.
TEST_F(SqliteOracle, FindForwardStopsWhereTheEnginesLikeFirstHoldsFromTheCurrentRow) {
    QStringList prefixes = kTexts;
    for (const QString& text : kTexts) prefixes.append(text.left(1).toUpper());
    prefixes.append(QStringLiteral("e"));
    prefixes.append(QStringLiteral("nothing"));
    for (const QString& column : {QStringLiteral("name"), QStringLiteral("other")}) {
        Recordset rows = ordered(QStringLiteral("name"));
        ASSERT_EQ(rows.rowCount(), kTexts.size() + 1);
        for (const QString& prefix : prefixes) {
            const std::vector<bool> match = likes(QStringLiteral("name"), column, prefix);
            for (int start = 0; start <= rows.rowCount(); ++start) {
                int expected = start;
                while (expected < rows.rowCount() && !match[size_t(expected)]) ++expected;
                rows.setPosition(start);
                ASSERT_TRUE(rows.findForward(column, prefix).ok());
                EXPECT_EQ(rows.position(), expected)
                    << qPrintable(column) << " '" << qPrintable(prefix) << "' from " << start;
            }
        }
    }
}

TEST_F(SqliteOracle, AnEmptyPrefixFindsTheFirstRowWithAValue) {
    Recordset rows = ordered(QStringLiteral("name"));
    rows.moveFirst();
    ASSERT_TRUE(rows.findForward(u"NAME", QString()).ok());
    EXPECT_EQ(rows.position(), 1);  // the NULL sorts first and begins with nothing
    EXPECT_FALSE(rows.field(u"name").isNull());
}

TEST_F(SqliteOracle, ValuesReadBackAsTheDriverGaveThem) {
    QSqlQuery q(db);
    ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO t VALUES ('seven', 2.5, x'00ff')")));
    Recordset rows = ordered(QStringLiteral("id, name"));
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT * FROM t ORDER BY id, name")));
    for (int r = 0; q.next(); ++r) {
        for (int c = 0; c < 3; ++c) {
            const QVariant held = rows.value(r, c);
            EXPECT_EQ(held, q.value(c)) << r << "," << c;
            EXPECT_EQ(held.isNull(), q.value(c).isNull());
            EXPECT_EQ(held.typeId(), q.value(c).typeId());
        }
    }
    rows.setPosition(rows.rowCount() - 1);
    EXPECT_EQ(rows.text(u"Id"), QStringLiteral("seven"));
    EXPECT_EQ(rows.row(rows.rowCount() - 1).size(), 3);
}

// Inserted and erased values keep their neighbours and kinds; a value of another kind turns
// the column into variants without changing what it shows.
TEST(ColumnValuesTest, InsertAndEraseKeepEveryValue) {
    const QVariant null(QMetaType::fromType<QString>());
    ColumnValues column;
    column.append(null);
    column.insert(1, QStringLiteral("b"));
    column.insert(0, QStringLiteral("é"));
    column.insert(1, null);
    ASSERT_TRUE(column.isText());
    column.erase(0);
    EXPECT_TRUE(column.isNull(0));
    EXPECT_EQ(column.text(2), QByteArrayView("b"));
    column.insert(3, QStringLiteral("c"));
    EXPECT_EQ(column.text(3), QByteArrayView("c"));

    column.insert(0, qlonglong(7));
    EXPECT_FALSE(column.isText());
    const QVariantList expected{qlonglong(7), null, null, QStringLiteral("b"), QStringLiteral("c")};
    ASSERT_EQ(column.size(), int(expected.size()));
    for (int row = 0; row < column.size(); ++row) {
        EXPECT_EQ(column.value(row), expected.at(row)) << row;
        EXPECT_EQ(column.isNull(row), expected.at(row).isNull()) << row;
    }

    ColumnValues numbers;
    numbers.append(null);
    numbers.insert(0, qlonglong(3));
    numbers.erase(1);
    EXPECT_EQ(numbers.value(0), QVariant(qlonglong(3)));
    EXPECT_EQ(numbers.size(), 1);
}

// Values appended as the engine hands them over keep their kinds in any mix.
TEST(ColumnValuesTest, AppendedNumbersAndTextsKeepTheirKinds) {
    const QVariant null(QMetaType::fromType<QString>());
    ColumnValues numbers;
    numbers.append(null);
    numbers.appendInteger(-5);
    numbers.appendInteger(std::numeric_limits<qint64>::max());
    EXPECT_FALSE(numbers.isText());
    numbers.appendText("x");
    const QVariantList expected{null, qlonglong(-5), std::numeric_limits<qlonglong>::max(),
                                QStringLiteral("x")};
    ColumnValues texts;
    texts.appendText("\xC3\xA9");
    texts.appendInteger(3);
    const QVariantList expectedTexts{QStringLiteral("é"), qlonglong(3)};
    for (const auto& [column, values] : {std::pair{&numbers, expected}, {&texts, expectedTexts}}) {
        ASSERT_EQ(column->size(), int(values.size()));
        for (int row = 0; row < column->size(); ++row) {
            EXPECT_EQ(column->value(row), values.at(row)) << row;
            EXPECT_EQ(column->value(row).typeId(), values.at(row).typeId()) << row;
            EXPECT_EQ(column->isNull(row), values.at(row).isNull()) << row;
        }
    }
}
