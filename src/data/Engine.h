#pragma once

#include "data/DbError.h"
#include "data/EngineLock.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace vemora {

class ColumnValues;
class Connection;
class ServerWatch;
class Statement;

// What a Connection needs of the engine its connection string names: the file's SQLite or a
// PostgreSQL server. Chosen once per connection string; nothing above the engines asks which.
class Engine {
public:
    virtual ~Engine() = default;

    // The Qt driver that reaches the engine.
    virtual QString driver() const = 0;
    // Opens db, which was added for driver(). Unless `snapshot`, the database is checked to be
    // this program's and brought forward to the schema's version; a snapshot is read as it
    // lies, read-only where the engine allows.
    virtual Status open(QSqlDatabase& db, bool snapshot) const = 0;

    // Prepares and runs the statement, in the engine's SQL, with its values bound.
    virtual bool run(QSqlQuery& query, const Statement& statement) const = 0;
    // The text a statement is prepared from once, to be run again with other values.
    virtual const QString& sqlOf(const Statement& statement) const = 0;
    // Appends the rows of an executed query to the columns as the file gives them: days as
    // YYYY-MM-DD text, whole numbers as qlonglong, NULL as a null text. A query that stops early
    // is an error, not a short result.
    virtual Status readRows(QSqlQuery& query, std::vector<ColumnValues>& columns) const = 0;
    // Runs a query and reads its rows past the driver, as they arrive, into `columns` (their
    // names) and `values`; nothing when the statement is left to run() and readRows(), having
    // changed nothing.
    virtual std::optional<Status> readQuery(QSqlDatabase& db, const Statement& statement,
                                            QStringList& columns,
                                            std::vector<ColumnValues>& values) const;
    // An error of the driver by its cause, with the programs' error number.
    virtual DbError toDbError(const QSqlError& error) const = 0;
    // Bounds the wait for the answer to what runs on db while it lives: nothing for the file,
    // whose busy timeout bounds its waits.
    virtual std::unique_ptr<ServerWatch> watch(const QSqlDatabase& db) const;
    // The error of a statement whose answer did not come in time, or that the user stopped
    // waiting for (its connection was ended).
    virtual DbError noAnswer(bool stopped) const;

    // Whether the engine tells that another connection committed (the file's data_version).
    virtual bool keepsDataVersion() const = 0;
    // The organizers' lock on this database.
    virtual std::unique_ptr<EngineLock> lock() const = 0;
    // Makes the tables in the connection's empty database, inside the caller's transaction.
    virtual Status createSchema(Connection& connection) const = 0;
    // Nothing when the engine finds the database sound; otherwise what it found. A server
    // keeps its own soundness.
    virtual std::optional<QString> integrityProblem(Connection& connection) const = 0;

    // The engine for a connection string: a postgresql:// URL names a server, anything else the
    // file's key=value pairs.
    static std::unique_ptr<Engine> forConnectionString(const QString& text);
};

}  // namespace vemora
