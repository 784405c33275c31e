#include "data/PostgresEngine.h"
#include "data/Logging.h"

#include "data/Connection.h"
#include "data/Encoding.h"
#include "data/Engine.h"
#include "data/Recordset.h"
#include "data/ServerWait.h"
#include "data/ServerWatch.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>

namespace vemora {

namespace {

// The file keeps its version and password verifier in its header; a server database keeps them
// here.
constexpr auto kSettingsTable = "settings";
constexpr auto kVersionSetting = "schema_version";
// Server databases begin at the version that brought them; there is nothing older.
constexpr int kFirstVersion = 2;
constexpr auto kVerifierSetting = "password_verifier";

// libpq's texts run over several lines; a message shows them as one.
QString engineText(const QSqlError& error) {
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
}

// What the user is told of a connection that ended.
QString connectionLost(const QString& cause) {
    return QStringLiteral(
               "The connection to the database server was lost (%1). The change may not have "
               "been saved; the next action connects again.")
        .arg(cause.trimmed());
}

// How long the client waits for an answer: a little beyond the server's own statement_timeout,
// which cancels a statement cleanly where the server still runs.
std::chrono::milliseconds answerWait(const ServerAddress& server) {
    return std::chrono::seconds(server.statementTimeout + 1);
}

// A single value that a query reads.
Result<QVariant> scalar(QSqlDatabase& db, const ServerAddress& server, const QString& sql) {
    ServerWatch watch(db, answerWait(server));
    QSqlQuery q(db);
    q.setForwardOnly(true);
    bool read = false;
    awaitServer(
        server.host, [&] { read = q.exec(sql) && q.next(); }, [&] { watch.cut(); });
    if (!read) return PostgresEngine::toDbError(q.lastError());
    return q.value(0);
}

// Whether an idle session still runs, from what its socket already received: libpq's socket
// never blocks, and the end of the stream (after the server's last message, so a second read)
// marks the connection bad.
bool sessionAlive(const QSqlDatabase& db) {
    PGconn* connection = libpqOf(db);
    if (!connection) return false;
    for (int read = 0; read < 2 && PQstatus(connection) == CONNECTION_OK; ++read)
        if (PQconsumeInput(connection) == 0) break;
    return PQstatus(connection) == CONNECTION_OK;
}

}  // namespace

ServerSession::ServerSession(ServerAddress server)
    : m_server(std::move(server)),
      m_name(QStringLiteral("vemora-server-") + QUuid::createUuid().toString(QUuid::Id128)) {
    QSqlDatabase::addDatabase(PostgresEngine::driver(), m_name);
}

ServerSession::~ServerSession() {
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase ServerSession::database() const {
    return QSqlDatabase::database(m_name, false);
}

Status ServerSession::open() {
    QSqlDatabase db = database();
    Status opened;
    awaitServer(m_server.host, [&] { opened = PostgresEngine::open(db, m_server); }, {});
    return opened;
}

ServerLock::ServerLock(ServerAddress server) : m_server(std::move(server)) {}

ServerLock::~ServerLock() {
    unlock();
}

bool ServerLock::tryLock(Mode mode) {
    unlock();
    m_heldElsewhere = false;
    auto session = std::make_unique<ServerSession>(m_server);
    if (!session->open()) return false;
    QSqlDatabase db = session->database();
    const Result<QVariant> taken =
        scalar(db, m_server,
               QStringLiteral("SELECT %1(%2)")
                   .arg(mode == Mode::Exclusive ? QLatin1String("pg_try_advisory_lock")
                                                : QLatin1String("pg_try_advisory_lock_shared"))
                   .arg(kKey));
    if (!taken) return false;
    if (!taken.value().toBool()) {
        m_heldElsewhere = true;
        return false;
    }
    m_session = std::move(session);
    return true;
}

bool ServerLock::stillHeld() {
    if (!m_session) return false;
    {
        QSqlDatabase db = m_session->database();
        if (scalar(db, m_server, QStringLiteral("SELECT 1"))) return true;
    }
    m_session.reset();
    return false;
}

bool ServerLock::seenEnded() {
    if (!m_session) return false;
    if (!sessionAlive(m_session->database())) m_session.reset();
    return !m_session;
}

void ServerLock::unlock() {
    // Ending the session releases its advisory locks.
    m_session.reset();
}

QString PostgresEngine::driver() {
    return QStringLiteral("QPSQL");
}

Status PostgresEngine::open(QSqlDatabase& db, const ServerAddress& server) {
    if (!db.isValid())
        return refusal(DbProblem::Missing, server,
                       QStringLiteral("the PostgreSQL driver is not installed"));
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    db.setUserName(server.user);
    // Empty: libpq looks in ~/.pgpass or PGPASSFILE.
    db.setPassword(server.password);
    // Never an endless wait on a server that is gone or frozen: the connection is given up
    // after connect_timeout; over TCP, keepalives find a peer that vanished within about 20 s
    // of silence, and tcp_user_timeout one that stops acknowledging what is sent; the server
    // cancels a statement running longer than statement_timeout (and ServerWatch cuts one whose
    // server does not answer at all).
    db.setConnectOptions(
        QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=10;keepalives_interval="
                       "3;keepalives_count=3;tcp_user_timeout=%2;options='-c statement_timeout=%3'")
            .arg(server.connectTimeout)
            .arg(answerWait(server).count())
            .arg(server.statementTimeout * 1000));
    if (db.open()) return {};
    return refusal(DbProblem::Missing, server, engineText(db.lastError()));
}

namespace {

// The types libpq hands over as text the file's way (pg_type.h's numbers, stable since 7.x).
constexpr Oid kBoolOid = 16;
constexpr Oid kInt8Oid = 20;
constexpr Oid kInt2Oid = 21;
constexpr Oid kInt4Oid = 23;
constexpr Oid kDateOid = 1082;
enum class CellKind { Text, Integer, Bool, Date, Other };

CellKind cellKind(Oid type) {
    switch (type) {
        case kInt2Oid:
        case kInt4Oid:
        case kInt8Oid:
            return CellKind::Integer;
        case kBoolOid:
            return CellKind::Bool;
        case kDateOid:
            return CellKind::Date;
        case 19:    // name
        case 25:    // text
        case 705:   // unknown
        case 1042:  // character
        case 1043:  // character varying
            return CellKind::Text;
        default:
            return CellKind::Other;
    }
}

// A cell of libpq's text, of any kind but Other, as the file gives it.
void appendCell(ColumnValues& column, CellKind kind, const char* text, int length) {
    switch (kind) {
        case CellKind::Integer: {
            qint64 number = 0;
            std::from_chars(text, text + length, number);
            return column.appendInteger(number);
        }
        case CellKind::Bool:
            return column.append(QVariant(text[0] == 't'));
        case CellKind::Date:
            // ISO days of four-digit years are already the file's text; BC days and
            // 'infinity' go the driver's way.
            if (length == 10) return column.appendText(QByteArrayView(text, length));
            return column.append(
                isoDate(QDate::fromString(QLatin1StringView(text, length), Qt::ISODate)));
        default:
            return column.appendText(QByteArrayView(text, length));
    }
}

// A driver's value as the file gives it: days as YYYY-MM-DD text, whole numbers as qlonglong.
void appendValue(ColumnValues& column, const QVariant& value) {
    if (value.isNull()) return column.append(QVariant());
    switch (value.typeId()) {
        case QMetaType::QDate:
            return column.append(isoDate(value.toDate()));
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return column.append(value.toLongLong());
        case QMetaType::QString:
            return column.appendText(static_cast<const QString*>(value.constData())->toUtf8());
        default:
            return column.append(value);
    }
}

// A statement's values (whole numbers, texts, NULLs) as libpq's text parameters, their types
// left for the server to infer as it does for the driver's prepared statements; nothing when a
// value is of another kind.
std::optional<std::vector<QByteArray>> textParameters(const QVariantList& values) {
    std::vector<QByteArray> texts;
    for (const QVariant& value : values) {
        if (value.isNull()) {
            texts.emplace_back();
            continue;
        }
        switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                texts.push_back(QByteArray::number(value.toLongLong()));
                break;
            case QMetaType::QString:
                texts.push_back(static_cast<const QString*>(value.constData())->toUtf8());
                // A text parameter ends at its first NUL, which the driver refuses.
                if (texts.back().contains('\0')) return std::nullopt;
                break;
            default:
                return std::nullopt;
        }
    }
    return texts;
}

// The query with its ? markers as the server's $1, $2, ...; those inside quotes stay.
QByteArray numberedMarkers(const QString& sql) {
    QString numbered;
    QChar quote;
    int next = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            numbered += QLatin1Char('$') + QString::number(++next);
            continue;
        }
        numbered += c;
    }
    return numbered.toUtf8();
}

// The error of a result, or of the connection when there is none, as the driver gives it.
QSqlError resultError(PGconn* connection, const PGresult* result) {
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return QSqlError(
        QStringLiteral("Unable to create query"),
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(connection)),
        PQstatus(connection) == CONNECTION_OK ? QSqlError::StatementError
                                              : QSqlError::ConnectionError,
        QString::fromLatin1(state));
}

}  // namespace

Status PostgresEngine::readRows(QSqlQuery& query, std::vector<ColumnValues>& columns) {
    while (query.next())
        for (size_t i = 0; i < columns.size(); ++i) appendValue(columns[i], query.value(int(i)));
    if (query.lastError().isValid()) return toDbError(query.lastError());
    return {};
}

std::optional<Status> PostgresEngine::readQuery(QSqlDatabase& db, const Statement& statement,
                                                QStringList& columns,
                                                std::vector<ColumnValues>& values) {
    const QString& sql = statement.query(Dialect::Server);
    PGconn* connection = libpqOf(db);
    if (!connection || !QStringView(sql).trimmed().startsWith(u"select", Qt::CaseInsensitive))
        return std::nullopt;
    // Only between statements: the driver holds nothing of an earlier one.
    const PGTransactionStatusType state = PQtransactionStatus(connection);
    if (state != PQTRANS_IDLE && state != PQTRANS_INTRANS) return std::nullopt;
    const std::optional<std::vector<QByteArray>> texts =
        textParameters(statement.values(Dialect::Server));
    if (!texts) return std::nullopt;
    std::vector<const char*> parameters;
    for (const QByteArray& text : *texts)
        parameters.push_back(text.isNull() ? nullptr : text.data());

    // Row by row: the server sends the next rows while these are read.
    if (!PQsendQueryParams(connection, numberedMarkers(sql).constData(), int(parameters.size()),
                           nullptr, parameters.data(), nullptr, nullptr, 0))
        return toDbError(resultError(connection, nullptr));
    PQsetSingleRowMode(connection);
    Status status;
    std::vector<CellKind> kinds;
    bool driversWay = false;
    // Every result is taken, up to the last, before the connection runs anything else.
    while (PGresult* result = PQgetResult(connection)) {
        const auto clear = qScopeGuard([result] { PQclear(result); });
        const ExecStatusType resultStatus = PQresultStatus(result);
        if (resultStatus != PGRES_SINGLE_TUPLE && resultStatus != PGRES_TUPLES_OK) {
            if (status) status = toDbError(resultError(connection, result));
            continue;
        }
        if (!status || driversWay) continue;
        const int count = PQnfields(result);
        if (kinds.empty()) {
            for (int i = 0; i < count; ++i) {
                columns.append(QString::fromUtf8(PQfname(result, i)));
                kinds.push_back(cellKind(PQftype(result, i)));
            }
            values.resize(kinds.size());
            // Reals, times, bytes and the like: the driver knows their values best.
            driversWay = std::find(kinds.begin(), kinds.end(), CellKind::Other) != kinds.end();
            if (driversWay) continue;
        }
        const int rows = PQntuples(result);
        for (int row = 0; row < rows; ++row)
            for (int i = 0; i < count; ++i) {
                ColumnValues& column = values[size_t(i)];
                if (PQgetisnull(result, row, i))
                    column.append(QVariant());
                else
                    appendCell(column, kinds[size_t(i)], PQgetvalue(result, row, i),
                               PQgetlength(result, row, i));
            }
    }
    if (driversWay && status) {
        columns.clear();
        values.clear();
        return std::nullopt;
    }
    return status;
}

DbError PostgresEngine::toDbError(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    const QString text = engineText(error);
    if (state == u"23505") return {kErrGeneral, text, DbProblem::Duplicate};  // unique value
    if (state.startsWith(QLatin1String("23"))) return {kErrGeneral, text};    // integrity
    if (state.startsWith(QLatin1String("42"))) return {kErrSyntax, text};     // syntax, names
    if (state == u"40001" || state == u"40P01" || state == u"55P03")  // serialization, locks
        return {kErrOther, text, DbProblem::Busy};
    // The connection, or the server behind it, went away: class 08, an administrator's or a
    // crash's shutdown (57P01-57P03), or the client library's own word on a closed socket,
    // which carries no SQLSTATE (the server gives one to every error of its own).
    const bool clientSaysLost =
        state.isEmpty() && (text.contains(QLatin1String("connection"), Qt::CaseInsensitive) ||
                            text.contains(QLatin1String("server"), Qt::CaseInsensitive));
    if (clientSaysLost || state.startsWith(QLatin1String("08")) ||
        state.startsWith(QLatin1String("57P0")) || error.type() == QSqlError::ConnectionError)
        return {kErrGeneral, connectionLost(text), DbProblem::ConnectionLost};
    return {kErrOther, text};
}

DbError PostgresEngine::refusal(DbProblem problem, const ServerAddress& server,
                                const QString& cause) {
    QString text;
    switch (problem) {
        case DbProblem::Missing:
        case DbProblem::Unreadable:
            text = QStringLiteral("Cannot reach the database %1 on its server (%2).");
            break;
        case DbProblem::Busy:
            text = QStringLiteral(
                "The database %1 is busy: another program is using it (%2). Please try again "
                "in a moment.");
            break;
        case DbProblem::Foreign:
            text = QStringLiteral("The database %1 is not a Vemora database (%2).");
            break;
        case DbProblem::Newer:
            text = QStringLiteral(
                "The database %1 was written by a newer version of Vemora (%2). Nothing in it "
                "was changed.");
            break;
        default:
            text = QStringLiteral("The database %1 is damaged (%2).");
            break;
    }
    return {problem == DbProblem::Busy ? kErrOther : kErrGeneral, text.arg(server.shown(), cause),
            problem};
}

Status PostgresEngine::createSchema(Connection& connection, const ServerAddress& server) {
    const auto single = [&](const char* sql) -> Result<QVariant> {
        const Result<Recordset> found = connection.execute(Statement(sql));
        if (!found) return found.error();
        return found.value().value(0, 0);
    };
    const Result<QVariant> encoding = single("SHOW server_encoding");
    if (!encoding) return encoding.error();
    if (encoding.value().toString() != u"UTF8")
        return refusal(DbProblem::Foreign, server,
                       QStringLiteral("its encoding is %1; Vemora needs UTF8")
                           .arg(encoding.value().toString()));
    const Result<QVariant> objects = single(
        "SELECT count(*) FROM pg_catalog.pg_class c"
        " JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
        " WHERE n.nspname <> 'information_schema'"
        " AND n.nspname NOT LIKE 'pg\\_%'");
    if (!objects) return objects.error();
    if (objects.value().toLongLong() > 0)
        return DbError{kErrGeneral,
                       QStringLiteral("The database %1 is not empty; Vemora is set up only in an "
                                      "empty database. Nothing in it was changed.")
                           .arg(server.shown())};
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (name text PRIMARY KEY, value text NOT NULL)")
            .arg(QLatin1String(kSettingsTable))};
    statements += serverSchema();
    statements.append(
        QStringLiteral("INSERT INTO %1 (name, value) VALUES ('%2', '%3'), ('%4', '%5')")
            .arg(QLatin1String(kSettingsTable), QLatin1String(kVersionSetting))
            .arg(kSchemaVersion)
            .arg(QLatin1String(kVerifierSetting))
            .arg(SqliteEngine::passwordVerifier(QString::fromLatin1(kDatabasePassword))));
    for (const QString& sql : statements)
        if (const Result<Recordset> done = connection.execute(Statement(sql)); !done)
            return done.error();
    return {};
}

Status PostgresEngine::createDatabase(const ServerAddress& server) {
    Connection connection;
    connection.setConnectionString(server.url());
    if (Status s = connection.openSnapshot(); !s) return s;
    const auto run = [&](const Statement& statement) {
        return connection.execute(statement).status();
    };
    Status status = run(Statement("BEGIN"));
    if (status) status = createSchema(connection, server);
    if (status) status = run(administratorSeed());
    if (status) status = renumberAccounts(connection);
    if (status) status = run(Statement("COMMIT"));
    if (!status) logDropped(logData(), "ROLLBACK", run(Statement("ROLLBACK")));
    return status;
}

Status PostgresEngine::renumberAccounts(Connection& connection) {
    return connection
        .execute(Statement("SELECT setval(pg_get_serial_sequence('users', 'user_num'),"
                           " coalesce(max(user_num), 0) + 1, false) FROM users"))
        .status();
}

Status PostgresEngine::prepare(QSqlDatabase& db, const ServerAddress& server,
                               const QString& password) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT c.relname FROM pg_catalog.pg_class c"
                               " WHERE c.relkind IN ('r', 'v')"
                               " AND pg_catalog.pg_table_is_visible(c.oid)")))
        return refusal(DbProblem::Damaged, server, engineText(q.lastError()));
    QStringList tables;
    while (q.next()) tables.append(q.value(0).toString());
    if (!tables.contains(QLatin1String(kSettingsTable)))
        return refusal(DbProblem::Foreign, server, QStringLiteral("it has no settings table"));
    if (!q.exec(QStringLiteral("SELECT name, value FROM %1").arg(QLatin1String(kSettingsTable))))
        return refusal(DbProblem::Damaged, server, engineText(q.lastError()));
    qint32 verifier = 0;
    int version = 0;
    while (q.next()) {
        if (q.value(0).toString() == QLatin1String(kVerifierSetting))
            verifier = q.value(1).toInt();
        else if (q.value(0).toString() == QLatin1String(kVersionSetting))
            version = q.value(1).toInt();
    }
    q.finish();
    if (const auto problem = schemaProblem(verifier, version, tables, password, kFirstVersion,
                                           {QLatin1String(kSettingsTable)}))
        return refusal(problem->problem, server, problem->cause);
    return version < kSchemaVersion ? migrate(db, server, schemaLadder()) : Status();
}

Status PostgresEngine::migrate(QSqlDatabase& db, const ServerAddress& server,
                               const std::vector<Migration>& ladder) {
    QSqlQuery q(db);
    int from = 0;
    auto failed = [&](const QSqlError& error) {
        const DbError why =
            refusal(DbProblem::Damaged, server, ladderFailure(from, ladder, engineText(error)));
        q.finish();
        db.rollback();
        return Status(why);
    };
    if (!db.transaction()) return failed(db.lastError());
    // Another organizer may be bringing it forward at the same moment: the first to lock the
    // settings does, the others find the version it wrote.
    if (!q.exec(
            QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(QLatin1String(kSettingsTable))) ||
        !q.exec(QStringLiteral("SELECT value FROM %1 WHERE name = '%2'")
                    .arg(QLatin1String(kSettingsTable), QLatin1String(kVersionSetting))) ||
        !q.next())
        return failed(q.lastError());
    from = q.value(0).toInt();
    const auto recording = [](int version) {
        return QStringLiteral("UPDATE %1 SET value = '%2' WHERE name = '%3'")
            .arg(QLatin1String(kSettingsTable))
            .arg(version)
            .arg(QLatin1String(kVersionSetting));
    };
    if (!climbLadder(q, from, ladder, &Migration::onServer, recording))
        return failed(q.lastError());
    q.finish();
    if (!db.commit()) return failed(db.lastError());
    return {};
}

namespace {

// The engine of a Connection to a server database.
class ServerEngine final : public Engine {
public:
    explicit ServerEngine(Result<ServerAddress> server) : m_server(std::move(server)) {}

    QString driver() const override { return PostgresEngine::driver(); }
    Status open(QSqlDatabase& db, bool snapshot) const override {
        if (!m_server) {
            DbError error = m_server.error();
            error.problem = DbProblem::Missing;
            return error;
        }
        if (Status opened = PostgresEngine::open(db, m_server.value()); !opened || snapshot)
            return opened;
        return PostgresEngine::prepare(db, m_server.value(),
                                       QString::fromLatin1(kDatabasePassword));
    }
    bool run(QSqlQuery& query, const Statement& statement) const override {
        // The whole result at once, so that nothing of it is left pending when the next query
        // runs past the driver (readQuery()).
        query.setForwardOnly(false);
        // A server prepares only queries and changes of rows: BEGIN, SAVEPOINT and the like,
        // which bind nothing, go as they are.
        const QVariantList& values = statement.values(Dialect::Server);
        if (values.isEmpty()) return query.exec(sqlOf(statement));
        if (!query.prepare(sqlOf(statement))) return false;
        for (const QVariant& value : values) query.addBindValue(value);
        return query.exec();
    }
    const QString& sqlOf(const Statement& statement) const override {
        return statement.query(Dialect::Server);
    }
    Status readRows(QSqlQuery& query, std::vector<ColumnValues>& columns) const override {
        return PostgresEngine::readRows(query, columns);
    }
    std::optional<Status> readQuery(QSqlDatabase& db, const Statement& statement,
                                    QStringList& columns,
                                    std::vector<ColumnValues>& values) const override {
        return PostgresEngine::readQuery(db, statement, columns, values);
    }
    DbError toDbError(const QSqlError& error) const override {
        return PostgresEngine::toDbError(error);
    }
    std::unique_ptr<ServerWatch> watch(const QSqlDatabase& db) const override {
        if (!m_server) return nullptr;
        return std::make_unique<ServerWatch>(db, answerWait(m_server.value()));
    }
    DbError noAnswer(bool stopped) const override {
        const int seconds = m_server ? m_server.value().statementTimeout + 1 : 0;
        const QString cause =
            stopped ? QStringLiteral("you stopped waiting for its answer")
                    : QStringLiteral("the server did not answer within %1 s").arg(seconds);
        return {kErrGeneral, connectionLost(cause), DbProblem::ConnectionLost};
    }
    bool keepsDataVersion() const override { return false; }
    std::unique_ptr<EngineLock> lock() const override {
        return std::make_unique<ServerLock>(m_server ? m_server.value() : ServerAddress());
    }
    Status createSchema(Connection& connection) const override {
        if (!m_server) return m_server.error();
        return PostgresEngine::createSchema(connection, m_server.value());
    }
    std::optional<QString> integrityProblem(Connection&) const override { return std::nullopt; }

private:
    Result<ServerAddress> m_server;
};

}  // namespace

std::unique_ptr<Engine> PostgresEngine::forServer(Result<ServerAddress> server) {
    return std::make_unique<ServerEngine>(std::move(server));
}

}  // namespace vemora
