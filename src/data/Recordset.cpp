#include "data/Recordset.h"

#include "data/Connection.h"
#include "data/Statement.h"

namespace vemora {

namespace {
constexpr long kErrArguments = -2146825287;  // criterion the engine cannot read
constexpr long kErrNoRow = -2146825267;      // no current row
}  // namespace

Recordset::Recordset(QStringList columns, QList<QVariantList> rows)
    : m_open(true), m_columns(std::move(columns)), m_rows(std::move(rows)) {
    for (int i = 0; i < m_columns.size(); ++i) m_index.insert(m_columns.at(i).toLower(), i);
}

Status Recordset::open(const Statement& source, Connection& connection) {
    close();
    auto result = connection.execute(source);
    if (!result) return result.error();
    *this = std::move(result.value());
    return {};
}

void Recordset::close() { *this = Recordset(); }

int Recordset::columnIndex(QStringView name) const {
    return m_index.value(name.toString().toLower(), -1);
}

void Recordset::setPosition(int row) { m_position = std::clamp(row, 0, rowCount()); }

void Recordset::moveNext() {
    if (!eof()) ++m_position;
}

QVariant Recordset::field(QStringView name) const {
    const int col = columnIndex(name);
    if (eof() || col < 0) return {};
    return m_rows.at(m_position).at(col);
}

QDate Recordset::date(QStringView name) const {
    return QDate::fromString(text(name).left(10), Qt::ISODate);
}

Status Recordset::findForward(QStringView column, const QString& prefix) {
    const int col = columnIndex(column);
    if (prefix.contains(QLatin1Char('\'')) || col < 0) {
        m_position = rowCount();
        return DbError{kErrArguments,
                       QStringLiteral("Arguments are of the wrong type, are out of acceptable "
                                      "range, or are in conflict with one another.")};
    }
    if (m_rows.isEmpty()) {
        return DbError{kErrNoRow, QStringLiteral("Either BOF or EOF is True, or the current "
                                                 "record has been deleted.")};
    }
    for (int r = m_position; r < rowCount(); ++r) {
        const QVariant& value = m_rows.at(r).at(col);
        // Text columns are compared in place; only other types need converting.
        const bool match =
            value.typeId() == QMetaType::QString
                ? static_cast<const QString*>(value.constData())->startsWith(prefix, Qt::CaseInsensitive)
                : value.toString().startsWith(prefix, Qt::CaseInsensitive);
        if (match) {
            m_position = r;
            return {};
        }
    }
    m_position = rowCount();
    return {};
}

}  // namespace vemora
