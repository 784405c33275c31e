#pragma once

#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/Recordset.h"

#include <QString>
#include <QVariant>

#include <chrono>
#include <memory>

namespace vemora {

class Prompter;
class Statement;

// Account 1 administers the others.
inline constexpr qint64 kAdministratorNumber = 1;

// The logged-in account.
struct UserRecord {
    QVariant user_num;
    QVariant name;
    QVariant user_name;

    bool isAdministrator() const { return user_num.toLongLong() == kAdministratorNumber; }
};

// The program-wide data state the windows share: the shared connection and recordset, the
// SQL text last built, the report connection and the current user.
class Session final {
    Q_DISABLE_COPY_MOVE(Session)
public:
    Session(QString programDirectory, Prompter& prompter);
    ~Session();

    const QString& programDirectory() const { return m_programDirectory; }
    Prompter& prompter() { return m_prompter; }

    const QString& ConnectionString() const { return m_connectionString; }
    Connection& DbConnection() { return *m_dbConnection; }
    Recordset& DbRecordset() { return m_dbRecordset; }
    QString& SqlText() { return m_sqlText; }
    UserRecord& CurrentUser() { return m_currentUser; }
    // The reports' connection, opened once and kept open.
    Connection& MyConnection() { return m_myConnection; }

    // Holds the database lock shared (waiting while the maintenance tool works), builds the
    // connection string, replaces DbConnection by a new open connection and opens MyConnection
    // if it is closed. A file that cannot be opened is reported; the result says whether
    // DbConnection is open.
    bool OpenDatabase();

    // Puts the statement's text in SqlText and runs it on DbConnection; a query's rows
    // replace DbRecordset. Yields the number of rows changed (0 for a query). A connection
    // that OpenDatabase failed to open is opened again first, or the reason it cannot be.
    Result<int> execute(const Statement& statement);

    // How long OpenDatabase waits for the maintenance tool before it asks the user.
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }

private:
    Status open();

    QString m_programDirectory;
    DatabaseLock m_databaseLock;
    Prompter& m_prompter;
    QString m_connectionString;
    std::unique_ptr<Connection> m_dbConnection;
    Recordset m_dbRecordset;
    QString m_sqlText;
    UserRecord m_currentUser;
    Connection m_myConnection;
    std::chrono::milliseconds m_lockWait{2000};
    bool m_openFailed = false;
};

}  // namespace vemora
