#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

class QCommandLineParser;

namespace vemora {

// export and import: a user's own contacts, days and words in the standard formats.
QList<QCommandLineOption> transferOptions();
bool isTransferCommand(const QString& command);
// `arguments` starts with the command; `connectionString` names the database: a file of any
// name, or a server.
int runTransfer(const QCommandLineParser& options, const QStringList& arguments,
                const QString& connectionString);

}  // namespace vemora
