#pragma once

#include "data/ConnectionString.h"
#include "data/DbError.h"
#include "data/EngineLock.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QSqlError;
class QSqlQuery;

namespace vemora {

class ColumnValues;
class Connection;
class Engine;
struct Migration;
class Statement;

// One named connection to a server database, closed and removed with the object.
class ServerSession final {
    Q_DISABLE_COPY_MOVE(ServerSession)
public:
    explicit ServerSession(ServerAddress server);
    ~ServerSession();

    // Opens the connection; a server that cannot be reached or refuses the log-in is a
    // Missing database, and the error names the server.
    Status open();
    QSqlDatabase database() const;
    const ServerAddress& server() const { return m_server; }

private:
    ServerAddress m_server;
    QString m_name;
};

// The organizers' and the tool's lock on a server database: one advisory lock on a fixed key,
// held by a session of its own for as long as the lock is held.
class ServerLock final : public EngineLock {
public:
    explicit ServerLock(ServerAddress server);
    ~ServerLock() override;

    bool tryLock(Mode mode) override;
    void unlock() override;
    bool isLocked() const override { return m_session != nullptr; }
    bool heldElsewhere() const override { return m_heldElsewhere; }
    bool stillHeld() override;
    // The session's end (the server's goodbye, a closed socket) read from its socket.
    bool seenEnded() override;

    static constexpr qint64 kKey = 0x56656d6f7261;  // "Vemora"

private:
    ServerAddress m_server;
    std::unique_ptr<ServerSession> m_session;
    bool m_heldElsewhere = false;
};

// Everything that is PostgreSQL's own, beside SqliteEngine: the schema, the settings that
// stand for the file's header (version and password verifier), and how the server's errors
// map to the programs' error numbers.
class PostgresEngine final {
public:
    PostgresEngine() = delete;

    // The engine of a Connection to the server, or one that says why the URL names none.
    static std::unique_ptr<Engine> forServer(Result<ServerAddress> server);

    static QString driver();
    // Opens a QPSQL connection to the server as every session of the programs reaches it; a
    // server that cannot be reached or refuses the log-in is a Missing database, named.
    static Status open(QSqlDatabase& db, const ServerAddress& server);

    // By SQLSTATE: a repeated unique value is the general failure (a Duplicate), a statement
    // that cannot be parsed (class 42) the syntax error, a lost connection ConnectionLost.
    static DbError toDbError(const QSqlError& error);
    // Appends the rows of an executed query to the columns as the file gives them: days as
    // YYYY-MM-DD text, whole numbers as qlonglong, NULL as a null text.
    static Status readRows(QSqlQuery& query, std::vector<ColumnValues>& columns);
    // Runs a SELECT through libpq, the rows read one by one as the server sends them, into the
    // columns as readRows() gives them. Nothing, having run nothing, for any other statement,
    // one binding a value other than a whole number or a text, or a connection still busy with
    // the driver's query;
    // nothing, its rows left unread, for a query with a column of a type other than whole
    // numbers, texts, days and truth values.
    static std::optional<Status> readQuery(QSqlDatabase& db, const Statement& statement,
                                           QStringList& columns, std::vector<ColumnValues>& values);
    // Why a server database cannot be used, naming it and the cause.
    static DbError refusal(DbProblem problem, const ServerAddress& server, const QString& cause);

    // Creates the tables and the settings in the connection's empty database, inside the
    // caller's transaction; a database that holds anything is refused.
    static Status createSchema(Connection& connection, const ServerAddress& server);
    // createSchema() and the administrator account, in one transaction.
    static Status createDatabase(const ServerAddress& server);
    // After rows were loaded with their own user numbers: new accounts are numbered after them.
    static Status renumberAccounts(Connection& connection);

    // Checks that an open server database is this program's in a version it knows, and brings
    // an older one forward through the ladder in one transaction. One that lacks a table,
    // carries another password verifier or a newer version is refused and left untouched; the
    // error names the server and the cause.
    static Status prepare(QSqlDatabase& db, const ServerAddress& server, const QString& password);
    // Runs the ladder's steps above the version the settings record, in one transaction that
    // also records the version reached; on any failure nothing of it stays.
    static Status migrate(QSqlDatabase& db, const ServerAddress& server,
                          const std::vector<Migration>& ladder);
};

}  // namespace vemora
