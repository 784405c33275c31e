#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QStringList>

class QCommandLineParser;

namespace vemora {

// export and import: a user's own contacts, days and words in the standard formats.
QList<QCommandLineOption> transferOptions();
bool isTransferCommand(const QString& command);
// `arguments` starts with the command; `database` is the journey.mdb to use.
int runTransfer(const QCommandLineParser& options, const QStringList& arguments,
                const QString& database);

}  // namespace vemora
