#pragma once

#include "data/DbError.h"

#include <QAnyStringView>
#include <QDate>
#include <QString>
#include <QVariantList>

#include <optional>

namespace vemora {

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

    const QString& query() const { return m_query; }
    const QVariantList& values() const { return m_values; }
    const std::optional<DbError>& defect() const { return m_defect; }
    // The statement with its values written in, for display in SqlText.
    const QString& rendering() const { return m_rendering; }

private:
    Statement& bind(const QVariant& value, const QString& shown);

    QString m_query;
    QString m_rendering;
    QVariantList m_values;
    std::optional<DbError> m_defect;
};

QString isoDate(QDate date);

}  // namespace vemora
