#pragma once

#include "data/DbError.h"

#include <QString>

namespace vemora {

inline constexpr int kSchemaVersion = 1;
inline constexpr auto kInitialAdminPassword = "admin";

// The value stored in the file's header that the database password must match.
qint32 passwordVerifier(const QString& password);

// Writes a new database file at path with the five tables and the administrator account.
// Never replaces an existing file: the file is built beside it and moved in only if the
// name is still free.
Status createDeliveredDatabase(const QString& path);

}  // namespace vemora
