#pragma once

#include "data/DbError.h"
#include "data/Recordset.h"
#include "data/Statement.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>
#include <optional>

namespace vemora {

class Engine;

// One named connection to the database file, or to a server database when the connection
// string is a postgresql:// URL. Opening never creates the database, and checks the database
// password against the verifier stored in it.
class Connection final {
    Q_DISABLE_COPY_MOVE(Connection)
public:
    Connection();
    ~Connection();

    // Chooses the engine the text names, for the next open().
    void setConnectionString(const QString& text);
    const QString& connectionString() const { return m_connectionString; }
    // The engine the connection string names, whose SQL the statements are sent in.
    const Engine& engine() const { return *m_engine; }

    // Opens the database read-write and checks that it is this program's, in a version it
    // knows (bringing an older one forward).
    Status open();
    // Opens the file as it lies on disk, read-only: no journal beside it is applied or made,
    // and nothing is checked. A server database is opened as open() does, unchecked.
    Status openSnapshot();
    bool isOpen() const;
    void close();
    // Whether it was closed because the server's connection ended (see execute()).
    bool lost() const { return m_lost; }
    // Whether it ended because the user stopped waiting for the server's answer.
    bool stopped() const { return m_stopped; }

    // Runs the statement. A query yields its rows (an open recordset); any other statement a
    // closed recordset, and lastRowsAffected() counts the rows it changed.
    Result<Recordset> execute(const Statement& statement);
    int lastRowsAffected() const { return m_rowsAffected; }
    // SQLite's data version: it changes when another connection commits, never for this one's
    // own commits. A server keeps none.
    bool hasDataVersion() const;
    Result<qint64> dataVersion();
    // An error of the engine's driver as the programs' error numbers word it.
    DbError toDbError(const QSqlError& error) const;

    QString filePath() const;
    // The host of the server the connection string names, if it names one.
    std::optional<QString> serverName() const;
    // The name the connection is known by to the driver; a new one for every Connection.
    const QString& name() const { return m_name; }

private:
    QSqlDatabase handle() const;
    Status openWith(bool snapshot);

    QString m_name;
    QString m_connectionString;
    std::unique_ptr<Engine> m_engine;
    int m_rowsAffected = 0;
    bool m_lost = false;
    bool m_stopped = false;
    bool m_waiting = false;  // a statement waits for the server's answer
    bool m_opened = false;   // by open(), until close()
};

}  // namespace vemora
