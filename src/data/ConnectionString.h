#pragma once

#include "data/DbError.h"

#include <QString>

#include <optional>

namespace vemora {

inline constexpr auto kDatabaseFileName = "journey.mdb";
inline constexpr auto kDatabasePassword = "brightmesa";

// "Provider=...;Data Source=<directory>/journey.mdb;Jet OLEDB:Database password=brightmesa",
// with the platform's separator; a root directory still names the file inside it.
QString makeConnectionString(const QString& directory);
// The same for a database file of any name.
QString makeFileConnectionString(const QString& path);

// The folder whose journey.mdb the programs open: their own folder when it holds one (a build
// or an install for one user), else the computer's shared folder of a system-wide install,
// which VEMORA_DATA_DIR names when set, wherever that folder exists (even while its journey.mdb
// is missing).
QString databaseDirectory(const QString& programDirectory);
QString databaseDirectory(const QString& programDirectory, const QString& sharedDirectory);

struct ConnectionParts {
    QString dataSource;
    QString password;
};
// Reads the key=value pairs of a connection string (keys in any letter case).
ConnectionParts parseConnectionString(const QString& text);

// A database on a PostgreSQL server, as a postgresql://user@host:port/dbname URL names it. A
// socket folder goes in ?host=/folder, as libpq reads it. Without a password in the URL, libpq
// looks in ~/.pgpass or PGPASSFILE. ?connect_timeout=S and ?statement_timeout=S (seconds) bound
// the wait for a connection and for a statement's answer.
struct ServerAddress {
    static constexpr int kConnectTimeout = 5;
    static constexpr int kStatementTimeout = 30;

    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString password;
    int connectTimeout = kConnectTimeout;      // seconds
    int statementTimeout = kStatementTimeout;  // seconds

    // The URL that parseServerUrl() reads back as this address, password and all.
    QString url() const;
    // The URL without its password, for messages.
    QString shown() const;
};
// The address a URL names, or why it names none.
Result<ServerAddress> parseServerUrl(const QString& url);
// Whether a connection string is a server's URL rather than the file's key=value pairs.
bool isServerUrl(const QString& text);

inline constexpr auto kConfigFileName = "vemora.conf";
// The server that vemora.conf beside the programs selects (VEMORA_CONF names another file);
// nothing without the file, when the programs use journey.mdb as always. A file that others
// may read is refused when its URL holds a password.
Result<std::optional<ServerAddress>> configuredServer(const QString& programDirectory);

// Why a server URL given on a command line may not be used: a password in it can be read by
// every account in the list of processes. Empty when it holds none.
std::optional<QString> passwordOnCommandLine(const ServerAddress& server);

}  // namespace vemora
