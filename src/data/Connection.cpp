#include "data/Connection.h"

#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"
#include "data/SafeFiles.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace vemora {

namespace {

constexpr long kErrClosed = -2146824584;
// Long enough to ride out another writer's commit, short enough not to freeze a window.
constexpr int kBusyTimeoutMs = 1500;

QString nextName() {
    static QAtomicInt counter;
    return QStringLiteral("vemora-%1").arg(counter.fetchAndAddRelaxed(1));
}

DbError closedError() {
    return {kErrClosed, QStringLiteral("Operation is not allowed when the object is closed.")};
}

}  // namespace

Connection::Connection() : m_name(nextName()) {}

Connection::~Connection() {
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QString Connection::filePath() const {
    return parseConnectionString(m_connectionString).dataSource;
}

QSqlDatabase Connection::handle() const {
    return QSqlDatabase::database(m_name, false);
}

bool Connection::isOpen() const {
    return handle().isOpen();
}

Dialect Connection::dialect() const {
    return isServerUrl(m_connectionString) ? Dialect::Server : Dialect::File;
}

DbError Connection::toDbError(const QSqlError& error) const {
    return dialect() == Dialect::File ? SqliteEngine::toDbError(error)
                                      : PostgresEngine::toDbError(error);
}

Status Connection::open() {
    return dialect() == Dialect::File ? openFile(false) : openServer(true);
}

Status Connection::openSnapshot() {
    return dialect() == Dialect::File ? openFile(true) : openServer(false);
}

Status Connection::openServer(bool check) {
    close();
    const Result<ServerAddress> server = parseServerUrl(m_connectionString);
    if (!server) {
        DbError error = server.error();
        error.problem = DbProblem::Missing;
        return error;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_name)
                          ? QSqlDatabase::database(m_name, false)
                          : QSqlDatabase::addDatabase(PostgresEngine::driver(), m_name);
    if (Status opened = PostgresEngine::open(db, server.value()); !opened || !check) return opened;
    if (Status ready =
            PostgresEngine::prepare(db, server.value(), QString::fromLatin1(kDatabasePassword));
        !ready) {
        close();
        return ready;
    }
    return {};
}

Status Connection::openFile(bool snapshot) {
    close();
    const ConnectionParts parts = parseConnectionString(m_connectionString);
    const QFileInfo file(parts.dataSource);
    const QString shown = QDir::toNativeSeparators(parts.dataSource);
    // In a folder other accounts may write, the name may have been replaced by a link or a
    // file of theirs.
    if (!parts.dataSource.isEmpty() && othersMayWrite(file.absolutePath()))
        if (const auto why = untrustedDatabase(parts.dataSource))
            return DbError{kErrGeneral,
                           QStringLiteral("The database cannot be used: %1.").arg(*why),
                           DbProblem::Unreadable};
    if (parts.dataSource.isEmpty() || !file.exists()) {
        return DbError{kErrGeneral, QStringLiteral("Could not find file '%1'.").arg(shown),
                       DbProblem::Missing};
    }
    // Read access is tested first: the engine would call an unreadable file "unable to open".
    if (QFile probe(parts.dataSource); !file.isFile() || !probe.open(QIODevice::ReadOnly)) {
        const QString why = file.isFile() ? probe.errorString() : QStringLiteral("not a file");
        return DbError{kErrGeneral,
                       QStringLiteral("The database file %1 exists but cannot be opened (%2).")
                           .arg(shown, why),
                       DbProblem::Unreadable};
    }

    // A snapshot reads the file alone; any other opening may write the journal.
    if (const auto planted =
            snapshot ? std::nullopt : SqliteEngine::plantedEngineFile(parts.dataSource))
        return DbError{kErrGeneral,
                       QStringLiteral("The database cannot be used: %1.").arg(*planted),
                       DbProblem::Unreadable};
    QSqlDatabase db = QSqlDatabase::contains(m_name)
                          ? QSqlDatabase::database(m_name, false)
                          : QSqlDatabase::addDatabase(SqliteEngine::driver(), m_name);
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
    if (Status ready = SqliteEngine::prepare(db, parts.dataSource, parts.password); !ready) {
        close();
        return ready;
    }
    return {};
}

void Connection::close() {
    if (QSqlDatabase::contains(m_name)) QSqlDatabase::database(m_name, false).close();
}

Result<Recordset> Connection::execute(const Statement& statement) {
    m_rowsAffected = 0;
    if (statement.defect()) return *statement.defect();
    QSqlDatabase db = handle();
    if (!db.isOpen()) return closedError();

    const Dialect dialect = this->dialect();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A server prepares only queries and changes of rows: BEGIN, SAVEPOINT and the like, which
    // bind nothing, go as they are.
    bool ran = false;
    if (dialect == Dialect::Server && statement.values().isEmpty()) {
        ran = query.exec(statement.query(dialect));
    } else {
        if (!query.prepare(statement.query(dialect))) return toDbError(query.lastError());
        for (const QVariant& value : statement.values()) query.addBindValue(value);
        ran = query.exec();
    }
    if (!ran) {
        DbError error = toDbError(query.lastError());
        query.finish();
        return error;
    }
    if (!query.isSelect()) {
        m_rowsAffected = query.numRowsAffected();
        return Recordset();
    }

    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) columns.append(record.fieldName(i));
    std::vector<ColumnValues> values(size_t(columns.size()));
    const Status read = dialect == Dialect::File ? SqliteEngine::readRows(query, values)
                                                 : PostgresEngine::readRows(query, values);
    query.finish();
    if (!read) return read.error();
    return Recordset(std::move(columns), std::move(values));
}

Result<qint64> Connection::dataVersion() {
    const Result<Recordset> version = execute(Statement("PRAGMA data_version"));
    if (!version) return version.error();
    return version.value().value(0, 0).toLongLong();
}

}  // namespace vemora
