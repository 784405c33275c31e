#include "tools/mod_Tools.h"

#include "platform/DatabaseNotices.h"

#include <QCoreApplication>

namespace vemora {

mod_Tools::mod_Tools(QString programDirectory, Prompter& prompter)
    : m_prompter(prompter), m_database(std::move(programDirectory), Database::Lock::None) {}

std::optional<ServerAddress> mod_Tools::server() const {
    const Result<std::optional<ServerAddress>> configured =
        configuredServer(m_database.programDirectory());
    return configured ? configured.value() : std::nullopt;
}

bool mod_Tools::OpenDatabase() {
    const Status status = m_database.open();
    QCoreApplication::processEvents();
    if (!status) reportOpenFailure(m_prompter, status.error());
    return DbConnection().isOpen();
}

}  // namespace vemora
