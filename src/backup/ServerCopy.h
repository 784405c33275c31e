#pragma once

#include "data/ConnectionString.h"
#include "data/DbError.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

// Copies a server database into a new journey.mdb at `file`, which the organizer opens like
// the delivered one. The file appears only when complete and checked; an existing file is
// never replaced.
Result<CopyChecks> copyServerToFile(const ServerAddress& server, const QString& file);

}  // namespace vemora
