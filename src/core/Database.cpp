#include "core/Database.h"

#include "data/ConnectionString.h"
#include "data/Engine.h"
#include "data/Statement.h"

#include <QDeadlineTimer>
#include <QThread>

namespace vemora {

Database::Database(QString programDirectory, Lock lock)
    : m_programDirectory(std::move(programDirectory)),
      m_lockKind(lock),
      m_dbConnection(std::make_unique<Connection>()) {
    const Result<QString> chosen = chosenDatabase();
    m_connectionString =
        chosen ? chosen.value() : makeConnectionString(databaseDirectory(m_programDirectory));
    m_dbConnection->setConnectionString(m_connectionString);
}

Database::Database(Named database, Lock lock)
    : m_named(std::move(database.connectionString)),
      m_lockKind(lock),
      m_connectionString(*m_named),
      m_dbConnection(std::make_unique<Connection>()) {
    m_dbConnection->setConnectionString(m_connectionString);
}

Database::~Database() = default;

QString Database::filePath() const {
    return parseConnectionString(m_connectionString).dataSource;
}

std::optional<ServerAddress> Database::server() const {
    if (!isServerUrl(m_connectionString)) return std::nullopt;
    const Result<ServerAddress> server = parseServerUrl(m_connectionString);
    return server ? std::optional<ServerAddress>(server.value()) : std::nullopt;
}

Result<QString> Database::chosenDatabase() const {
    if (m_named) return *m_named;
    const Result<std::optional<ServerAddress>> server = configuredServer(m_programDirectory);
    if (!server) {
        DbError error = server.error();
        error.problem = DbProblem::Missing;
        return error;
    }
    if (server.value()) return server.value()->url();
    return makeConnectionString(databaseDirectory(m_programDirectory));
}

// Where no lock can be taken (a folder nobody may write to, a server out of reach) the tool
// cannot replace the database either, so it is used without the lock.
bool Database::holdLock() {
    constexpr std::chrono::milliseconds kPoll(50);
    if (m_lockKind == Lock::None) return true;
    if (!m_lock || m_lockTarget != m_connectionString) {
        m_lock.reset();
        m_lockTarget = m_connectionString;
        m_lock = m_dbConnection->engine().lock();
    }
    if (m_lock->isLocked()) return true;
    for (;;) {
        const QDeadlineTimer deadline(m_toolWait);
        while (!m_lock->tryLock(EngineLock::Mode::Shared)) {
            if (!m_lock->problem().isEmpty()) return false;
            if (!m_lock->heldElsewhere()) return true;
            if (deadline.hasExpired()) break;
            QThread::msleep(static_cast<unsigned long>(kPoll.count()));
        }
        if (m_lock->isLocked()) return true;
        if (!m_retry || !m_retry()) return false;
    }
}

Status Database::open() {
    m_dbConnection = std::make_unique<Connection>();
    m_transactions = 0;
    m_openFailed = true;
    const Result<QString> chosen = chosenDatabase();
    if (!chosen) return chosen.error();
    m_connectionString = chosen.value();
    m_dbConnection->setConnectionString(m_connectionString);
    if (!holdLock()) {
        if (const QString problem = m_lock->problem(); !problem.isEmpty())
            return DbError{kErrGeneral, problem, DbProblem::Unreadable};
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    }
    const Status status = m_dbConnection->open();
    m_openFailed = !status;
    return status;
}

Result<int> Database::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    if (m_openFailed) {
        if (const Status reopened = open(); !reopened) return reopened.error();
    }
    // A server's lock lives in a session of its own, which the server may end: it is taken
    // again before the next statement, so no restore runs under a connected organizer.
    if (m_lock && m_lockKind == Lock::Shared && !m_lock->stillHeld() && !holdLock())
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    auto result = m_dbConnection->execute(statement);
    if (!result) {
        // The next statement connects anew, as after a failed open.
        if (result.error().problem == DbProblem::ConnectionLost) m_openFailed = true;
        return result.error();
    }
    if (result.value().isOpen()) {
        m_dbRecordset = std::move(result.value());
        return 0;
    }
    return m_dbConnection->lastRowsAffected();
}

}  // namespace vemora
