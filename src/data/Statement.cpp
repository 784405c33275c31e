#include "data/Statement.h"

#include "data/Encoding.h"

namespace vemora {

QString isoDate(QDate date) {
    return date.toString(Qt::ISODate);
}

namespace {

// A text compared as the file's NOCASE compares it: lower() folds ASCII letters only under
// the "C" collation, which also orders the folded texts byte by byte.
QString folded(QAnyStringView expression) {
    return QStringLiteral("lower(%1 COLLATE \"C\")").arg(expression.toString());
}

}  // namespace

Statement& Statement::sql(QAnyStringView fixed) {
    return sql(fixed, fixed);
}

Statement& Statement::sql(QAnyStringView onFile, QAnyStringView onServer) {
    const QString piece = onFile.toString();
    m_query += piece;
    m_rendering += piece;
    m_serverQuery += onServer.toString();
    return *this;
}

Statement& Statement::caselessEquals(QAnyStringView expression, const QString& text) {
    return sql(expression.toString() + QStringLiteral(" = "),
               folded(expression) + QStringLiteral(" = lower(CAST("))
        .text(text)
        .sql(u" COLLATE NOCASE", u" AS text) COLLATE \"C\")");
}

Statement& Statement::caselessColumnEquals(QAnyStringView column, const QString& text) {
    return sql(column.toString() + QStringLiteral(" = "),
               folded(column) + QStringLiteral(" = lower(CAST("))
        .text(text)
        .sql(u"", u" AS text) COLLATE \"C\")");
}

Statement& Statement::exactEquals(QAnyStringView expression, const QString& text) {
    // A server's own collations compare equal texts only when they are equal byte for byte.
    return sql(expression.toString() + QLatin1Char('=')).text(text).sql(u" COLLATE BINARY", u"");
}

Statement& Statement::caselessIs(QAnyStringView left, QAnyStringView right) {
    return sql(QStringLiteral("%1 IS %2").arg(left.toString(), right.toString()),
               QStringLiteral("%1 IS NOT DISTINCT FROM %2").arg(folded(left), folded(right)));
}

Statement& Statement::caselessOrderBy(QAnyStringView column, QAnyStringView ties) {
    QString onServer = QStringLiteral(" Order By %1 NULLS FIRST").arg(folded(column));
    if (!ties.isEmpty()) onServer += QStringLiteral(", ") + ties.toString();
    return sql(QStringLiteral(" Order By ") + column.toString(), onServer);
}

Statement& Statement::storedOrder(QAnyStringView key) {
    return sql(QString(), QStringLiteral(" ORDER BY ") + key.toString());
}

Statement& Statement::falseCondition() {
    return sql(u" 0", u" false");
}

Statement& Statement::bind(const QVariant& value, const QString& shown,
                           std::optional<QVariant> onServer) {
    m_query += QLatin1Char('?');
    m_serverQuery += QLatin1Char('?');
    m_rendering += shown;
    m_values.append(value);
    m_serverValues.append(onServer ? *onServer : value);
    return *this;
}

Statement& Statement::number(qint64 value) {
    return bind(value, QString::number(value));
}

Statement& Statement::value(const QString& value) {
    return bind(value, QLatin1Char('\'') + value + QLatin1Char('\''));
}

Statement& Statement::value(const QString& onFile, const QString& onServer) {
    return bind(onFile, QLatin1Char('\'') + onFile + QLatin1Char('\''), onServer);
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
