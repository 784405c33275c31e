#include "core/Database.h"

#include "data/ConnectionString.h"
#include "data/Statement.h"

#include <QDeadlineTimer>
#include <QThread>

namespace vemora {

Database::Database(QString programDirectory, Lock lock)
    : m_programDirectory(std::move(programDirectory)),
      m_lockKind(lock),
      m_lock(parseConnectionString(makeConnectionString(databaseDirectory(m_programDirectory)))
                 .dataSource),
      m_connectionString(makeConnectionString(databaseDirectory(m_programDirectory))),
      m_dbConnection(std::make_unique<Connection>()) {
    m_dbConnection->setConnectionString(m_connectionString);
}

Database::~Database() = default;

QString Database::filePath() const {
    return parseConnectionString(m_connectionString).dataSource;
}

// Where no lock file can be made (a folder nobody may write to) the tool cannot replace the
// database either, so the file is used without the lock.
bool Database::holdLock() {
    constexpr std::chrono::milliseconds kPoll(50);
    if (m_lockKind == Lock::None || m_lock.isLocked()) return true;
    for (;;) {
        const QDeadlineTimer deadline(m_toolWait);
        while (!m_lock.tryLock(DatabaseLock::Mode::Shared)) {
            if (!m_lock.heldElsewhere()) return true;
            if (deadline.hasExpired()) break;
            QThread::msleep(static_cast<unsigned long>(kPoll.count()));
        }
        if (m_lock.isLocked()) return true;
        if (!m_retry || !m_retry()) return false;
    }
}

Status Database::open() {
    m_dbConnection = std::make_unique<Connection>();
    m_transactions = 0;
    m_connectionString = makeConnectionString(databaseDirectory(m_programDirectory));
    m_dbConnection->setConnectionString(m_connectionString);
    m_openFailed = true;
    if (!holdLock())
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    const Status status = m_dbConnection->open();
    m_openFailed = !status;
    return status;
}

Result<int> Database::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    if (m_openFailed) {
        if (const Status reopened = open(); !reopened) return reopened.error();
    }
    auto result = m_dbConnection->execute(statement);
    if (!result) return result.error();
    if (result.value().isOpen()) {
        m_dbRecordset = std::move(result.value());
        return 0;
    }
    return m_dbConnection->lastRowsAffected();
}

}  // namespace vemora
