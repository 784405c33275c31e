#include "data/Connection.h"

#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "data/ServerWait.h"
#include "data/ServerWatch.h"
#include "data/Statement.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace vemora {

namespace {

constexpr long kErrClosed = -2146824584;
QString nextName() {
    static QAtomicInt counter;
    return QStringLiteral("vemora-%1").arg(counter.fetchAndAddRelaxed(1));
}

DbError closedError() {
    return {kErrClosed, QStringLiteral("Operation is not allowed when the object is closed.")};
}

}  // namespace

Connection::Connection() : m_name(nextName()), m_engine(Engine::forConnectionString({})) {}

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

void Connection::setConnectionString(const QString& text) {
    m_connectionString = text;
    m_engine = Engine::forConnectionString(text);
}

std::optional<QString> Connection::serverName() const {
    if (!isServerUrl(m_connectionString)) return std::nullopt;
    const Result<ServerAddress> server = parseServerUrl(m_connectionString);
    return server ? server.value().host : QString();
}

bool Connection::hasDataVersion() const {
    return m_engine->keepsDataVersion();
}

DbError Connection::toDbError(const QSqlError& error) const {
    return m_engine->toDbError(error);
}

Status Connection::open() {
    return openWith(false);
}

Status Connection::openSnapshot() {
    return openWith(true);
}

Status Connection::openWith(bool snapshot) {
    close();
    m_lost = false;
    m_stopped = false;
    // A connection string may have named the other engine before.
    if (QSqlDatabase::contains(m_name) && handle().driverName() != m_engine->driver())
        QSqlDatabase::removeDatabase(m_name);
    QSqlDatabase db = QSqlDatabase::contains(m_name)
                          ? QSqlDatabase::database(m_name, false)
                          : QSqlDatabase::addDatabase(m_engine->driver(), m_name);
    Status opened;
    if (const std::optional<QString> server = serverName())
        awaitServer(*server, [&] { opened = m_engine->open(db, snapshot); }, {});
    else
        opened = m_engine->open(db, snapshot);
    if (!opened) {
        close();
        return opened;
    }
    m_opened = true;
    return {};
}

void Connection::close() {
    m_opened = false;
    if (QSqlDatabase::contains(m_name)) QSqlDatabase::database(m_name, false).close();
}

Result<Recordset> Connection::execute(const Statement& statement) {
    m_rowsAffected = 0;
    if (statement.defect()) return *statement.defect();
    QSqlDatabase db = handle();
    if (!db.isOpen()) {
        if (!m_opened) return closedError();
        // The driver found the server's connection ended (its status went bad) under a
        // statement that did not say so.
        close();
        m_lost = true;
        return toDbError(QSqlError(QString(), QStringLiteral("the connection to the server ended"),
                                   QSqlError::ConnectionError));
    }

    if (m_waiting)
        return DbError{kErrOther,
                       QStringLiteral("Another action is still waiting for the database server.")};
    const std::unique_ptr<ServerWatch> watch = m_engine->watch(db);
    // A connection the server ended, or that its silence made this end, is closed: whoever
    // uses it next opens it again.
    const auto failed = [&](const QSqlError& driverError) {
        DbError error = watch && watch->expired() ? m_engine->noAnswer(watch->stopped())
                                                  : toDbError(driverError);
        if (error.problem == DbProblem::ConnectionLost) {
            close();
            m_lost = true;
            m_stopped = watch && watch->stopped();
        }
        return error;
    };
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ran = false;
    bool selected = false;
    QStringList columns;
    std::vector<ColumnValues> values;
    Status read;
    // Everything that waits on the engine; a server's runs beside the windows (awaitServer()).
    const auto run = [&] {
        if (std::optional<Status> own = m_engine->readQuery(db, statement, columns, values)) {
            ran = selected = true;
            read = std::move(*own);
            return;
        }
        ran = m_engine->run(query, statement);
        selected = ran && query.isSelect();
        if (!selected) return;
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) columns.append(record.fieldName(i));
        values.resize(size_t(columns.size()));
        read = m_engine->readRows(query, values);
    };
    if (watch) {
        m_waiting = true;
        awaitServer(serverName().value_or(QString()), run, [&] { watch->cut(); });
        m_waiting = false;
    } else {
        run();
    }
    if (!ran) {
        const QSqlError driverError = query.lastError();
        query.finish();
        return failed(driverError);
    }
    if (!selected) {
        m_rowsAffected = query.numRowsAffected();
        return Recordset();
    }
    query.finish();
    if (!read) {
        if (watch && watch->expired()) return failed({});
        if (read.error().problem == DbProblem::ConnectionLost) {
            close();
            m_lost = true;
        }
        return read.error();
    }
    return Recordset(std::move(columns), std::move(values));
}

Result<qint64> Connection::dataVersion() {
    const Result<Recordset> version = execute(Statement("PRAGMA data_version"));
    if (!version) return version.error();
    return version.value().value(0, 0).toLongLong();
}

}  // namespace vemora
