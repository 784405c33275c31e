#include "platform/Session.h"

#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "platform/DatabaseNotices.h"
#include "platform/Prompter.h"

#include <QCoreApplication>

namespace vemora {

Session::Session(QString programDirectory, Prompter& prompter)
    : m_programDirectory(std::move(programDirectory)),
      m_databaseLock(parseConnectionString(makeConnectionString(m_programDirectory)).dataSource),
      m_prompter(prompter),
      m_dbConnection(std::make_unique<Connection>()) {}

Session::~Session() = default;

bool Session::OpenDatabase() {
    const Status status = open();
    if (!status) reportOpenFailure(m_prompter, status.error());
    return m_dbConnection->isOpen();
}

Status Session::open() {
    m_dbConnection = std::make_unique<Connection>();
    m_connectionString = makeConnectionString(m_programDirectory);
    m_dbConnection->setConnectionString(m_connectionString);
    // Held for the rest of the run: the maintenance tool replaces the file only while no
    // organizer holds it, and no organizer uses the file while the tool holds it.
    m_openFailed = true;
    if (!holdSharedLock(m_databaseLock, m_prompter, m_lockWait))
        return DbError{kErrOther,
                       QStringLiteral("The maintenance tool is working on the database.")};
    Status status = m_dbConnection->open();
    QCoreApplication::processEvents();
    if (status && !m_myConnection.isOpen()) {
        m_myConnection.setConnectionString(m_connectionString);
        status = m_myConnection.open();
    }
    m_openFailed = !m_dbConnection->isOpen();
    return status;
}

Result<int> Session::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    if (m_openFailed) {
        if (const Status reopened = open(); !m_dbConnection->isOpen()) return reopened.error();
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
