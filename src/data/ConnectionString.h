#pragma once

#include <QString>

namespace vemora {

inline constexpr auto kDatabaseFileName = "journey.mdb";
inline constexpr auto kDatabasePassword = "brightmesa";

// "Provider=...;Data Source=<directory>/journey.mdb;Jet OLEDB:Database password=brightmesa",
// with the platform's separator; a root directory still names the file inside it.
QString makeConnectionString(const QString& directory);

// The folder whose journey.mdb the programs open: their own folder when it holds one (a build
// or an install for one user), else the computer's shared folder of a system-wide install,
// which VEMORA_DATA_DIR names when set.
QString databaseDirectory(const QString& programDirectory);
QString databaseDirectory(const QString& programDirectory, const QString& sharedDirectory);

struct ConnectionParts {
    QString dataSource;
    QString password;
};
// Reads the key=value pairs of a connection string (keys in any letter case).
ConnectionParts parseConnectionString(const QString& text);

}  // namespace vemora
