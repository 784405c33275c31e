#include "platform/Session.h"

#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "platform/Prompter.h"

#include <QCoreApplication>

namespace vemora {

Session::Session(QString programDirectory, Prompter& prompter)
    : m_programDirectory(std::move(programDirectory)),
      m_databaseLock(
          parseConnectionString(makeConnectionString(databaseDirectory(m_programDirectory)))
              .dataSource),
      m_prompter(prompter),
      m_dbConnection(std::make_unique<Connection>()) {}

Session::~Session() = default;

bool Session::OpenDatabase() {
    m_dbConnection = std::make_unique<Connection>();
    m_connectionString = makeConnectionString(databaseDirectory(m_programDirectory));
    m_dbConnection->setConnectionString(m_connectionString);
    Status status = m_dbConnection->open();
    // Held for the rest of the run: the maintenance tool replaces the file only while no
    // organizer holds it.
    if (status && !m_databaseLock.isLocked()) m_databaseLock.tryLock(DatabaseLock::Mode::Shared);
    QCoreApplication::processEvents();
    if (status && !m_myConnection.isOpen()) {
        m_myConnection.setConnectionString(m_connectionString);
        status = m_myConnection.open();
    }
    if (!status && status.number() == kErrGeneral) {
        m_prompter.show(
            QStringLiteral(
                "Can't find the database file! Please check if the database file is installed!"),
            QStringLiteral("Can't locate!"), vbExclamation);
    }
    return m_dbConnection->isOpen();
}

Result<int> Session::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    auto result = m_dbConnection->execute(statement);
    if (!result) return result.error();
    if (result.value().isOpen()) {
        m_dbRecordset = std::move(result.value());
        return 0;
    }
    return m_dbConnection->lastRowsAffected();
}

}  // namespace vemora
