#pragma once

#include "data/DbError.h"

#include <QString>
#include <QStringList>

#include <vector>

class QSqlDatabase;

namespace vemora {

// The version this program writes, kept in PRAGMA user_version.
inline constexpr int kSchemaVersion = 1;
inline constexpr auto kInitialAdminPassword = "admin";

// The value stored in the file's header that the database password must match.
qint32 passwordVerifier(const QString& password);

// One step of the schema's history: the statements that take a file to `version` from the
// version before it.
struct Migration {
    int version;
    QStringList statements;
};

// The steps from the first delivered version up to kSchemaVersion, oldest first.
const std::vector<Migration>& schemaMigrations();

// Checks that an open file is this program's database in a version it knows, and brings an
// older one forward through the ladder in one transaction. A file that is missing a table, carries
// another password verifier or a newer version is refused and left untouched; the error names
// the file (path) and the cause.
Status prepareDatabase(QSqlDatabase& db, const QString& path, const QString& password);

// Runs the ladder's steps above version `from` in one transaction and records the version
// reached; on any failure nothing of it stays.
Status migrateSchema(QSqlDatabase& db, const QString& path, int from,
                     const std::vector<Migration>& ladder);

// Writes a new database file at path with the five tables and the administrator account.
// Never replaces an existing file: the file is built beside it and moved in only if the
// name is still free.
Status createDeliveredDatabase(const QString& path);

}  // namespace vemora
