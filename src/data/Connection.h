#pragma once

#include "data/DbError.h"
#include "data/Recordset.h"

#include <QSqlDatabase>
#include <QString>

namespace vemora {

class Statement;

// One named connection to the database file. Opening never creates the file, and checks the
// database password against the verifier stored in it.
class Connection final {
    Q_DISABLE_COPY_MOVE(Connection)
public:
    Connection();
    ~Connection();

    void setConnectionString(const QString& text) { m_connectionString = text; }
    const QString& connectionString() const { return m_connectionString; }

    Status open();
    bool isOpen() const;
    void close();

    // Runs the statement. A query yields its rows (an open recordset); any other statement a
    // closed recordset, and lastRowsAffected() counts the rows it changed.
    Result<Recordset> execute(const Statement& statement);
    int lastRowsAffected() const { return m_rowsAffected; }

    // The underlying handle, for engine work outside plain statements (compaction).
    QSqlDatabase database() const;
    QString filePath() const;

private:
    QString m_name;
    QString m_connectionString;
    int m_rowsAffected = 0;
};

// The error a failed engine call maps to.
DbError toDbError(const class QSqlError& error);

}  // namespace vemora
