#pragma once

#include "backup/CopyCheck.h"
#include "data/ConnectionString.h"
#include "data/DbError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vemora {

// One table as read back from a database: its rows and a SHA-256 over their values, taken the
// same way from the file and from a server, so that equal checks mean equal contents.
struct TableCheck {
    QString table;
    qint64 rows = 0;
    QByteArray checksum;

    bool operator==(const TableCheck&) const = default;
};
using CopyChecks = QList<TableCheck>;

// Copies a journey.mdb into an empty server database in one transaction, which is committed
// only when the rows read back from the server match the file's counts and checksums.
Result<CopyChecks> copyFileToServer(const QString& file, const ServerAddress& server);

// What copying onto an existing file does.
enum class ExistingFile { Keep, Replace };

// Copies a server database into a journey.mdb at `file`, which the organizer opens like the
// delivered one. The file appears only when complete, checked and on disk; an existing file is
// kept (the copy is refused) unless `existing` says to replace it, and even then not while an
// organizer has it open (Busy); the replaced file's journal is removed with it.
Result<CopyChecks> copyServerToFile(const ServerAddress& server, const QString& file,
                                    ExistingFile existing = ExistingFile::Keep);

// The server's backup into the file `target`: copyServerToFile() replacing the file, while
// holding the lock shared, so that organizers may go on working but no restore runs meanwhile
// (Busy).
Result<CopyChecks> backupServer(const ServerAddress& server, const QString& target);

// What a server database holds, once it passed the open check (and was brought forward to the
// schema's version); read in one snapshot.
Result<DatabaseSummary> examineServer(const ServerAddress& server);

// Replaces every row of a server database by a journey.mdb's (an older file is brought forward
// in a copy first), in one transaction committed only when the rows read back match the file's
// counts and checksums. Holds the exclusive lock throughout: refused as Busy while an organizer
// or another tool holds it. Any refusal leaves the server as it was.
Result<CopyChecks> restoreFileToServer(const QString& file, const ServerAddress& server);

}  // namespace vemora
