#include "data/PreparedStatement.h"

#include "data/Connection.h"
#include "data/Engine.h"
#include "data/Statement.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace vemora {

PreparedStatement::PreparedStatement(Connection& connection, const Statement& statement)
    : m_connection(connection), m_query(QSqlDatabase::database(connection.name(), false)) {
    if (statement.defect())
        m_failure = *statement.defect();
    else if (!m_query.prepare(connection.engine().sqlOf(statement)))
        m_failure = connection.toDbError(m_query.lastError());
}

Result<int> PreparedStatement::run(const QVariantList& values) {
    const Status ran = exec(values);
    const Result<int> changed = ran ? Result<int>(m_query.numRowsAffected()) : ran.error();
    // Reset, so that nothing of it is left running when the transaction ends.
    m_query.finish();
    return changed;
}

Result<bool> PreparedStatement::found(const QVariantList& values) {
    const Status ran = exec(values);
    const Result<bool> row = ran ? Result<bool>(m_query.next()) : ran.error();
    m_query.finish();
    return row;
}

Status PreparedStatement::exec(const QVariantList& values) {
    if (m_failure) return *m_failure;
    for (int i = 0; i < values.size(); ++i) m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) return m_connection.toDbError(m_query.lastError());
    return {};
}

}  // namespace vemora
