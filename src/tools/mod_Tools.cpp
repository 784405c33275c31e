#include "tools/mod_Tools.h"

#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "platform/Prompter.h"

#include <QCoreApplication>

namespace vemora {

mod_Tools::mod_Tools(QString programDirectory, Prompter& prompter)
    : m_prompter(prompter),
      m_connectionString(makeConnectionString(databaseDirectory(programDirectory))) {
    m_dbConnection.setConnectionString(m_connectionString);
}

QString mod_Tools::workingDatabase() const {
    return parseConnectionString(m_connectionString).dataSource;
}

bool mod_Tools::OpenDatabase() {
    const Status status = m_dbConnection.open();
    QCoreApplication::processEvents();
    if (!status && status.number() == kErrGeneral) {
        m_prompter.show(
            QStringLiteral(
                "Can't find the database file! Please check if the database file is installed!"),
            QStringLiteral("Can't locate!"), vbExclamation);
    }
    return m_dbConnection.isOpen();
}

Status mod_Tools::execute(const Statement& statement) {
    m_sqlText = statement.rendering();
    Result<Recordset> result = m_dbConnection.execute(statement);
    if (!result) return result.error();
    if (result.value().isOpen()) m_dbRecordset = std::move(result.value());
    return {};
}

}  // namespace vemora
