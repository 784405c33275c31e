#pragma once

#include "data/DbError.h"

#include <QAnyStringView>
#include <QDate>
#include <QString>
#include <QVariantList>

#include <optional>

namespace vemora {

// The SQL a statement is written in: the file's SQLite or a PostgreSQL server's.
enum class Dialect { File, Server };

// An SQL statement built from fixed pieces and bound values. User text never becomes SQL text:
// every value is bound. An unescaped text value holding an apostrophe breaks the statement
// (kErrSyntax) before it reaches the engine, where the old engine rejected the text as well.
class Statement final {
public:
    Statement() = default;
    explicit Statement(QAnyStringView fixed) { sql(fixed); }

    Statement& sql(QAnyStringView fixed);
    Statement& number(qint64 value);
    // An identifying value (user name, remembered old value, search value): taken as given.
    Statement& text(const QString& value);
    // A new free-text value: passed through ReplaceApostrophes first.
    Statement& escapedText(const QString& value);
    // A day, stored and compared as YYYY-MM-DD.
    Statement& date(QDate value);
    // A value of the program's own, such as a file name: bound as it is, apostrophes and all.
    Statement& value(const QString& value);
    // A value each engine is given in its own form, in the same place of both texts.
    Statement& value(const QString& onFile, const QString& onServer);

    // Pieces that each engine words its own way; the rendering shows the file's.
    // A fixed piece per engine.
    Statement& sql(QAnyStringView onFile, QAnyStringView onServer);
    // `expression = text`, ASCII letter case ignored (the file's NOCASE).
    Statement& caselessEquals(QAnyStringView expression, const QString& text);
    // The same for a column that the file declares NOCASE, which needs no collation named.
    Statement& caselessColumnEquals(QAnyStringView column, const QString& text);
    // `expression = text`, letter for letter.
    Statement& exactEquals(QAnyStringView expression, const QString& text);
    // `left IS right` for two columns, ASCII letter case ignored, NULL equal to NULL.
    Statement& caselessIs(QAnyStringView left, QAnyStringView right);
    // " Order By column" in the file's NOCASE order, NULLs first; rows of equal texts follow
    // `ties` on the server, where the file keeps them in its own order.
    Statement& caselessOrderBy(QAnyStringView column, QAnyStringView ties = {});
    // The order the file returns a whole table in (by its row key `key`), which a server
    // only keeps when asked.
    Statement& storedOrder(QAnyStringView key);
    // A condition that holds for no row.
    Statement& falseCondition();

    // The statement's text in the file's dialect, and in either.
    const QString& query() const { return m_query; }
    const QString& query(Dialect dialect) const {
        return dialect == Dialect::File ? m_query : m_serverQuery;
    }
    const QVariantList& values(Dialect dialect = Dialect::File) const {
        return dialect == Dialect::File ? m_values : m_serverValues;
    }
    const std::optional<DbError>& defect() const { return m_defect; }
    // The statement with its values written in, for display in SqlText.
    const QString& rendering() const { return m_rendering; }

private:
    Statement& bind(const QVariant& value, const QString& shown,
                    std::optional<QVariant> onServer = std::nullopt);

    QString m_query;
    QString m_serverQuery;
    QString m_rendering;
    QVariantList m_values;
    QVariantList m_serverValues;
    std::optional<DbError> m_defect;
};

QString isoDate(QDate date);

}  // namespace vemora
