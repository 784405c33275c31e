#include "data/SqliteEngine.h"

#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/Engine.h"
#include "data/Recordset.h"
#include "data/Statement.h"

#include "data/ConnectionString.h"
#include "data/Encoding.h"
#include "data/Logging.h"
#include "data/SafeFiles.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QTemporaryFile>
#include <QUrl>
#include <QtEndian>

#include <sqlite3.h>
#include <sys/stat.h>

namespace vemora {

namespace {

// Long enough to ride out another writer's commit, short enough not to freeze a window.
constexpr int kBusyTimeoutMs = 1500;

DbProblem problemOf(const QSqlError& error) {
    switch (error.nativeErrorCode().toInt() & 0xFF) {
        case 5:  // SQLITE_BUSY
        case 6:  // SQLITE_LOCKED
            return DbProblem::Busy;
        case 26:  // SQLITE_NOTADB
            return DbProblem::Foreign;
        default:
            return DbProblem::Damaged;
    }
}

QString engineText(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

// A refusal at open, with what the user can do about it.
DbError refusedAtOpen(DbProblem problem, const QString& path, const QString& cause) {
    DbError error = SqliteEngine::refusal(problem, path, cause);
    switch (problem) {
        case DbProblem::Busy:
            error.description += QStringLiteral(" Please try again in a moment.");
            break;
        case DbProblem::Newer:
            error.description += QStringLiteral(" Nothing in it was changed.");
            break;
        case DbProblem::Foreign:
            break;
        default:
            error.description += QStringLiteral(" Restore it from a backup copy.");
            break;
    }
    return error;
}

Status run(QSqlQuery& query, const QString& sql) {
    if (query.exec(sql)) return {};
    return DbError{kErrOther, query.lastError().text()};
}

Status fill(const QString& path) {
    const QString name = QStringLiteral("vemora-makedb");
    Status status;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            status = DbError{kErrGeneral, db.lastError().text()};
        } else {
            QSqlQuery q(db);
            status = run(
                q,
                QStringLiteral("PRAGMA application_id = %1")
                    .arg(SqliteEngine::passwordVerifier(QString::fromLatin1(kDatabasePassword))));
            if (status)
                status = run(q, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
            if (status) status = run(q, QStringLiteral("BEGIN"));
            for (const QString& sql : fileSchema())
                if (status) status = run(q, sql);
            if (status) {
                const Statement seed = administratorSeed();
                q.prepare(seed.query());
                for (const QVariant& value : seed.values()) q.addBindValue(value);
                if (!q.exec()) status = DbError{kErrOther, q.lastError().text()};
            }
            if (status) status = run(q, QStringLiteral("COMMIT"));
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

// The engine of a Connection to a database file.
class FileEngine final : public Engine {
public:
    explicit FileEngine(ConnectionParts parts) : m_parts(std::move(parts)) {}

    QString driver() const override { return SqliteEngine::driver(); }
    Status open(QSqlDatabase& db, bool snapshot) const override;
    bool run(QSqlQuery& query, const Statement& statement) const override {
        if (!query.prepare(statement.query())) return false;
        for (const QVariant& value : statement.values()) query.addBindValue(value);
        return query.exec();
    }
    const QString& sqlOf(const Statement& statement) const override { return statement.query(); }
    Status readRows(QSqlQuery& query, std::vector<ColumnValues>& columns) const override {
        return SqliteEngine::readRows(query, columns);
    }
    DbError toDbError(const QSqlError& error) const override {
        return SqliteEngine::toDbError(error);
    }
    bool keepsDataVersion() const override { return true; }
    std::unique_ptr<EngineLock> lock() const override {
        return std::make_unique<DatabaseLock>(m_parts.dataSource);
    }
    Status createSchema(Connection& connection) const override {
        for (const QString& sql : fileSchema())
            if (const Result<Recordset> done = connection.execute(Statement(sql)); !done)
                return done.error();
        return {};
    }
    std::optional<QString> integrityProblem(Connection& connection) const override {
        return SqliteEngine::integrityProblem(connection);
    }

private:
    ConnectionParts m_parts;
};

Status FileEngine::open(QSqlDatabase& db, bool snapshot) const {
    const QString& path = m_parts.dataSource;
    const QFileInfo file(path);
    const QString shown = QDir::toNativeSeparators(path);
    // In a folder other accounts may write, the name may have been replaced by a link or a
    // file of theirs.
    if (!path.isEmpty() && othersMayWrite(file.absolutePath()))
        if (const auto why = untrustedDatabase(path))
            return DbError{kErrGeneral,
                           QStringLiteral("The database cannot be used: %1.").arg(*why),
                           DbProblem::Unreadable};
    if (path.isEmpty() || !file.exists()) {
        return DbError{kErrGeneral, QStringLiteral("Could not find file '%1'.").arg(shown),
                       DbProblem::Missing};
    }
    // Read access is tested first: the engine would call an unreadable file "unable to open".
    if (QFile probe(path); !file.isFile() || !probe.open(QIODevice::ReadOnly)) {
        const QString why = file.isFile() ? probe.errorString() : QStringLiteral("not a file");
        return DbError{kErrGeneral,
                       QStringLiteral("The database file %1 exists but cannot be opened (%2).")
                           .arg(shown, why),
                       DbProblem::Unreadable};
    }

    // A snapshot reads the file alone; any other opening may write the journal.
    if (const auto planted = snapshot ? std::nullopt : SqliteEngine::plantedEngineFile(path))
        return DbError{kErrGeneral,
                       QStringLiteral("The database cannot be used: %1.").arg(*planted),
                       DbProblem::Unreadable};
    // mode=rw: open read-write, never create.
    QUrl uri = QUrl::fromLocalFile(file.absoluteFilePath());
    uri.setQuery(snapshot ? QStringLiteral("mode=ro&immutable=1") : QStringLiteral("mode=rw"));
    db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1%2")
                             .arg(kBusyTimeoutMs)
                             .arg(snapshot ? QStringLiteral(";QSQLITE_OPEN_READONLY") : QString()));
    if (!db.open()) {
        DbError error = SqliteEngine::toDbError(db.lastError());
        error.number = kErrGeneral;
        error.problem = DbProblem::Unreadable;
        error.description = QStringLiteral("The database file %1 exists but cannot be opened (%2).")
                                .arg(shown, error.description);
        return error;
    }
    if (snapshot) return {};
    return SqliteEngine::prepare(db, path, m_parts.password);
}

}  // namespace

std::unique_ptr<Engine> SqliteEngine::forFile(ConnectionParts parts) {
    return std::make_unique<FileEngine>(std::move(parts));
}

Status SqliteEngine::migrate(QSqlDatabase& db, const QString& path, int from,
                             const std::vector<Migration>& ladder) {
    QSqlQuery q(db);
    auto failed = [&](const QSqlError& error) {
        const DbError why =
            refusedAtOpen(problemOf(error), path, ladderFailure(from, ladder, engineText(error)));
        q.finish();
        db.rollback();
        return Status(why);
    };
    if (!db.transaction()) return failed(db.lastError());
    const auto recording = [](int version) {
        return QStringLiteral("PRAGMA user_version = %1").arg(version);
    };
    if (!climbLadder(q, from, ladder, &Migration::onFile, recording)) return failed(q.lastError());
    q.finish();
    if (!db.commit()) return failed(db.lastError());
    return {};
}

Status SqliteEngine::prepare(QSqlDatabase& db, const QString& path, const QString& password) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // Where other accounts may write, the journal is emptied rather than deleted after each
    // change, before anything is read: the sticky folder lets only its owner delete it, and a
    // journal that stays in place leaves no name free to plant a pipe or a link at.
    if (othersMayWrite(QFileInfo(path).absolutePath()) &&
        (!q.exec(QStringLiteral("PRAGMA journal_mode = TRUNCATE")) || !q.next()))
        return refusedAtOpen(problemOf(q.lastError()), path, engineText(q.lastError()));
    if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
        return refusedAtOpen(problemOf(q.lastError()), path, engineText(q.lastError()));
    const qint32 verifier = q.value(0).toInt();
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return refusedAtOpen(problemOf(q.lastError()), path, engineText(q.lastError()));
    const int version = q.value(0).toInt();
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        return refusedAtOpen(problemOf(q.lastError()), path, engineText(q.lastError()));
    QStringList tables;
    while (q.next()) tables.append(q.value(0).toString().toLower());
    q.finish();

    if (const auto problem = schemaProblem(verifier, version, tables, password, 1, {}))
        return refusedAtOpen(problem->problem, path, problem->cause);
    if (version < kSchemaVersion)
        if (Status migrated = migrate(db, path, version, schemaLadder()); !migrated)
            return migrated;
    return remakeMissingSearchIndex(db, path);
}

// A search index some of whose pieces are missing or not this program's is made again from the
// texts: the texts are the user's, the index only serves them.
Status SqliteEngine::remakeMissingSearchIndex(QSqlDatabase& db, const QString& path) {
    const QList<SchemaObject> objects = fileSearchObjects();
    const QStringList shadows = fileSearchShadowTables();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE name LIKE "
                               "'search\\_%' ESCAPE '\\' OR name LIKE '%\\_search\\_%' ESCAPE "
                               "'\\'")))
        return refusedAtOpen(problemOf(q.lastError()), path, engineText(q.lastError()));
    int sound = 0;
    while (q.next()) {
        const QString name = q.value(1).toString();
        for (const SchemaObject& object : objects)
            if (object.name == name && object.type == q.value(0).toString() &&
                object.sql == q.value(2).toString())
                ++sound;
        if (shadows.contains(name)) ++sound;
    }
    q.finish();
    if (sound == objects.size() + shadows.size()) return {};
    qCWarning(logData) << "remaking the search index of" << path;
    QStringList statements;
    for (const SchemaObject& object : objects)
        statements.append(QStringLiteral("DROP %1 IF EXISTS %2").arg(object.type, object.name));
    for (const QString& shadow : shadows)
        statements.append(QStringLiteral("DROP TABLE IF EXISTS %1").arg(shadow));
    for (const SchemaObject& object : objects) statements.append(object.sql);
    statements.append(QStringLiteral("INSERT INTO search_fts (search_fts) VALUES ('rebuild')"));
    if (!db.transaction())
        return refusedAtOpen(problemOf(db.lastError()), path, engineText(db.lastError()));
    for (const QString& sql : statements) {
        if (!q.exec(sql)) {
            const QSqlError error = q.lastError();
            q.finish();
            db.rollback();
            return refusedAtOpen(problemOf(error), path, engineText(error));
        }
    }
    q.finish();
    if (!db.commit())
        return refusedAtOpen(problemOf(db.lastError()), path, engineText(db.lastError()));
    return {};
}

std::optional<SchemaProblem> schemaProblem(qint32 verifier, int version, const QStringList& present,
                                           const QString& password, int oldest,
                                           const QStringList& alsoRequired) {
    if (verifier != SqliteEngine::passwordVerifier(password))
        return SchemaProblem{DbProblem::Foreign,
                             QStringLiteral("it does not carry this program's database password")};
    if (version > kSchemaVersion)
        return SchemaProblem{DbProblem::Newer,
                             QStringLiteral("version %1; this program knows versions up to %2")
                                 .arg(version)
                                 .arg(kSchemaVersion)};
    if (version < oldest)
        return SchemaProblem{DbProblem::Damaged, QStringLiteral("it records no schema version")};
    for (const Table& table : schemaTables())
        if (table.since <= version && !present.contains(table.name))
            return SchemaProblem{DbProblem::Damaged,
                                 QStringLiteral("the table %1 is missing").arg(table.name)};
    for (const QString& table : alsoRequired)
        if (!present.contains(table))
            return SchemaProblem{DbProblem::Damaged,
                                 QStringLiteral("the table %1 is missing").arg(table)};
    return std::nullopt;
}

qint32 SqliteEngine::passwordVerifier(const QString& password) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayLiteral("Vemora database password:") + password.toUtf8(),
                                 QCryptographicHash::Sha256);
    // Zero is the header's "unset" value; never use it as a verifier.
    const qint32 value = qFromBigEndian<qint32>(digest.constData());
    return value == 0 ? 1 : value;
}

Status SqliteEngine::createDatabase(const QString& path) {
    const QFileInfo target(path);
    if (target.exists())
        return DbError{kErrGeneral, QStringLiteral("%1 already exists.").arg(path)};

    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.journey-XXXXXX"));
    if (!temp.open()) return DbError{kErrGeneral, temp.errorString()};
    temp.close();
    if (Status s = fill(temp.fileName()); !s) return s;
    // rename() refuses an existing name, so a database that appeared meanwhile is kept.
    if (!temp.rename(target.absoluteFilePath()))
        return DbError{kErrGeneral,
                       QStringLiteral("Cannot write %1: %2").arg(path, temp.errorString())};
    temp.setAutoRemove(false);
    return {};
}

DbError SqliteEngine::refusal(DbProblem problem, const QString& path, const QString& cause) {
    const QString file = QDir::toNativeSeparators(path);
    QString text;
    switch (problem) {
        case DbProblem::Busy:
            text =
                QStringLiteral("The database file %1 is busy: another program is writing it (%2).");
            break;
        case DbProblem::Foreign:
            text = QStringLiteral("The file %1 is not a Vemora database (%2).");
            break;
        case DbProblem::Newer:
            text = QStringLiteral(
                "The database file %1 was written by a newer version of Vemora (%2).");
            break;
        default:
            text = QStringLiteral("The database file %1 is damaged (%2).");
            break;
    }
    return {problem == DbProblem::Busy ? kErrOther : kErrGeneral, text.arg(file, cause), problem};
}

QString SqliteEngine::version() {
    return QString::fromLatin1(sqlite3_libversion());
}

QString SqliteEngine::driver() {
    return QStringLiteral("QSQLITE");
}

DbError SqliteEngine::toDbError(const QSqlError& error) {
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber) & 0xFF;
    const QString text = engineText(error);
    switch (isNumber ? code : -1) {
        case 1:  // SQLITE_ERROR: the statement cannot be prepared
            return {kErrSyntax, text};
        case 5:  // SQLITE_BUSY
        case 6:  // SQLITE_LOCKED
            return {kErrOther, text, DbProblem::Busy};
        case 19: {  // SQLITE_CONSTRAINT
            const int extended = error.nativeErrorCode().toInt();
            const bool repeated = extended == 2067 || extended == 1555;  // UNIQUE, PRIMARYKEY
            return {kErrGeneral, text, repeated ? DbProblem::Duplicate : DbProblem::None};
        }
        case 14:  // SQLITE_CANTOPEN
        case 23:  // SQLITE_AUTH
        case 26:  // SQLITE_NOTADB
            return {kErrGeneral, text};
        default:
            return {kErrOther, text};
    }
}

Status SqliteEngine::readRows(QSqlQuery& query, std::vector<ColumnValues>& columns) {
    // Executing has already stepped onto the first row, if there is one.
    const QVariant handle = query.result()->handle();
    auto* statement = qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0
                          ? *static_cast<sqlite3_stmt* const*>(handle.constData())
                          : nullptr;
    if (!statement || !sqlite3_stmt_busy(statement)) return {};
    const int count = int(columns.size());
    int step = SQLITE_ROW;
    for (; step == SQLITE_ROW; step = sqlite3_step(statement)) {
        for (int i = 0; i < count; ++i) {
            ColumnValues& column = columns[size_t(i)];
            switch (sqlite3_column_type(statement, i)) {
                case SQLITE_NULL:
                    column.append(QVariant(QMetaType::fromType<QString>()));
                    break;
                case SQLITE_INTEGER:
                    column.appendInteger(sqlite3_column_int64(statement, i));
                    break;
                case SQLITE_FLOAT:
                    column.append(sqlite3_column_double(statement, i));
                    break;
                case SQLITE_BLOB:
                    column.append(
                        QByteArray(static_cast<const char*>(sqlite3_column_blob(statement, i)),
                                   sqlite3_column_bytes(statement, i)));
                    break;
                default: {
                    const auto* text =
                        reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                    column.appendText(QByteArrayView(text, sqlite3_column_bytes(statement, i)));
                }
            }
        }
    }
    if (step == SQLITE_DONE) return {};
    sqlite3* db = sqlite3_db_handle(statement);
    return toDbError(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)),
                               QSqlError::StatementError,
                               QString::number(sqlite3_extended_errcode(db))));
}

Status SqliteEngine::compactInto(Connection& connection, const QString& target) {
    const Result<Recordset> done = connection.execute(Statement("VACUUM INTO ").value(target));
    return done.status();
}

Status SqliteEngine::copyInto(const QString& source, const QString& target) {
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    const auto closeBoth = qScopeGuard([&] {
        sqlite3_close(from);
        sqlite3_close(to);
    });
    const auto failed = [&](sqlite3* db) {
        return DbError{kErrOther, QString::fromUtf8(sqlite3_errmsg(db)), DbProblem::Damaged};
    };
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK)
        return failed(from);
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &to,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK)
        return failed(to);
    sqlite3_busy_timeout(to, kBusyTimeoutMs);
    // The journal is emptied, not deleted: in a sticky folder it may be another account's.
    if (sqlite3_exec(to, "PRAGMA journal_mode = TRUNCATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failed(to);
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) return failed(to);
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE) {
        DbError error = failed(to);
        if ((stepped & 0xFF) == SQLITE_BUSY || (stepped & 0xFF) == SQLITE_LOCKED)
            error.problem = DbProblem::Busy;
        return error;
    }
    return {};
}

std::optional<QString> SqliteEngine::integrityProblem(Connection& connection) {
    const Result<Recordset> verdict = connection.execute(Statement("PRAGMA integrity_check"));
    if (!verdict) return verdict.error().description;
    QStringList lines;
    for (int row = 0; row < verdict.value().rowCount(); ++row)
        lines.append(verdict.value().row(row).value(0).toString());
    if (lines != QStringList{QStringLiteral("ok")}) return lines.join(QStringLiteral("; "));
    if (searchIndexDamaged(connection))
        if (const Status rebuilt = rebuildSearchIndex(connection); !rebuilt)
            return QStringLiteral("the search index is damaged and could not be made again (%1)")
                .arg(rebuilt.error().description);
    return std::nullopt;
}

bool SqliteEngine::searchIndexDamaged(Connection& connection) {
    const Result<Recordset> present = connection.execute(
        Statement("SELECT count(*) FROM sqlite_master WHERE name = 'search_fts'"));
    if (!present || present.value().value(0, 0).toLongLong() == 0) return false;
    // Rank 1 compares the index with the texts, not only with itself.
    const Result<Recordset> checked = connection.execute(
        Statement("INSERT INTO search_fts (search_fts, rank) VALUES ('integrity-check', 1)"));
    // The check is asked for as a write, which a copy opened read-only refuses; its index is
    // checked where it is written.
    if (!checked && checked.error().description.contains(QLatin1String("readonly"))) return false;
    if (!checked) qCWarning(logData) << "search index:" << checked.error().description;
    return !checked;
}

Status SqliteEngine::rebuildSearchIndex(Connection& connection) {
    return connection.execute(Statement("INSERT INTO search_fts (search_fts) VALUES ('rebuild')"))
        .status();
}

QStringList SqliteEngine::journalSuffixes() {
    return {QStringLiteral("-journal"), QStringLiteral("-wal")};
}

QStringList SqliteEngine::engineFileSuffixes() {
    return journalSuffixes() + QStringList{QStringLiteral("-shm")};
}

QStringList SqliteEngine::companionSuffixes() {
    return engineFileSuffixes() + QStringList{DatabaseLock::suffix()};
}

std::optional<QString> SqliteEngine::plantedEngineFile(const QString& database) {
    for (const QString& suffix : engineFileSuffixes()) {
        const QString path = database + suffix;
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) continue;
        // The engine would follow a hard link, write into a device and wait on a pipe.
        if (!S_ISREG(st.st_mode) || st.st_nlink != 1)
            return QStringLiteral(
                       "%1 is not a journal of this program (a link, a folder, a pipe "
                       "or a device); remove it")
                .arg(QDir::toNativeSeparators(path));
    }
    return std::nullopt;
}

std::optional<QString> SqliteEngine::writersJournal(const QString& database) {
    if (auto planted = plantedEngineFile(database)) return planted;
    for (const QString& suffix : journalSuffixes()) {
        const QFileInfo journal(database + suffix);
        // An empty journal holds no change, as the engine itself judges it; a writer's holds
        // at least its header from the first change on.
        if (journal.exists() && journal.size() > 0)
            return QStringLiteral("%1 is being written")
                .arg(QDir::toNativeSeparators(journal.filePath()));
    }
    return std::nullopt;
}

}  // namespace vemora
