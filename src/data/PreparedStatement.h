#pragma once

#include "data/DbError.h"

#include <QSqlQuery>
#include <QVariantList>

namespace vemora {

class Connection;
class Statement;

// A statement prepared once and run again and again with other values: for many records in a
// row, where preparing each one anew would cost more than running it.
class PreparedStatement final {
    Q_DISABLE_COPY_MOVE(PreparedStatement)
public:
    // The statement's text with its placeholders; the values it was built with are not used.
    PreparedStatement(Connection& connection, const Statement& statement);

    // Runs it with one value per placeholder, in order; yields the number of rows changed.
    Result<int> run(const QVariantList& values);
    // Runs a query with one value per placeholder, in order; yields whether it found a row.
    Result<bool> found(const QVariantList& values);

private:
    Status exec(const QVariantList& values);

    Connection& m_connection;
    QSqlQuery m_query;
    std::optional<DbError> m_failure;  // why it could not be prepared
};

}  // namespace vemora
