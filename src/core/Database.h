#pragma once

#include "data/Connection.h"
#include "data/ConnectionString.h"
#include "data/EngineLock.h"
#include "data/Recordset.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace vemora {

class Statement;

// A program's shared connection to its journey.mdb (beside it, or the computer's shared one),
// or to the server database that vemora.conf beside the program names, with what is kept
// beside it:
// the connection string, the rows of the last query and the SQL text last run. Shows nothing:
// failures come back as errors for the windows to word.
class Database final {
    Q_DISABLE_COPY_MOVE(Database)
public:
    // An organizer holds the lock shared for its whole run from the first open; the
    // maintenance tool takes it only while it replaces the file.
    enum class Lock { None, Shared };

    Database(QString programDirectory, Lock lock);
    // A database named by its connection string (a file of any name, or a server URL), which
    // no vemora.conf redirects.
    struct Named {
        QString connectionString;
    };
    Database(Named database, Lock lock);
    ~Database();

    const QString& programDirectory() const { return m_programDirectory; }
    const QString& ConnectionString() const { return m_connectionString; }
    Connection& DbConnection() { return *m_dbConnection; }
    Recordset& DbRecordset() { return m_dbRecordset; }
    QString& SqlText() { return m_sqlText; }
    // The program's journey.mdb; empty on a server.
    QString filePath() const;
    // The server the program uses, when it uses one rather than the file.
    std::optional<ServerAddress> server() const;

    // While the maintenance tool holds the file, open() waits up to `wait`, then asks `retry`
    // whether to wait again; no answer means no.
    void setToolWait(std::chrono::milliseconds wait, std::function<bool()> retry) {
        m_toolWait = wait;
        m_retry = std::move(retry);
    }

    // Takes the lock when the program holds one, then replaces DbConnection by a new open
    // connection. vemora.conf is read anew each time; one that cannot be used is a Missing
    // database, as an unreachable server is.
    Status open();

    // Puts the statement's text in SqlText and runs it on DbConnection; a query's rows replace
    // DbRecordset. Yields the number of rows changed (0 for a query). A connection that open()
    // failed to open is opened again first, or the reason it cannot be is returned.
    Result<int> execute(const Statement& statement);

private:
    friend class Transaction;
    bool holdLock();
    // The connection string of the database the program uses now, or why there is none.
    Result<QString> chosenDatabase() const;

    QString m_programDirectory;
    std::optional<QString> m_named;
    Lock m_lockKind;
    std::unique_ptr<EngineLock> m_lock;
    QString m_lockTarget;  // the connection string m_lock belongs to
    QString m_connectionString;
    std::unique_ptr<Connection> m_dbConnection;
    Recordset m_dbRecordset;
    QString m_sqlText;
    std::chrono::milliseconds m_toolWait{2000};
    std::function<bool()> m_retry;
    bool m_openFailed = false;
    int m_transactions = 0;  // open on DbConnection, the outermost first
};

}  // namespace vemora
