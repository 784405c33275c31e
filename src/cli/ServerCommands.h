#pragma once

#include <QCommandLineParser>
#include <QString>

#include <optional>

#include "backup/CopyCheck.h"
#include "data/ConnectionString.h"

namespace vemora {

// vemora-cli's check, backup and restore on a server database. Each returns the exit code,
// having explained any failure.

// The server that --database names with a postgresql:// URL or, without --database, that
// vemora.conf beside the programs selects; nothing for a file. A bad URL or vemora.conf is
// explained and its exit code given in `code`.
std::optional<ServerAddress> chosenServer(const QCommandLineParser& options, int& code);

// The output of check, the same for a file and a server.
void printCheck(const QString& name, const DatabaseSummary& summary);

int checkServer(const ServerAddress& server);
// The administrator of the server's own accounts.
int logInToServer(const ServerAddress& server, const QString& user, const QString& password);
// A journey.mdb at `target` written from the server's data while holding the lock shared: the
// copy is read in one snapshot, so organizers may go on working, but no restore runs meanwhile.
int writeServerBackup(const ServerAddress& server, const QString& target);
// What the file `source` holds when it may be restored.
std::optional<DatabaseSummary> examineForServer(const QString& source, int& code);
int restoreServer(const ServerAddress& server, const QString& source);

}  // namespace vemora
