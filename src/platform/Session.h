#pragma once

#include "core/Accounts.h"
#include "core/Database.h"

#include <QString>

#include <chrono>

namespace vemora {

class Prompter;
class Statement;

// The program-wide data state the windows share: the shared connection and recordset, the
// SQL text last built, the report connection and the current user.
class Session final {
    Q_DISABLE_COPY_MOVE(Session)
public:
    Session(QString programDirectory, Prompter& prompter);
    ~Session();

    const QString& programDirectory() const { return m_database.programDirectory(); }
    Prompter& prompter() { return m_prompter; }
    Database& database() { return m_database; }

    const QString& ConnectionString() const { return m_database.ConnectionString(); }
    Connection& DbConnection() { return m_database.DbConnection(); }
    Recordset& DbRecordset() { return m_database.DbRecordset(); }
    QString& SqlText() { return m_database.SqlText(); }
    UserRecord& CurrentUser() { return m_currentUser; }
    // The reports' connection, opened once and kept open.
    Connection& MyConnection() { return m_myConnection; }

    // Holds the database lock shared (asking the user to wait while the maintenance tool
    // works), replaces DbConnection by a new open connection and opens MyConnection if it is
    // closed. A file that cannot be opened is reported; the result says whether DbConnection
    // is open.
    bool OpenDatabase();

    // Database::execute on the shared connection.
    Result<int> execute(const Statement& statement) { return m_database.execute(statement); }

    // How long OpenDatabase waits for the maintenance tool before it asks the user.
    void setLockWait(std::chrono::milliseconds wait);

private:
    Prompter& m_prompter;
    Database m_database;
    UserRecord m_currentUser;
    Connection m_myConnection;
};

}  // namespace vemora
