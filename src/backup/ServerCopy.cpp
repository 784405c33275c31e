#include "backup/ServerCopy.h"

#include "backup/CopyCheck.h"
#include "data/Connection.h"
#include "data/DatabaseLock.h"
#include "data/Encoding.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace vemora {

namespace {

enum class Kind { Number, Text, Day };

struct Column {
    const char* name;
    Kind kind;
};

struct Table {
    const char* name;
    QList<Column> columns;
    // Where the server keeps the rows in the order they were added (the file's rowid order),
    // when that order shows: contacts of equal first names list in it.
    const char* serverRows = nullptr;
};

// Every table a database holds, accounts first.
const QList<Table>& tables() {
    static const QList<Table> all{
        {"users",
         {{"user_num", Kind::Number},
          {"user_name", Kind::Text},
          {"user_password", Kind::Text},
          {"name", Kind::Text}}},
        {"addressbook_tbl",
         {{"user_num", Kind::Number},
          {"name", Kind::Text},
          {"middle_name", Kind::Text},
          {"last_name", Kind::Text},
          {"sex", Kind::Text},
          {"address", Kind::Text},
          {"phone_num", Kind::Text},
          {"cel_num", Kind::Text},
          {"fax_num", Kind::Text},
          {"email", Kind::Text}},
         "addressbook_rows"},
        {"diary_tbl",
         {{"user_num", Kind::Number}, {"diary_date", Kind::Day}, {"diary_message", Kind::Text}}},
        {"planner_tbl",
         {{"user_num", Kind::Number},
          {"planner_date", Kind::Day},
          {"time_am", Kind::Text},
          {"time_pm", Kind::Text},
          {"planner_msg", Kind::Text}}},
        {"dictionary_tbl",
         {{"user_num", Kind::Number}, {"dict_name", Kind::Text}, {"dict_description", Kind::Text}}},
    };
    return all;
}

using Rows = QList<QVariantList>;

// A value as both engines hold it: a number, a text or a day (the file keeps days as
// yyyy-MM-dd texts, the server as DATE).
QVariant canonical(const QVariant& value, Kind kind) {
    if (value.isNull()) return QVariant(QMetaType::fromType<QString>());
    switch (kind) {
        case Kind::Number:
            return value.toLongLong();
        case Kind::Day:
            return value.typeId() == QMetaType::QDate
                       ? value.toDate()
                       : QDate::fromString(value.toString(), Qt::ISODate);
        case Kind::Text:
            break;
    }
    return value.toString();
}

QString columnList(const Table& table) {
    QStringList names;
    for (const Column& column : table.columns) names.append(QLatin1String(column.name));
    return names.join(QLatin1String(", "));
}

Result<Rows> readTable(QSqlDatabase& db, const Table& table, DbError (*toError)(const QSqlError&)) {
    QString select =
        QStringLiteral("SELECT %1 FROM %2").arg(columnList(table), QLatin1String(table.name));
    if (table.serverRows)
        select = db.driverName() == PostgresEngine::driver()
                     ? QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                           .arg(columnList(table), QLatin1String(table.serverRows))
                     : select + QStringLiteral(" ORDER BY rowid");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(select)) return toError(q.lastError());
    Rows rows;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < table.columns.size(); ++i)
            row.append(canonical(q.value(i), table.columns.at(i).kind));
        rows.append(row);
    }
    if (q.lastError().isValid()) return toError(q.lastError());
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
    return {QLatin1String(table.name), rows.size(), hash.result().toHex()};
}

// Rows in the form the receiving engine stores: the file keeps days as text.
Status writeTable(QSqlDatabase& db, const Table& table, const Rows& rows, bool daysAsText,
                  DbError (*toError)(const QSqlError&)) {
    QStringList marks;
    for (qsizetype i = 0; i < table.columns.size(); ++i) marks.append(QStringLiteral("?"));
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(QLatin1String(table.name), columnList(table),
                            marks.join(QLatin1String(", ")))))
        return toError(q.lastError());
    for (const QVariantList& row : rows) {
        for (int i = 0; i < row.size(); ++i) {
            const QVariant& value = row.at(i);
            q.bindValue(i, daysAsText && value.typeId() == QMetaType::QDate && !value.isNull()
                               ? QVariant(value.toDate().toString(Qt::ISODate))
                               : value);
        }
        if (!q.exec()) return toError(q.lastError());
    }
    return {};
}

struct TableRows {
    QList<Rows> rows;  // in the order of tables()
    CopyChecks checks;
};

Result<TableRows> readAll(QSqlDatabase& db, DbError (*toError)(const QSqlError&)) {
    TableRows contents;
    for (const Table& table : tables()) {
        Result<Rows> rows = readTable(db, table, toError);
        if (!rows) return rows.error();
        contents.checks.append(checkOf(table, rows.value()));
        contents.rows.append(std::move(rows.value()));
    }
    return contents;
}

// Writes every table, reads it back and compares it with what was read from the source.
Status writeAll(QSqlDatabase& db, const TableRows& source, bool daysAsText,
                DbError (*toError)(const QSqlError&)) {
    for (qsizetype i = 0; i < tables().size(); ++i)
        if (Status s = writeTable(db, tables().at(i), source.rows.at(i), daysAsText, toError); !s)
            return s;
    const Result<TableRows> written = readAll(db, toError);
    if (!written) return written.error();
    for (qsizetype i = 0; i < source.checks.size(); ++i) {
        const TableCheck& want = source.checks.at(i);
        const TableCheck& got = written.value().checks.at(i);
        if (want != got)
            return DbError{
                kErrOther,
                QStringLiteral("the copy of %1 does not match: %2 rows read, %3 "
                               "written; checksums %4 and %5")
                    .arg(want.table)
                    .arg(want.rows)
                    .arg(got.rows)
                    .arg(QString::fromLatin1(want.checksum), QString::fromLatin1(got.checksum))};
    }
    return {};
}

DbError fileError(const QSqlError& error) {
    return SqliteEngine::toDbError(error);
}

DbError serverError(const QSqlError& error) {
    return PostgresEngine::toDbError(error);
}

// A named connection to a journey.mdb, removed with the object.
class FileSession final {
    Q_DISABLE_COPY_MOVE(FileSession)
public:
    FileSession(const QString& path, bool readOnly)
        : m_name(QStringLiteral("vemora-copy-") + QUuid::createUuid().toString(QUuid::Id128)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(SqliteEngine::driver(), m_name);
        db.setDatabaseName(path);
        if (readOnly) db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    }
    ~FileSession() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    Status open() {
        QSqlDatabase db = database();
        return db.open() ? Status() : Status(fileError(db.lastError()));
    }

private:
    QString m_name;
};

// Runs `body` in a transaction of db that is committed only when it succeeds.
template <class Body>
Status inTransaction(QSqlDatabase db, const QString& begin, DbError (*toError)(const QSqlError&),
                     Body body) {
    QSqlQuery q(db);
    if (!q.exec(begin)) return toError(q.lastError());
    Status status = body(db);
    if (status && !q.exec(QStringLiteral("COMMIT"))) status = toError(q.lastError());
    if (!status) q.exec(QStringLiteral("ROLLBACK"));
    return status;
}

// Every row of a journey.mdb that passed the open check, read in one transaction.
Result<TableRows> readFile(const QString& file) {
    if (const Result<DatabaseSummary> examined =
            examineDatabase(file, QString::fromLatin1(kDatabasePassword));
        !examined)
        return examined.error();
    FileSession source(file, true);
    if (Status s = source.open(); !s) return s.error();
    TableRows contents;
    const Status read =
        inTransaction(source.database(), QStringLiteral("BEGIN"), fileError, [&](QSqlDatabase& db) {
            Result<TableRows> all = readAll(db, fileError);
            if (!all) return Status(all.error());
            contents = std::move(all.value());
            return Status();
        });
    if (!read) return read.error();
    return contents;
}

// Runs `body` in one read-only snapshot of a server database that passed the open check.
template <class Body>
Status inCheckedSnapshot(QSqlDatabase db, const ServerAddress& server, Body body) {
    return inTransaction(
        db, QStringLiteral("START TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"),
        serverError, [&](QSqlDatabase& snapshot) {
            const Status s =
                PostgresEngine::prepare(snapshot, server, QString::fromLatin1(kDatabasePassword));
            return s ? body(snapshot) : s;
        });
}

}  // namespace

Result<CopyChecks> copyFileToServer(const QString& file, const ServerAddress& server) {
    const Result<TableRows> contents = readFile(file);
    if (!contents) return contents.error();

    ServerSession target(server);
    if (Status s = target.open(); !s) return s.error();
    const Status written = inTransaction(
        target.database(), QStringLiteral("BEGIN"), serverError, [&](QSqlDatabase& db) {
            Status s = PostgresEngine::createSchema(db, server);
            if (s) s = writeAll(db, contents.value(), false, serverError);
            if (s) s = PostgresEngine::renumberAccounts(db);
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
    ServerSession source(server);
    if (Status s = source.open(); !s) return s.error();
    TableRows contents;
    const Status read = inCheckedSnapshot(source.database(), server, [&](QSqlDatabase& db) {
        Result<TableRows> all = readAll(db, serverError);
        if (!all) return Status(all.error());
        contents = std::move(all.value());
        return Status();
    });
    if (!read) return read.error();

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
        FileSession copy(built, false);
        if (Status s = copy.open(); !s) return s.error();
        const Status written = inTransaction(copy.database(), QStringLiteral("BEGIN"), fileError,
                                             [&](QSqlDatabase& db) {
                                                 QSqlQuery q(db);
                                                 if (!q.exec(QStringLiteral("DELETE FROM users")))
                                                     return Status(fileError(q.lastError()));
                                                 return writeAll(db, contents, true, fileError);
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
        return contents.checks;
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
    return contents.checks;
}

Result<DatabaseSummary> examineServer(const ServerAddress& server) {
    ServerSession session(server);
    if (Status s = session.open(); !s) return s.error();
    DatabaseSummary summary;
    const Status read = inCheckedSnapshot(session.database(), server, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT value FROM settings WHERE name = 'schema_version'")) ||
            !q.next())
            return Status(serverError(q.lastError()));
        summary.version = q.value(0).toInt();
        qint64* counts[] = {&summary.accounts, &summary.contacts, &summary.diaryDays,
                            &summary.plans, &summary.words};
        for (qsizetype i = 0; i < tables().size(); ++i) {
            if (!q.exec(QStringLiteral("SELECT count(*) FROM %1")
                            .arg(QLatin1String(tables().at(i).name))) ||
                !q.next())
                return Status(serverError(q.lastError()));
            *counts[i] = q.value(0).toLongLong();
        }
        return Status();
    });
    if (!read) return read.error();
    return summary;
}

Result<std::optional<qint64>> findServerAccount(const ServerAddress& server,
                                                const QString& userName, const QString& password) {
    ServerSession session(server);
    if (Status s = session.open(); !s) return s.error();
    QSqlDatabase db = session.database();
    if (Status s = PostgresEngine::prepare(db, server, QString::fromLatin1(kDatabasePassword)); !s)
        return s.error();
    const std::optional<QString> stored = EncodePassword(password);
    if (!stored) return std::optional<qint64>();
    // Folds ASCII letters only, as the file's NOCASE does.
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT user_num FROM users WHERE lower(user_name COLLATE \"C\") = "
                       "lower(? COLLATE \"C\") AND user_password = ?"));
    q.addBindValue(trimBlanks(userName));
    q.addBindValue(*stored);
    if (!q.exec()) return serverError(q.lastError());
    if (!q.next()) return std::optional<qint64>();
    return std::optional<qint64>(q.value(0).toLongLong());
}

Result<CopyChecks> restoreFileToServer(const QString& file, const ServerAddress& server) {
    // An older file is brought forward in a copy, as opening it in the organizer would.
    QTemporaryDir forward;
    const QString current = forward.filePath(QLatin1String(kDatabaseFileName));
    const Result<DatabaseSummary> examined =
        examineDatabase(file, QString::fromLatin1(kDatabasePassword));
    if (!examined) return examined.error();
    QString source = file;
    if (examined.value().version < kSchemaVersion) {
        if (!QFile::copy(file, current))
            return DbError{kErrOther,
                           QStringLiteral("Cannot read %1.").arg(QDir::toNativeSeparators(file)),
                           DbProblem::Unreadable};
        Connection db;
        db.setConnectionString(makeConnectionString(forward.path()));
        if (const Status opened = db.open(); !opened) return opened.error();
        source = current;
    }
    const Result<TableRows> contents = readFile(source);
    if (!contents) return contents.error();

    ServerSession target(server);
    if (Status s = target.open(); !s) return s.error();
    ServerLock lock(server);
    if (!lock.tryLock(EngineLock::Mode::Exclusive))
        return PostgresEngine::refusal(
            lock.heldElsewhere() ? DbProblem::Busy : DbProblem::Missing, server,
            lock.heldElsewhere() ? QStringLiteral("an organizer or another tool has it open")
                                 : QStringLiteral("its lock cannot be taken"));
    const Status written = inTransaction(
        target.database(), QStringLiteral("BEGIN"), serverError, [&](QSqlDatabase& db) {
            Status s = PostgresEngine::prepare(db, server, QString::fromLatin1(kDatabasePassword));
            QSqlQuery q(db);
            for (const Table& table : tables())
                if (s && !q.exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table.name))))
                    s = serverError(q.lastError());
            if (s) s = writeAll(db, contents.value(), false, serverError);
            if (s) s = PostgresEngine::renumberAccounts(db);
            return s;
        });
    if (!written) return written.error();
    return contents.value().checks;
}

}  // namespace vemora
