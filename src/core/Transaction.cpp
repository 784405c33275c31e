#include "core/Transaction.h"

#include "core/Database.h"
#include "data/Statement.h"

namespace vemora {

Transaction::Transaction(Database& database) : m_database(database) {
    const Result<int> begun = m_database.execute(Statement("BEGIN"));
    m_begun = begun.status();
    m_open = begun.ok();
}

// COMMIT and ROLLBACK go straight to the connection: SqlText keeps the last statement of
// the change.
Transaction::~Transaction() {
    if (m_open) (void)m_database.DbConnection().execute(Statement("ROLLBACK"));
}

Status Transaction::commit() {
    const Result<Recordset> committed = m_database.DbConnection().execute(Statement("COMMIT"));
    if (!committed) return committed.error();
    m_open = false;
    return {};
}

}  // namespace vemora
