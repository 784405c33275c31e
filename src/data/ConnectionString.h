#pragma once

#include <QString>

namespace vemora {

inline constexpr auto kDatabaseFileName = "journey.mdb";
inline constexpr auto kDatabasePassword = "brightmesa";

// "Provider=...;Data Source=<directory>/journey.mdb;Jet OLEDB:Database password=brightmesa",
// with the platform's separator; a root directory still names the file inside it.
QString makeConnectionString(const QString& directory);

struct ConnectionParts {
    QString dataSource;
    QString password;
};
// Reads the key=value pairs of a connection string (keys in any letter case).
ConnectionParts parseConnectionString(const QString& text);

}  // namespace vemora
