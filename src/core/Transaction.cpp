#include "core/Transaction.h"
#include "data/Logging.h"

#include "core/Database.h"
#include "data/Statement.h"

namespace vemora {

Transaction::Transaction(Database& database)
    : m_database(database), m_nested(database.m_transactions > 0) {
    const Result<int> begun =
        m_database.execute(Statement(m_nested ? "SAVEPOINT change" : "BEGIN"));
    // BEGIN may have connected again.
    m_connection = m_database.m_opened;
    m_begun = begun.status();
    m_open = begun.ok();
    if (m_open) ++m_database.m_transactions;
}

// COMMIT and ROLLBACK go straight to the connection: SqlText keeps the last statement of
// the change.
Transaction::~Transaction() {
    // One that ended with its connection has nothing to roll back.
    if (!m_open || m_connection != m_database.m_opened) return;
    --m_database.m_transactions;
    Connection& connection = m_database.DbConnection();
    if (!m_nested) {
        logDropped(logCore(), "ROLLBACK", connection.execute(Statement("ROLLBACK")));
        return;
    }
    logDropped(logCore(), "ROLLBACK TO change",
               connection.execute(Statement("ROLLBACK TO change")));
    logDropped(logCore(), "RELEASE change", connection.execute(Statement("RELEASE change")));
}

Status Transaction::commit() {
    const Result<Recordset> committed =
        m_database.DbConnection().execute(Statement(m_nested ? "RELEASE change" : "COMMIT"));
    if (!committed) {
        if (!m_nested && committed.error().problem == DbProblem::ConnectionLost) {
            m_database.m_openFailed = true;
            m_database.m_commitUnknown = true;
        }
        return committed.error();
    }
    m_open = false;
    --m_database.m_transactions;
    return {};
}

}  // namespace vemora
