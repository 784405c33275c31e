#pragma once

#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/Recordset.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace vemora {

class Prompter;
class Statement;

// The logged-in account.
struct UserRecord {
    QVariant user_num;
    QVariant name;
    QVariant user_name;

    bool isAdministrator() const { return user_num.toLongLong() == 1; }
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

    // Builds the connection string, replaces DbConnection by a new open connection and opens
    // MyConnection if it is closed. A file that cannot be opened is reported with the
    // "Can't locate!" box; the result says whether DbConnection is open.
    bool OpenDatabase();

    // Puts the statement's text in SqlText and runs it on DbConnection; a query's rows
    // replace DbRecordset. Yields the number of rows changed (0 for a query).
    Result<int> execute(const Statement& statement);

private:
    QString m_programDirectory;
    DatabaseLock m_databaseLock;
    Prompter& m_prompter;
    QString m_connectionString;
    std::unique_ptr<Connection> m_dbConnection;
    Recordset m_dbRecordset;
    QString m_sqlText;
    UserRecord m_currentUser;
    Connection m_myConnection;
};

}  // namespace vemora
