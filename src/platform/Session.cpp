#include "platform/Session.h"

#include "platform/DatabaseNotices.h"

#include <QCoreApplication>

namespace vemora {

Session::Session(QString programDirectory, Prompter& prompter)
    : m_prompter(prompter), m_database(std::move(programDirectory), Database::Lock::Shared) {
    setLockWait(std::chrono::seconds(2));
}

Session::~Session() = default;

void Session::setLockWait(std::chrono::milliseconds wait) {
    m_database.setToolWait(wait, [this] { return askToWaitForTool(m_prompter); });
}

bool Session::OpenDatabase() {
    Status status = m_database.open();
    QCoreApplication::processEvents();
    if (status && !m_myConnection.isOpen()) {
        m_myConnection.setConnectionString(ConnectionString());
        status = m_myConnection.open();
    }
    if (!status) reportOpenFailure(m_prompter, status.error());
    return DbConnection().isOpen();
}

}  // namespace vemora
