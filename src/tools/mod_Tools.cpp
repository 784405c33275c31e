#include "tools/mod_Tools.h"

#include "platform/DatabaseNotices.h"

#include <QCoreApplication>

namespace vemora {

mod_Tools::mod_Tools(QString programDirectory, Prompter& prompter)
    : m_prompter(prompter), m_database(std::move(programDirectory), Database::Lock::None) {}

bool mod_Tools::OpenDatabase() {
    const Status status = m_database.open();
    QCoreApplication::processEvents();
    if (!status) reportOpenFailure(m_prompter, status.error());
    return DbConnection().isOpen();
}

}  // namespace vemora
