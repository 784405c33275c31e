#include "backup/ServerCopy.h"
#include "data/Logging.h"
#include "data/Plural.h"

#include "backup/CopyCheck.h"
#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/Engine.h"
#include "data/PostgresEngine.h"
#include "data/PreparedStatement.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace vemora {

namespace {

using Rows = QList<QVariantList>;

// A value as both engines hold it: a number, a text or a day (the file keeps days as
// yyyy-MM-dd texts, the server as DATE).
QVariant canonical(const QVariant& value, ColumnKind kind) {
    if (value.isNull()) return QVariant(QMetaType::fromType<QString>());
    switch (kind) {
        case ColumnKind::Number:
            return value.toLongLong();
        case ColumnKind::Day:
            return value.typeId() == QMetaType::QDate
                       ? value.toDate()
                       : QDate::fromString(value.toString(), Qt::ISODate);
        case ColumnKind::Text:
            break;
    }
    return value.toString();
}

QString columnList(const Table& table) {
    return table.columnNames().join(QLatin1String(", "));
}

// Where the server keeps rows in the order they were added (the file's rowid order), they are
// read in that order: contacts of equal first names list in it.
Result<Rows> readTable(Connection& db, const Table& table) {
    Statement select(QStringLiteral("SELECT %1 FROM ").arg(columnList(table)));
    if (table.serverRows.isEmpty())
        select.sql(table.name);
    else
        select.sql(table.name + QStringLiteral(" ORDER BY rowid"),
                   table.serverRows + QStringLiteral(" ORDER BY rowid"));
    const Result<Recordset> found = db.execute(select);
    if (!found) return found.error();
    Rows rows;
    rows.reserve(found.value().rowCount());
    for (int r = 0; r < found.value().rowCount(); ++r) {
        QVariantList row = found.value().row(r);
        for (qsizetype i = 0; i < row.size(); ++i)
            row[i] = canonical(row.at(i), table.columns[size_t(i)].kind);
        rows.append(std::move(row));
    }
    return rows;
}

// Each value tagged and length-prefixed, so that no two different rows read the same; the
// rows sorted, so that the order either engine returns them in does not matter.
TableCheck checkOf(const Table& table, const Rows& rows) {
    QList<QByteArray> encoded;
    encoded.reserve(rows.size());
    for (const QVariantList& row : rows) {
        QByteArray bytes;
        for (const QVariant& value : row) {
            QByteArray text;
            char tag = 'N';
            if (!value.isNull()) {
                tag = value.typeId() == QMetaType::QDate      ? 'D'
                      : value.typeId() == QMetaType::LongLong ? 'I'
                                                              : 'T';
                text = tag == 'D' ? value.toDate().toString(Qt::ISODate).toUtf8()
                                  : value.toString().toUtf8();
            }
            bytes += tag + QByteArray::number(text.size()) + ':' + text;
        }
        encoded.append(bytes);
    }
    std::sort(encoded.begin(), encoded.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArray& row : encoded) {
        hash.addData(QByteArray::number(row.size()) + ':');
        hash.addData(row);
    }
    return {table.name, rows.size(), hash.result().toHex()};
}

// Days go as yyyy-MM-dd texts, which the file stores and a server reads as its dates.
Status writeTable(Connection& db, const Table& table, const Rows& rows) {
    Statement insert(
        QStringLiteral("INSERT INTO %1 (%2) VALUES (").arg(table.name, columnList(table)));
    for (qsizetype i = 0; i < qsizetype(table.columns.size()); ++i)
        insert.sql(i == 0 ? "" : ", ").value(QString());
    PreparedStatement statement(db, insert.sql(")"));
    for (QVariantList row : rows) {
        for (QVariant& value : row)
            if (value.typeId() == QMetaType::QDate && !value.isNull())
                value = value.toDate().toString(Qt::ISODate);
        if (const Result<int> done = statement.run(row); !done) return done.error();
    }
    return {};
}

struct TableRows {
    QList<Rows> rows;  // in the order of schemaTables()
    CopyChecks checks;
};

Result<TableRows> readAll(Connection& db) {
    TableRows contents;
    for (const Table& table : schemaTables()) {
        Result<Rows> rows = readTable(db, table);
        if (!rows) return rows.error();
        contents.checks.append(checkOf(table, rows.value()));
        contents.rows.append(std::move(rows.value()));
    }
    return contents;
}

// Writes every table, reads it back and compares it with what was read from the source.
Status writeAll(Connection& db, const TableRows& source) {
    for (qsizetype i = 0; i < qsizetype(schemaTables().size()); ++i)
        if (Status s = writeTable(db, schemaTables()[size_t(i)], source.rows.at(i)); !s) return s;
    const Result<TableRows> written = readAll(db);
    if (!written) return written.error();
    for (qsizetype i = 0; i < source.checks.size(); ++i) {
        const TableCheck& want = source.checks.at(i);
        const TableCheck& got = written.value().checks.at(i);
        if (want != got)
            return DbError{kErrOther, QStringLiteral("the copy of %1 does not match: %2 read, %3 "
                                                     "written; checksums %4 and %5")
                                          .arg(want.table, plural(want.rows, "row", "rows"))
                                          .arg(got.rows)
                                          .arg(QString::fromLatin1(want.checksum),
                                               QString::fromLatin1(got.checksum))};
    }
    return {};
}

Status execute(Connection& db, const char* sql) {
    return db.execute(Statement(sql)).status();
}

// Runs `body` in a transaction of db, begun by `begin`, that is committed only when it succeeds.
template <class Body>
Status inTransaction(Connection& db, const char* begin, Body body) {
    if (Status begun = execute(db, begin); !begun) return begun;
    Status status = body();
    if (status) status = execute(db, "COMMIT");
    if (!status) logDropped(logBackup(), "ROLLBACK", execute(db, "ROLLBACK"));
    return status;
}

// Every row of the connection's database, read in one transaction begun by `begin`.
Result<TableRows> readInTransaction(Connection& db, const char* begin) {
    TableRows contents;
    const Status read = inTransaction(db, begin, [&] {
        Result<TableRows> all = readAll(db);
        if (!all) return Status(all.error());
        contents = std::move(all.value());
        return Status();
    });
    if (!read) return read.error();
    return contents;
}

Status openServer(Connection& db, const ServerAddress& server, bool checked) {
    db.setConnectionString(server.url());
    return checked ? db.open() : db.openSnapshot();
}

// Every row of a journey.mdb that passed the copy check, read from a copy of it in the current
// version (an older file is brought forward there, as opening it in the organizer would).
Result<TableRows> readFile(const QString& file) {
    if (const Result<DatabaseSummary> examined =
            examineDatabase(file, QString::fromLatin1(kDatabasePassword));
        !examined)
        return examined.error();
    QTemporaryDir forward;
    const QString current = forward.filePath(QLatin1String(kDatabaseFileName));
    if (QFile copy(current); !forward.isValid() || !copy.open(QIODevice::WriteOnly))
        return DbError{kErrOther, QStringLiteral("Cannot make a working copy of %1.")
                                      .arg(QDir::toNativeSeparators(file))};
    if (Status copied = SqliteEngine::copyInto(file, current); !copied) return copied.error();
    Connection db;
    db.setConnectionString(makeFileConnectionString(current));
    if (Status opened = db.open(); !opened) return opened.error();
    return readInTransaction(db, "BEGIN");
}

// Every row of a server database that passed the open check (brought forward if older), read
// in one snapshot.
Result<TableRows> readServer(const ServerAddress& server) {
    Connection db;
    if (Status opened = openServer(db, server, true); !opened) return opened.error();
    return readInTransaction(db, "START TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
}

}  // namespace

Result<CopyChecks> copyFileToServer(const QString& file, const ServerAddress& server) {
    const Result<TableRows> contents = readFile(file);
    if (!contents) return contents.error();

    Connection target;
    if (Status s = openServer(target, server, false); !s) return s.error();
    const Status written = inTransaction(target, "BEGIN", [&] {
        Status s = target.engine().createSchema(target);
        if (s) s = writeAll(target, contents.value());
        if (s) s = PostgresEngine::renumberAccounts(target);
        return s;
    });
    if (!written) return written.error();
    return contents.value().checks;
}

Result<CopyChecks> copyServerToFile(const ServerAddress& server, const QString& file,
                                    ExistingFile existing) {
    const QFileInfo target(file);
    if (existing == ExistingFile::Keep && (target.exists() || target.isSymLink()))
        return DbError{kErrGeneral, QStringLiteral("%1 already exists; it is never overwritten.")
                                        .arg(QDir::toNativeSeparators(file))};
    if (const auto problem = protectedDestination(file))
        return DbError{kErrGeneral, *problem, DbProblem::Foreign};
    const Result<TableRows> contents = readServer(server);
    if (!contents) return contents.error();

    // Built beside the target, so that it moves in with a rename.
    QTemporaryDir staging(target.absolutePath() + QStringLiteral("/.journey-XXXXXX"));
    if (!staging.isValid())
        return DbError{kErrOther, QStringLiteral("Cannot write in %1: %2")
                                      .arg(QDir::toNativeSeparators(target.absolutePath()),
                                           staging.errorString())};
    const QString built = staging.filePath(QLatin1String(kDatabaseFileName));
    if (Status s = SqliteEngine::createDatabase(built); !s) return s.error();
    // Every account's data: readable by the one who made the copy only.
    if (!QFile::setPermissions(built, QFile::ReadOwner | QFile::WriteOwner))
        return DbError{kErrOther,
                       QStringLiteral("Cannot write %1.").arg(QDir::toNativeSeparators(file))};
    {
        Connection copy;
        copy.setConnectionString(makeFileConnectionString(built));
        if (Status s = copy.open(); !s) return s.error();
        const Status written = inTransaction(copy, "BEGIN", [&] {
            const Status emptied = execute(copy, "DELETE FROM users");
            return emptied ? writeAll(copy, contents.value()) : emptied;
        });
        if (!written) return written.error();
    }
    if (const Result<DatabaseSummary> examined =
            examineDatabase(built, QString::fromLatin1(kDatabasePassword));
        !examined)
        return examined.error();
    const QString shown = QDir::toNativeSeparators(file);
    if (existing == ExistingFile::Keep) {
        // QFile::rename() refuses an existing name, so a file that appeared meanwhile is kept.
        if (!QFile::rename(built, target.absoluteFilePath()))
            return DbError{kErrOther, QStringLiteral("Cannot write %1.").arg(shown)};
        return contents.value().checks;
    }
    // As the file's own backup: a file an organizer has open is not replaced, the copy is on
    // disk before it takes the name, and the replaced file's journal is not applied to it.
    DatabaseLock destinationLock(target.absoluteFilePath());
    if (QFileInfo::exists(DatabaseLock::lockFilePath(target.absoluteFilePath())) &&
        !destinationLock.tryLock(DatabaseLock::Mode::Exclusive))
        return DbError{kErrOther,
                       QStringLiteral("Vemora has %1 open; close it and try again.").arg(shown),
                       DbProblem::Busy};
    if (const auto problem = moveIntoPlace(built, target.absoluteFilePath()))
        return DbError{kErrOther, QStringLiteral("Cannot write %1 (%2).").arg(shown, *problem)};
    if (const auto problem = removeEngineFiles(target.absoluteFilePath()))
        return DbError{kErrOther, QStringLiteral("Cannot write %1 (%2).").arg(shown, *problem)};
    return contents.value().checks;
}

Result<CopyChecks> backupServer(const ServerAddress& server, const QString& target) {
    ServerLock lock(server);
    if (!lock.tryLock(EngineLock::Mode::Shared))
        return lock.heldElsewhere()
                   ? DbError{kErrOther,
                             QStringLiteral("%1 is being restored; try again when that is done")
                                 .arg(server.shown()),
                             DbProblem::Busy}
                   : PostgresEngine::refusal(DbProblem::Missing, server,
                                             QStringLiteral("its lock cannot be taken"));
    // Written beside the destination, then put in its place whole, unless an organizer has it
    // open.
    return copyServerToFile(server, QFileInfo(target).absoluteFilePath(), ExistingFile::Replace);
}

Result<DatabaseSummary> examineServer(const ServerAddress& server) {
    const Result<TableRows> contents = readServer(server);
    if (!contents) return contents.error();
    DatabaseSummary summary;
    summary.version = kSchemaVersion;
    for (qsizetype i = 0; i < contents.value().checks.size(); ++i)
        summary.rows(i) = contents.value().checks.at(i).rows;
    return summary;
}

Result<CopyChecks> restoreFileToServer(const QString& file, const ServerAddress& server) {
    const Result<TableRows> contents = readFile(file);
    if (!contents) return contents.error();

    ServerLock lock(server);
    if (!lock.tryLock(EngineLock::Mode::Exclusive))
        return PostgresEngine::refusal(
            lock.heldElsewhere() ? DbProblem::Busy : DbProblem::Missing, server,
            lock.heldElsewhere() ? QStringLiteral("an organizer or another tool has it open")
                                 : QStringLiteral("its lock cannot be taken"));
    Connection target;
    if (Status s = openServer(target, server, true); !s) return s.error();
    const Status written = inTransaction(target, "BEGIN", [&] {
        Status s;
        for (const Table& table : schemaTables())
            if (s)
                s = target.execute(Statement(QStringLiteral("DELETE FROM ") + table.name)).status();
        if (s) s = writeAll(target, contents.value());
        if (s) s = PostgresEngine::renumberAccounts(target);
        return s;
    });
    if (!written) return written.error();
    return contents.value().checks;
}

}  // namespace vemora
