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
struct Change;

// What the windows show while a lost connection to a server is made again.
class ReconnectWatcher {
public:
    enum class Answer { Wait, Retry, Cancel };
    virtual ~ReconnectWatcher() = default;
    // Asked several times a second while no connection is made; `waited` since the loss.
    // Retry tries at once and waits the whole wait again; Cancel gives up.
    virtual Answer waiting(const QString& server, std::chrono::milliseconds waited) = 0;
    // The wait ended: connected, given up or cancelled.
    virtual void ended() = 0;
};

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

    // How long a lost connection to a server is tried again before the action that found it
    // fails, and who is told while it is.
    void setReconnect(std::chrono::milliseconds wait, ReconnectWatcher* watcher) {
        m_reconnectWait = wait;
        m_watcher = watcher;
    }

    // Takes the lock when the program holds one, then replaces DbConnection by a new open
    // connection. vemora.conf is read anew each time; one that cannot be used is a Missing
    // database, as an unreachable server is.
    Status open();

    // Puts the statement's text in SqlText and runs it on DbConnection; a query's rows replace
    // DbRecordset. Yields the number of rows changed (0 for a query). A connection that open()
    // failed to open is opened again first, or the reason it cannot be is returned. A query
    // (or a BEGIN) outside a transaction whose connection was lost is run again once the
    // connection is made again (see setReconnect()); nothing else is repeated here.
    Result<int> execute(const Statement& statement);

    // A change made in one transaction by `attempt`. When the connection is lost before its
    // COMMIT, nothing of it was stored: the connection is made again and it is attempted anew.
    // When it is lost at the COMMIT, nobody knows whether the server committed: `landed` asks
    // the server on the new connection, and it is attempted anew only when it did not. Inside
    // another transaction, only attempted.
    Result<Change> change(const std::function<Result<Change>()>& attempt,
                          const std::function<Result<bool>()>& landed);

    // For a timer while the program idles: when the lock's holder is seen ended (a server that
    // ended the lock's session or restarted), the lock is taken again at once, so no restore
    // starts in the meantime. Never waits on a server that does not answer; does nothing while
    // the lock is being taken or a lost connection made again. False while the lock is not
    // held again.
    bool keepLock();

private:
    friend class Transaction;
    bool holdLock();
    // Opens again after `lost`, for up to the reconnect wait; the error of the last attempt
    // (a tool holding the lock) or `lost` when none succeeds.
    Status reconnect(const DbError& lost);
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
    int m_transactions = 0;        // open on DbConnection, the outermost first
    quint64 m_opened = 0;          // counts open(): a transaction belongs to one connection
    bool m_commitUnknown = false;  // the connection was lost at a COMMIT
    std::chrono::milliseconds m_reconnectWait{15000};
    ReconnectWatcher* m_watcher = nullptr;
    int m_lockBusy = 0;       // holdLock() or reconnect() runs (their questions run events)
    bool m_lockLost = false;  // keepLock() saw the lock end and has not taken it again
};

}  // namespace vemora
