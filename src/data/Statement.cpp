#include "data/Statement.h"

#include "data/Encoding.h"

namespace vemora {

QString isoDate(QDate date) {
    return date.toString(Qt::ISODate);
}

Statement& Statement::sql(QAnyStringView fixed) {
    const QString piece = fixed.toString();
    m_query += piece;
    m_rendering += piece;
    return *this;
}

Statement& Statement::bind(const QVariant& value, const QString& shown) {
    m_query += QLatin1Char('?');
    m_rendering += shown;
    m_values.append(value);
    return *this;
}

Statement& Statement::number(qint64 value) {
    return bind(value, QString::number(value));
}

Statement& Statement::value(const QString& value) {
    return bind(value, QLatin1Char('\'') + value + QLatin1Char('\''));
}

Statement& Statement::text(const QString& value) {
    if (value.contains(QLatin1Char('\'')) && !m_defect) {
        m_defect = DbError{
            kErrSyntax,
            QStringLiteral("Syntax error (missing operator) in query expression '%1'.").arg(value)};
    }
    return this->value(value);
}

Statement& Statement::escapedText(const QString& value) {
    return text(ReplaceApostrophes(value));
}

Statement& Statement::date(QDate value) {
    const QString iso = isoDate(value);
    return bind(iso, QLatin1Char('#') + iso + QLatin1Char('#'));
}

}  // namespace vemora
