#pragma once

#include "data/DbError.h"
#include "data/Schema.h"

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
class Engine;
struct ConnectionParts;

// Why a database is not one this program may open, and the cause, as refusals word it.
struct SchemaProblem {
    DbProblem problem;
    QString cause;
};

// What keeps a database that carries `verifier`, `version` and the tables `present` from being
// this program's database under `password`, in a version from `oldest` up to kSchemaVersion
// with every table of the schema and of `alsoRequired`; nothing when it is.
std::optional<SchemaProblem> schemaProblem(qint32 verifier, int version, const QStringList& present,
                                           const QString& password, int oldest,
                                           const QStringList& alsoRequired = {});

// Everything that is SQLite's own: the schema and its migrations, how engine errors map to the
// programs' error numbers, compaction and integrity checks, and the files kept beside a
// database. A server engine is a sibling of this class.
class SqliteEngine final {
public:
    SqliteEngine() = delete;

    // The engine of a Connection to the file the parts name.
    static std::unique_ptr<Engine> forFile(ConnectionParts parts);

    static QString version();
    // The Qt driver that reaches the engine.
    static QString driver();

    static DbError toDbError(const QSqlError& error);
    // Why a file cannot be used, naming it (path) and the cause.
    static DbError refusal(DbProblem problem, const QString& path, const QString& cause);

    // Appends the rows of an executed query to the columns, one ColumnValues per column, with
    // the values the driver would give; texts go from the engine to the columns as UTF-8. A
    // query that stops early is an error, not a short result.
    static Status readRows(QSqlQuery& query, std::vector<ColumnValues>& columns);

    // The value stored in the file's header that the database password must match.
    static qint32 passwordVerifier(const QString& password);

    // Writes a new database file at path with the five tables and the administrator account.
    // Never replaces an existing file: the file is built beside it and moved in only if the
    // name is still free.
    static Status createDatabase(const QString& path);

    // Checks that an open file is this program's database in a version it knows, and brings
    // an older one forward through the ladder in one transaction. A file that is missing a
    // table, carries another password verifier or a newer version is refused and left
    // untouched; the error names the file (path) and the cause.
    static Status prepare(QSqlDatabase& db, const QString& path, const QString& password);

    // Runs the ladder's steps above version `from` in one transaction and records the version
    // reached; on any failure nothing of it stays.
    static Status remakeMissingSearchIndex(QSqlDatabase& db, const QString& path);
    static Status migrate(QSqlDatabase& db, const QString& path, int from,
                          const std::vector<Migration>& ladder);

    // Writes a compacted copy of the connection's database to a new, empty file.
    static Status compactInto(Connection& connection, const QString& target);
    // Writes every page of the database `source` into the existing file `target` in one
    // transaction of its own, under its journal: the file keeps its owner and permissions.
    static Status copyInto(const QString& source, const QString& target);
    // Nothing when the engine finds the database sound; otherwise what it found.
    static std::optional<QString> integrityProblem(Connection& connection);
    // Whether the full-text index fails its own check; a read-only copy is not checked.
    static bool searchIndexDamaged(Connection& connection);
    // Makes the full-text index again from the texts.
    static Status rebuildSearchIndex(Connection& connection);

    // Files the engine keeps beside a database: the journals of a change being written, all
    // of its own files, and every companion (those and the organizers' lock file).
    static QStringList journalSuffixes();
    static QStringList engineFileSuffixes();
    static QStringList companionSuffixes();
    // A journal beside the database that holds a change: a writer is in the middle of one, or
    // died in it. An empty or finished journal is none.
    static std::optional<QString> writersJournal(const QString& database);
    // Something planted at a journal's name that the engine would follow, write into or wait
    // on: a link, a hard-linked file, a folder, a pipe or a device.
    static std::optional<QString> plantedEngineFile(const QString& database);
};

}  // namespace vemora
