#include "data/PreparedStatement.h"

#include "data/Connection.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace vemora {

PreparedStatement::PreparedStatement(Connection& connection, const Statement& statement)
    : m_query(QSqlDatabase::database(connection.name(), false)) {
    if (statement.defect())
        m_failure = *statement.defect();
    else if (!m_query.prepare(statement.query()))
        m_failure = SqliteEngine::toDbError(m_query.lastError());
}

Result<int> PreparedStatement::run(const QVariantList& values) {
    if (m_failure) return *m_failure;
    for (int i = 0; i < values.size(); ++i) m_query.bindValue(i, values.at(i));
    const bool ran = m_query.exec();
    const Result<int> changed =
        ran ? Result<int>(m_query.numRowsAffected()) : SqliteEngine::toDbError(m_query.lastError());
    // Reset, so that nothing of it is left running when the transaction ends.
    m_query.finish();
    return changed;
}

}  // namespace vemora
