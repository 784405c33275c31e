#pragma once

#include "data/DbError.h"

namespace vemora {

class Database;

// The statements run on the database's shared connection between construction and commit()
// make one change: a transaction left without commit() is rolled back. Inside another
// transaction it is a savepoint: its commit keeps the change for the outer one to commit.
class Transaction final {
    Q_DISABLE_COPY_MOVE(Transaction)
public:
    // Begins through Database::execute, so that a connection whose open failed is opened again.
    explicit Transaction(Database& database);
    ~Transaction();

    // Whether the transaction began; nothing else should run when it did not.
    const Status& begun() const { return m_begun; }
    Status commit();

private:
    Database& m_database;
    Status m_begun;
    bool m_nested;
    bool m_open = false;
    quint64 m_connection;  // the database's open() it began on
};

}  // namespace vemora
